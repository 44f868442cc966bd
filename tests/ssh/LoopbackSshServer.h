#pragma once
// A real OpenSSH server on 127.0.0.1 and a free port for the export tests and
// the export benchmark: its own host key and sshd_config in a temporary
// folder, and a password login account whose home holds the image folder.
//
// The account exists only for this server: sshd runs in a private mount
// namespace where a copy of /etc/passwd and /etc/shadow with the account
// added is mounted over the real files (and /run and the login records are
// private too), so nothing on the machine is created or changed. That needs
// root (sshd checks passwords against the shadow file) and mount namespaces;
// without them start() says why and the tests skip.
#include <QString>
#include <QtGlobal>

#include <memory>

class QProcess;
class QTemporaryDir;

namespace hazard_desk::test {

class LoopbackSshServer {
public:
    static constexpr const char* kAccount = "hdexport";
    static constexpr int kStartTimeoutMs = 10000;

    explicit LoopbackSshServer(QString password);
    ~LoopbackSshServer();

    LoopbackSshServer(const LoopbackSshServer&) = delete;
    LoopbackSshServer& operator=(const LoopbackSshServer&) = delete;

    // Starts sshd and waits until it accepts connections; false with the
    // reason (never null) when it cannot start.
    bool start(QString* reason);
    void stop();
    // Stops, replaces the host key and starts again on the same port.
    bool restartWithNewHostKey(QString* reason);

    quint16 port() const { return port_; }
    QString home() const;
    QString imageDir() const;               // "<home>/AvoidanceImage", created by start()
    QString hostKeyFingerprint() const;     // "SHA256:..."
    QString logText() const;                // what sshd logged

    // Lets the account log in with this OpenSSH public key too (the plain
    // scp baseline of the benchmark).
    bool authorizeKey(const QString& publicKeyFile);

    // Gives a file tree the test made to the login account.
    void handOver(const QString& path) const;

private:
    bool prepare(QString* reason);
    bool generateHostKey(QString* reason);
    bool writeAccountFiles(QString* reason);
    bool launch(QString* reason);

    QString password_;
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<QProcess> sshd_;
    quint16 port_ = 0;
    uint uid_ = 0;
    bool prepared_ = false;
};

}  // namespace hazard_desk::test
