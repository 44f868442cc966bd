#include "LoopbackSshServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <crypt.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

namespace hazard_desk::test {

namespace {

constexpr uint kFirstCandidateUid = 64000;
constexpr int kPollStepMs = 50;

// Run inside the new mount namespace: the account files, /run and the login
// records are replaced for sshd and its sessions only.
constexpr const char* kNamespaceScript = R"(set -e
mount --bind "$1" /etc/passwd
mount --bind "$2" /etc/shadow
mount -t tmpfs -o mode=0755 hd-sshd-run /run
mkdir -m 0755 /run/sshd
for record in /var/log/wtmp /var/log/btmp /var/log/lastlog; do
  if [ -e "$record" ]; then mount --bind "$4" "$record"; fi
done
exec /usr/sbin/sshd -D -e -f "$3"
)";

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Binds a socket to 127.0.0.1:port (0: any free port) or connects one to it;
// the port bound or connected to, 0 when that failed.
quint16 tryLoopback(quint16 port, bool connectToIt)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    socklen_t length = sizeof(address);
    const bool done = fd >= 0 && (connectToIt ? ::connect(fd, raw, length) == 0
                                              : ::bind(fd, raw, length) == 0 && ::getsockname(fd, raw, &length) == 0);
    if (fd >= 0) {
        ::close(fd);
    }
    return done ? ntohs(address.sin_port) : 0;
}

uint unusedUid()
{
    uint uid = kFirstCandidateUid;
    while (::getpwuid(uid) != nullptr || ::getgrgid(uid) != nullptr) {
        ++uid;
    }
    return uid;
}

QByteArray shadowHash(const QString& password)
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789./";
    QByteArray salt("$6$");
    for (int i = 0; i < 16; ++i) {
        salt += alphabet[QRandomGenerator::global()->bounded(64)];
    }
    crypt_data data{};
    const char* hash = ::crypt_r(password.toUtf8().constData(), salt.constData(), &data);
    return hash != nullptr ? QByteArray(hash) : QByteArray();
}

bool runTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output != nullptr) {
        *output = process.readAll();
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace

LoopbackSshServer::LoopbackSshServer(QString password) : password_(std::move(password)) {}

LoopbackSshServer::~LoopbackSshServer()
{
    stop();
}

QString LoopbackSshServer::home() const
{
    return folder_ ? folder_->filePath(QStringLiteral("home")) : QString();
}

QString LoopbackSshServer::imageDir() const
{
    return QDir(home()).filePath(QStringLiteral("AvoidanceImage"));
}

QString LoopbackSshServer::logText() const
{
    return folder_ ? QString::fromLocal8Bit(readFile(folder_->filePath(QStringLiteral("sshd.log")))) : QString();
}

QString LoopbackSshServer::hostKeyFingerprint() const
{
    QByteArray output;
    if (!runTool(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"), QStringLiteral("-f"),
                  folder_->filePath(QStringLiteral("host_ed25519_key.pub"))},
                 &output)) {
        return {};
    }
    const QList<QByteArray> fields = output.simplified().split(' ');
    return fields.size() > 1 ? QString::fromLatin1(fields.at(1)) : QString();
}

void LoopbackSshServer::handOver(const QString& path) const
{
    namespace fs = std::filesystem;
    const fs::path root(path.toStdString());
    ::lchown(root.c_str(), uid_, uid_);
    if (fs::is_directory(fs::symlink_status(root))) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            ::lchown(entry.path().c_str(), uid_, uid_);
        }
    }
}

bool LoopbackSshServer::authorizeKey(const QString& publicKeyFile)
{
    return writeFile(folder_->filePath(QStringLiteral("authorized_keys")), readFile(publicKeyFile));
}

bool LoopbackSshServer::start(QString* reason)
{
    if (!prepared_ && !prepare(reason)) {
        return false;
    }
    return launch(reason);
}

bool LoopbackSshServer::restartWithNewHostKey(QString* reason)
{
    stop();
    return generateHostKey(reason) && launch(reason);
}

