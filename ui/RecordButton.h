#pragma once
// "录制" / "停止录制" in the command bar: records the live stream into an
// MCAP file through the camera worker. Usable only while streaming; between
// a request and the worker's answer it is disabled, like every command of the
// window. Lives on the GUI thread.
#include <QPushButton>
#include <QVariantMap>
#include <functional>

namespace hazard_desk {

class ObstacleCameraWorker;

class RecordButton : public QPushButton {
    Q_OBJECT
public:
    // Asks where to write a new recording; an empty answer cancels.
    using PathChooser = std::function<QString(QWidget* parent)>;

    explicit RecordButton(QWidget* parent = nullptr);

    // Queued connections both ways with the worker (the window calls this once).
    void wire(ObstacleCameraWorker* worker);
    void setPathChooser(PathChooser chooser) { chooser_ = std::move(chooser); }
    bool recording() const { return recording_; }

    // The file name offered first: the time of day in the user's documents folder.
    static QString suggestedPath();

signals:
    void startRecordingRequested(QString path);
    void stopRecordingRequested();

public slots:
    void onStreamStateChanged(bool streaming, QString message);
    void onRecordingStateChanged(bool recording, QString path, QString message, QVariantMap summary);
    void onRecordingProgress(QVariantMap progress);

private:
    void onClicked();
    void refresh();

    PathChooser chooser_;
    bool streaming_ = false;
    bool recording_ = false;
    bool pending_ = false;
};

}  // namespace hazard_desk
