#pragma once
// The window's file operations: the current frame as PNG images and a binary
// PCD cloud, the configuration draft as workstation JSON, a configuration
// imported from workstation or camera JSON, and the runtime log as text. Each
// runs at once on the GUI thread, asks through FileDialogs and reports in
// its boxes and the runtime log. Configuration and log files are replaced
// whole or not at all. GUI thread only.
#include "FileDialogs.h"

#include "camera/ColorCloud.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

class QByteArray;
class QListWidget;
class QWidget;

namespace hazard_desk {

class ParameterEditorController;
class ParameterPanel;

// The window's last frame as it is shown: the depth image with its zone
// colours, the cloud as the camera sent it.
struct ShownFrame {
    QImage rgb;
    QImage depth;
    QImage amplitude;
    corVane::ColorCloudPtr cloud;
};

class FileExchangeController : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kConfigurationFileName = "hazard-desk.json";
    static constexpr const char* kLogFileName = "hazard-desk.log";

    FileExchangeController(QWidget& window, ParameterEditorController& editor, ParameterPanel& panel,
                           QListWidget& runtimeLog, QObject* parent = nullptr);
    ~FileExchangeController() override;

    // Tests answer the dialogs in place of the user.
    void setDialogs(std::unique_ptr<FileDialogs> dialogs);

    void exportCurrentFrame(const ShownFrame& frame);
    // The draft, validated first: an invalid draft writes nothing.
    void exportConfiguration();
    // Draft and backup become the file's document; a file that does not
    // read leaves both as they were.
    void importConfiguration();
    void exportRuntimeLog();

signals:
    void logRequested(int level, QString message);

private:
    // Writes bytes to a temporary file beside path and renames it over path.
    static bool saveWhole(const QString& path, const QByteArray& bytes, bool textMode, QString* error);
    void reportImportFailure(const QString& fileName, const QString& reason);
    QString translate(const QString& text) const;

    QWidget& window_;
    ParameterEditorController& editor_;
    ParameterPanel& panel_;
    QListWidget& runtimeLog_;
    std::unique_ptr<FileDialogs> dialogs_;
};

}  // namespace hazard_desk
