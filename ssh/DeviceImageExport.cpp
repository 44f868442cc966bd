#include "DeviceImageExport.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

#include "HostKeyLearning.h"
#include "ProcessResultText.h"
#include "PuttyCommandLine.h"
#include "PuttyPasswordFile.h"
#include "RemoteImageScripts.h"
#include "SshLog.h"
#include "SshProcessRunner.h"
#include "SshToolExtraction.h"

namespace hazard_desk {

namespace {

constexpr int kCountTextShown = 40;

int fail(QString* error, const QString& text)
{
    if (error != nullptr) {
        *error = text;
    }
    sshLog()->error("image export failed: {}", text.toStdString());
    return kImageExportFailed;
}

int cancelled(const char* stage)
{
    sshLog()->warn("image export cancelled during {}", stage);
    return kImageExportCancelled;
}

void report(const ImageExportProgress& progress, int percent, const QString& title, const QString& detail)
{
    if (progress) {
        progress(percent, title, detail);
    }
}

void logRun(const char* stage, const ProcessResult& result)
{
    sshLog()->info("{}: started={} timedOut={} cancelled={} exitStatus={} exitCode={}", stage, result.started,
                   result.timedOut, result.cancelled, result.exitStatus, result.exitCode);
}

}  // namespace

bool isIpv4Address(const QString& host)
{
    static const QRegularExpression dottedQuad(QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const QRegularExpressionMatch match = dottedQuad.match(host);
    if (!match.hasMatch()) {
        return false;
    }
    for (int part = 1; part <= 4; ++part) {
        if (match.captured(part).toInt() > 255) {
            return false;
        }
    }
    return true;
}

int exportDeviceImages(const ImageExportRequest& request, const std::atomic_bool& cancelFlag,
                       const ImageExportProgress& progress, QString* error)
{
    if (cancelFlag.load()) {
        return cancelled("preparation");
    }
    SshTarget target = request.target;
    // The host reaches plink as an argument of its own: anything but an
    // address (a name beginning with "-", say) could be read as an option.
    if (target.host.isEmpty() || target.password.isEmpty() || request.localDir.isEmpty() ||
        !isIpv4Address(target.host)) {
        return fail(error, QStringLiteral("SSH 导出参数无效"));
    }
    if (!QDir().mkpath(request.localDir)) {
        return fail(error, QStringLiteral("无法创建本地导出目录：%1").arg(request.localDir));
    }
    const SshToolPaths& tools = sshToolPaths();
    if (!tools.complete()) {
        return fail(error, tools.error);
    }
    PuttyPasswordFile passwordFile;
    QString reason;
    if (!passwordFile.create(target.password, &reason)) {
        return fail(error, reason);
    }
    const QString remoteDir = RemoteImageScripts::imageDirectory(target.host);
    sshLog()->info("image export start: host={} port={} user={} remote='{}' local='{}'", target.host.toStdString(),
                   target.port, target.user.toStdString(), remoteDir.toStdString(),
                   request.localDir.toStdString());

    report(progress, 5, QStringLiteral("SSH 连接"), QStringLiteral("验证 root 与设备存图目录"));
    const QString verifyScript = RemoteImageScripts::verifyScript(remoteDir);
    ProcessResult verify =
        runProcess(tools.plinkPath, PuttyCommandLine::plink(target, passwordFile.path(), verifyScript),
                   DeviceImageExport::kVerifyTimeoutMs, cancelFlag);
    logRun("verify", verify);
    if (!verify.isClean() && !verify.cancelled) {
        const QString hostKey = learnableHostKey(verify);
        if (!hostKey.isEmpty()) {
            sshLog()->info("first contact with {}: accepting host key {} for this export",
                           target.host.toStdString(), hostKey.toStdString());
            target.hostKey = hostKey;
            verify = runProcess(tools.plinkPath, PuttyCommandLine::plink(target, passwordFile.path(), verifyScript),
                                DeviceImageExport::kVerifyTimeoutMs, cancelFlag);
            logRun("verify with host key", verify);
        }
    }
    if (cancelFlag.load() || verify.cancelled) {
        return cancelled("verify");
    }
    if (!verify.started || verify.timedOut ||
        !verify.standardOutput.contains(QLatin1String(RemoteImageScripts::kReadyMarker))) {
        return fail(error, describeProcessResult(verify, target.password));
    }
    QString countText;
    int count = 0;
    // Clearing after a count that is not a number could delete images that
    // were never downloaded.
    if (!RemoteImageScripts::readyCount(verify.standardOutput, countText, count)) {
        return fail(error, QStringLiteral("设备存图数量无法识别：%1").arg(countText.left(kCountTextShown)));
    }
    sshLog()->info("camera folder '{}' holds {} files", remoteDir.toStdString(), countText.toStdString());

    if (count >= 1) {
        if (cancelFlag.load()) {
            return cancelled("download");
        }
        report(progress, 25, QStringLiteral("导出存图"), QStringLiteral("正在下载 %1 中的设备存图").arg(countText));
        const ProcessResult download = runProcess(
            tools.pscpPath, PuttyCommandLine::pscp(target, passwordFile.path(), remoteDir, request.localDir),
            DeviceImageExport::kDownloadTimeoutMs, cancelFlag);
        logRun("download", download);
        if (download.cancelled) {
            return cancelled("download");
        }
        if (!download.isClean()) {
            return fail(error,
                        QStringLiteral("设备存图下载失败：%1").arg(describeProcessResult(download, target.password)));
        }
    }

    if (cancelFlag.load()) {
        return cancelled("clear");
    }
    report(progress, 80, QStringLiteral("清理设备存图"), QStringLiteral("导出完成后清空设备目录"));
    const ProcessResult clear = runProcess(
        tools.plinkPath,
        PuttyCommandLine::plink(target, passwordFile.path(), RemoteImageScripts::clearScript(remoteDir)),
        DeviceImageExport::kClearTimeoutMs, cancelFlag);
    logRun("clear", clear);
    if (clear.cancelled) {
        return cancelled("clear");
    }
    if (!clear.started || clear.timedOut ||
        !clear.standardOutput.contains(QLatin1String(RemoteImageScripts::kClearedMarker))) {
        return fail(error, QStringLiteral("设备存图已下载，但清空远程目录失败：%1")
                               .arg(describeProcessResult(clear, target.password)));
    }
    report(progress, 100, QStringLiteral("导出完成"), QStringLiteral("已导出 %1 个文件，设备目录已清空").arg(countText));
    sshLog()->info("image export done: {} files to '{}', camera folder cleared", countText.toStdString(),
                   request.localDir.toStdString());
    return kImageExportSucceeded;
}

}  // namespace hazard_desk
