#include "FileExchangeController.h"

#include "LanguageManager.h"
#include "MatFromImage.h"
#include "ParameterEditorController.h"
#include "ParameterPanel.h"
#include "PlatformFileDialogs.h"
#include "ValidationDisplay.h"

#include "ConfigurationFileReader.h"
#include "ParameterValidationError.h"
#include "WorkstationJsonWriter.h"
#include "camera/FrameFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSaveFile>

#include <string_view>

namespace hazard_desk {
namespace {

const QString kFrameTitle = QStringLiteral("导出当前帧");
const QString kExportConfigurationTitle = QStringLiteral("导出配置");
const QString kImportConfigurationTitle = QStringLiteral("导入配置");
const QString kExportLogTitle = QStringLiteral("导出日志");

}  // namespace

FileExchangeController::FileExchangeController(QWidget& window, ParameterEditorController& editor,
                                               ParameterPanel& panel, QListWidget& runtimeLog, QObject* parent)
    : QObject(parent),
      window_(window),
      editor_(editor),
      panel_(panel),
      runtimeLog_(runtimeLog),
      dialogs_(std::make_unique<PlatformFileDialogs>()) {}

FileExchangeController::~FileExchangeController() = default;

void FileExchangeController::setDialogs(std::unique_ptr<FileDialogs> dialogs) {
    dialogs_ = std::move(dialogs);
}

QString FileExchangeController::translate(const QString& text) const {
    return LanguageManager::instance().localizeMessage(text);
}

void FileExchangeController::exportCurrentFrame(const ShownFrame& frame) {
    const bool hasPoints = frame.cloud && !frame.cloud->empty();
    if (frame.rgb.isNull() && frame.depth.isNull() && frame.amplitude.isNull() && !hasPoints) {
        dialogs_->information(&window_, translate(kFrameTitle), translate(QStringLiteral("尚未收到实时帧")));
        return;
    }
    const QString folder = dialogs_->existingDirectory(&window_, translate(QStringLiteral("选择帧导出目录")));
    if (folder.isEmpty()) {
        return;
    }
    const algPlatform::FrameFileWriter::Files files{{{"rgb", matFromImage(frame.rgb)},
                                                     {"depth", matFromImage(frame.depth)},
                                                     {"amplitude", matFromImage(frame.amplitude)}},
                                                    frame.cloud};
    const algPlatform::FrameFileWriter::Result result =
        algPlatform::FrameFileWriter::write(files, folder.toStdString(), algPlatform::FrameFileWriter::stampNow());
    if (!result.ok) {
        const QString failure = QStringLiteral("当前帧导出失败：%1");
        const QString reason = QString::fromStdString(result.error);
        emit logRequested(2, failure.arg(reason));
        dialogs_->warning(&window_, translate(kFrameTitle), translate(failure).arg(reason));
        return;
    }
    emit logRequested(0, QStringLiteral("当前帧已导出到：%1").arg(QDir::toNativeSeparators(folder)));
}

void FileExchangeController::exportConfiguration() {
    editor_.collectDraftFromEditor();
    QString issues;
    if (!editor_.validateDraft(&issues)) {
        dialogs_->warning(&window_, translate(kExportConfigurationTitle), translate(issues));
        return;
    }
    const QString path = dialogs_->saveFileName(&window_, translate(QStringLiteral("导出避障工作站配置")),
                                                QString::fromLatin1(kConfigurationFileName),
                                                QStringLiteral("JSON (*.json)"));
    if (path.isEmpty()) {
        return;
    }
    const QByteArray text = QByteArray::fromStdString(dumpWorkstationDocument(editor_.draft(), 2));
    QString error;
    if (!saveWhole(path, text, false, &error)) {
        emit logRequested(2, QStringLiteral("配置导出失败：%1（%2）").arg(QDir::toNativeSeparators(path), error));
        dialogs_->warning(&window_, translate(kExportConfigurationTitle), error);
        return;
    }
    emit logRequested(0, QStringLiteral("配置已导出：%1").arg(QDir::toNativeSeparators(path)));
}

void FileExchangeController::importConfiguration() {
    const QString path = dialogs_->openFileName(&window_, translate(QStringLiteral("导入避障配置")),
                                                QStringLiteral("JSON (*.json);;All files (*.*)"));
    if (path.isEmpty()) {
        return;
    }
    const QString fileName = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportImportFailure(fileName, file.errorString());
        return;
    }
    const QByteArray bytes = file.readAll();
    const AlgorithmVersion generation =
        panel_.selectedAlgorithmMode() == 1 ? AlgorithmVersion::V1 : AlgorithmVersion::V2;
    std::optional<ConfigurationFile> imported;
    try {
        imported = readConfigurationFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                                         generation);
    } catch (const ParameterValidationError& error) {
        reportImportFailure(fileName, ValidationDisplay::issueLines(error.issues()));
        return;
    }
    if (!imported) {
        reportImportFailure(fileName, QStringLiteral("文件不是有效 JSON 对象"));
        return;
    }
    editor_.loadDocument(imported->document);
    panel_.parameterJsonEdit()->setPlainText(QString::fromUtf8(bytes));
    emit logRequested(0, QStringLiteral("已导入配置：%1").arg(fileName));
}

void FileExchangeController::reportImportFailure(const QString& fileName, const QString& reason) {
    emit logRequested(2, QStringLiteral("配置导入失败：%1（%2）").arg(fileName, reason));
    dialogs_->warning(&window_, translate(kImportConfigurationTitle), translate(reason));
}

void FileExchangeController::exportRuntimeLog() {
    const QString path = dialogs_->saveFileName(&window_, translate(QStringLiteral("导出运行日志")),
                                                QString::fromLatin1(kLogFileName),
                                                QStringLiteral("Log (*.log *.txt)"));
    if (path.isEmpty()) {
        return;
    }
    QByteArray text;
    for (int row = 0; row < runtimeLog_.count(); ++row) {
        text += runtimeLog_.item(row)->text().toUtf8();
        text += '\n';
    }
    QString error;
    if (!saveWhole(path, text, true, &error)) {
        emit logRequested(2, QStringLiteral("日志导出失败：%1（%2）").arg(QDir::toNativeSeparators(path), error));
        dialogs_->warning(&window_, translate(kExportLogTitle), error);
    }
}

bool FileExchangeController::saveWhole(const QString& path, const QByteArray& bytes, bool textMode, QString* error) {
    QSaveFile file(path);
    const QIODevice::OpenMode mode = textMode ? QIODevice::WriteOnly | QIODevice::Text : QIODevice::WriteOnly;
    if (!file.open(mode)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace hazard_desk
