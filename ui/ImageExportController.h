#pragma once
// The window's "导出存图" command: downloads the images the connected camera
// saved, over SSH as its root user, into a folder the engineer picks, then
// empties the camera's folder. Checks the administrator mode, the connection,
// the camera's address, the SSH tools and the stored root password first;
// shows the export's progress in a dialog whose "取消" stops it; reports the
// one outcome through the window's banner and runtime log. One export at a
// time: the window is busy (imageExportBusy) while it runs. Lives on the GUI
// thread; the export itself runs on the runner's thread.
#include "WindowState.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QProgressDialog;
class QWidget;

namespace hazard_desk {

class ImageExportRunner;

class ImageExportController : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 kSshPort = 22;
    static constexpr const char* kSshUser = "root";

    // Asks for the local folder; an empty answer cancels.
    using FolderChooser = std::function<QString(QWidget* parent)>;
    // The stored root password; empty when there is none (error says why
    // when the store could not be used).
    using PasswordSource = std::function<QString(QString* error)>;

    // The controller reads state and sets its imageExportBusy flag; window
    // parents the dialogs.
    ImageExportController(WindowState& state, QWidget& window, QObject* parent = nullptr);
    ~ImageExportController() override;

    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }
    void setPasswordSource(PasswordSource source) { readPassword_ = std::move(source); }

    bool running() const;
    // The progress dialog while an export runs, else null.
    QProgressDialog* progressDialog() const;

    // The command: checks, asks for the folder, starts the export.
    void requestExport();
    // Cancels a running export and waits for its thread (window shutdown).
    void cancelAndWait();
    // Re-shows the progress texts in the current language.
    void retranslate();

public slots:
    // The runner's reports, on the GUI thread; texts untranslated.
    void onProgressChanged(int percent, const QString& title, const QString& detail);
    void onFinished(int outcome, const QString& error, const QString& localDir);

signals:
    void feedbackRequested(QString text, bool isError, QString tooltip);
    void logRequested(int level, QString message);
    void commandStatesChanged();

private:
    void refuse(const QString& text, const QString& tooltip = QString());
    void showProgressDialog();
    void closeProgressDialog();
    void showProgressText();
    QString translate(const QString& text) const;

    WindowState& state_;
    QWidget& window_;
    ImageExportRunner* runner_ = nullptr;
    QPointer<QProgressDialog> progress_;
    FolderChooser chooseFolder_;
    PasswordSource readPassword_;
    // The last progress texts, untranslated, so a language change can re-show them.
    QString progressTitle_;
    QString progressDetail_;
    bool cancelling_ = false;
};

}  // namespace hazard_desk