bool LoopbackSshServer::prepare(QString* reason)
{
    if (::geteuid() != 0) {
        *reason = QStringLiteral("the SSH export tests need root: sshd checks the test account's password "
                                 "against the shadow file");
        return false;
    }
    folder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/hd-sshd-XXXXXX"));
    // The account must be able to walk into its home below this folder.
    QFile::setPermissions(folder_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                               QFile::ExeOther);
    uid_ = unusedUid();
    port_ = tryLoopback(0, false);
    if (!folder_->isValid() || port_ == 0 || !QDir().mkpath(imageDir())) {
        *reason = QStringLiteral("cannot find a free loopback port or create the account's home");
        return false;
    }
    handOver(home());
    if (!generateHostKey(reason) || !writeAccountFiles(reason)) {
        return false;
    }
    // Public keys only for the benchmark's plain scp baseline (authorizeKey).
    const QString config = QStringLiteral(
                               "Port %1\n"
                               "ListenAddress 127.0.0.1\n"
                               "HostKey %2\n"
                               "PidFile none\n"
                               "UsePAM no\n"
                               "PasswordAuthentication yes\n"
                               "AuthorizedKeysFile %3\n"
                               "AllowUsers %4\n"
                               "StrictModes no\n"
                               "LogLevel VERBOSE\n")
                               .arg(port_)
                               .arg(folder_->filePath(QStringLiteral("host_ed25519_key")),
                                    folder_->filePath(QStringLiteral("authorized_keys")),
                                    QString::fromLatin1(kAccount));
    if (!writeFile(folder_->filePath(QStringLiteral("sshd_config")), config.toUtf8()) ||
        !writeFile(folder_->filePath(QStringLiteral("authorized_keys")), QByteArray()) ||
        !writeFile(folder_->filePath(QStringLiteral("empty-record")), QByteArray())) {
        *reason = QStringLiteral("cannot write the sshd configuration");
        return false;
    }
    prepared_ = true;
    return true;
}

bool LoopbackSshServer::generateHostKey(QString* reason)
{
    const QString key = folder_->filePath(QStringLiteral("host_ed25519_key"));
    QFile::remove(key);
    QFile::remove(key + QStringLiteral(".pub"));
    if (!runTool(QStringLiteral("ssh-keygen"), {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                                                QStringLiteral("-N"), QString(), QStringLiteral("-C"),
                                                QStringLiteral("hd-test-host"), QStringLiteral("-f"), key})) {
        *reason = QStringLiteral("ssh-keygen could not make a host key");
        return false;
    }
    return true;
}

bool LoopbackSshServer::writeAccountFiles(QString* reason)
{
    const QByteArray hash = shadowHash(password_);
    const QByteArray passwd = readFile(QStringLiteral("/etc/passwd"));
    const QByteArray shadow = readFile(QStringLiteral("/etc/shadow"));
    auto withLine = [](QByteArray content, const QByteArray& line) {
        if (!content.endsWith('\n')) {
            content += '\n';
        }
        return content + line + '\n';
    };
    const QByteArray account = QByteArray(kAccount);
    const QByteArray passwdLine =
        account + ":x:" + QByteArray::number(uid_) + ':' + QByteArray::number(uid_) + "::" + home().toUtf8() + ":/bin/sh";
    const QByteArray shadowLine = account + ':' + hash + ":19000:0:99999:7:::";
    if (hash.isEmpty() || passwd.isEmpty() || shadow.isEmpty() ||
        !writeFile(folder_->filePath(QStringLiteral("passwd")), withLine(passwd, passwdLine)) ||
        !writeFile(folder_->filePath(QStringLiteral("shadow")), withLine(shadow, shadowLine))) {
        *reason = QStringLiteral("cannot read or write the account files, or hash the test password");
        return false;
    }
    QFile::setPermissions(folder_->filePath(QStringLiteral("shadow")), QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

bool LoopbackSshServer::launch(QString* reason)
{
    sshd_ = std::make_unique<QProcess>();
    sshd_->setProcessChannelMode(QProcess::MergedChannels);
    sshd_->setStandardOutputFile(folder_->filePath(QStringLiteral("sshd.log")), QIODevice::Append);
    // sshd ends with this process even when it dies without stopping it.
    sshd_->start(QStringLiteral("setpriv"),
                 {QStringLiteral("--pdeathsig"), QStringLiteral("TERM"), QStringLiteral("unshare"),
                  QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                  QStringLiteral("/bin/sh"), QStringLiteral("-c"), QString::fromLatin1(kNamespaceScript),
                  QStringLiteral("hd-sshd"), folder_->filePath(QStringLiteral("passwd")),
                  folder_->filePath(QStringLiteral("shadow")), folder_->filePath(QStringLiteral("sshd_config")),
                  folder_->filePath(QStringLiteral("empty-record"))});
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kStartTimeoutMs) {
        if (sshd_->state() == QProcess::NotRunning || sshd_->waitForFinished(kPollStepMs)) {
            *reason = QStringLiteral("sshd could not start in a private mount namespace: %1").arg(logText().simplified());
            sshd_.reset();
            return false;
        }
        if (tryLoopback(port_, true) == port_) {
            return true;
        }
    }
    *reason = QStringLiteral("sshd did not listen on 127.0.0.1:%1 within %2 ms: %3")
                  .arg(port_)
                  .arg(kStartTimeoutMs)
                  .arg(logText().simplified());
    stop();
    return false;
}

void LoopbackSshServer::stop()
{
    if (!sshd_) {
        return;
    }
    sshd_->terminate();
    if (!sshd_->waitForFinished(3000)) {
        sshd_->kill();
        sshd_->waitForFinished(3000);
    }
    sshd_.reset();
}

}  // namespace hazard_desk::test
