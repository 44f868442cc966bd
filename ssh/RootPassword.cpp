#include "RootPassword.h"

#include "SshLog.h"

#ifdef Q_OS_WIN
#include <windows.h>
#include <wincred.h>

#include <vector>
#else
#include "CredentialFile.h"
#endif

#include "ErrorOut.h"

namespace hazard_desk {

namespace {

#ifdef Q_OS_WIN
constexpr DWORD kCredentialNotFound = 1168;  // ERROR_NOT_FOUND

std::wstring targetName()
{
    return QString::fromLatin1(RootPassword::kCredentialTarget).toStdWString();
}
#endif

}  // namespace

QString RootPassword::location()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Windows 凭据管理器：%1").arg(QString::fromLatin1(kCredentialTarget));
#else
    return CredentialFile::defaultPath();
#endif
}

QString readRootPassword(QString* error)
{
    setError(error, QString());
#ifdef Q_OS_WIN
    PCREDENTIALW credential = nullptr;
    const std::wstring target = targetName();
    if (!::CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &credential)) {
        const DWORD code = ::GetLastError();
        if (code != kCredentialNotFound) {
            setError(error, QStringLiteral("读取 Windows 凭据失败（%1）").arg(static_cast<qulonglong>(code)));
            sshLog()->error("CredReadW failed for {}: error {}", RootPassword::kCredentialTarget, code);
        }
        return {};
    }
    QString password;
    if (credential->CredentialBlob != nullptr && credential->CredentialBlobSize > 0) {
        password = QString::fromUtf8(reinterpret_cast<const char*>(credential->CredentialBlob),
                                     static_cast<int>(credential->CredentialBlobSize));
        ::SecureZeroMemory(credential->CredentialBlob, credential->CredentialBlobSize);
    }
    ::CredFree(credential);
    return password;
#else
    QString reason;
    const CredentialFile file;
    const QString password = file.read(QString::fromLatin1(RootPassword::kCredentialTarget), &reason);
    if (!reason.isEmpty()) {
        setError(error, reason);
        sshLog()->warn("credential file '{}' not used: {}", file.path().toStdString(), reason.toStdString());
    }
    return password;
#endif
}

bool RootPassword::store(const QString& password, QString* error)
{
#ifdef Q_OS_WIN
    QByteArray blob = password.toUtf8();
    std::wstring target = targetName();
    std::wstring user = L"root";
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = target.data();
    credential.UserName = user.data();
    credential.CredentialBlobSize = static_cast<DWORD>(blob.size());
    credential.CredentialBlob = reinterpret_cast<LPBYTE>(blob.data());
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    const bool written = ::CredWriteW(&credential, 0) != FALSE;
    const DWORD code = written ? 0 : ::GetLastError();
    ::SecureZeroMemory(blob.data(), static_cast<SIZE_T>(blob.size()));
    if (!written) {
        setError(error, QStringLiteral("写入 Windows 凭据失败（%1）").arg(static_cast<qulonglong>(code)));
    }
    return written;
#else
    return CredentialFile().store(QString::fromLatin1(kCredentialTarget), password, error);
#endif
}

bool RootPassword::clear(bool* removed, QString* error)
{
#ifdef Q_OS_WIN
    *removed = false;
    const std::wstring target = targetName();
    if (::CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0)) {
        *removed = true;
        return true;
    }
    const DWORD code = ::GetLastError();
    if (code == kCredentialNotFound) {
        return true;
    }
    setError(error, QStringLiteral("删除 Windows 凭据失败（%1）").arg(static_cast<qulonglong>(code)));
    return false;
#else
    return CredentialFile().clear(QString::fromLatin1(kCredentialTarget), removed, error);
#endif
}

}  // namespace hazard_desk
