#include "RecordButton.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

#include "ObstacleCameraWorker.h"

namespace hazard_desk {

RecordButton::RecordButton(QWidget* parent) : QPushButton(QStringLiteral("录制"), parent) {
    setObjectName(QStringLiteral("recordButton"));
    chooser_ = [](QWidget* owner) {
        return QFileDialog::getSaveFileName(owner, QStringLiteral("录制数据流"), suggestedPath(),
                                            QStringLiteral("MCAP 录制 (*.mcap)"));
    };
    connect(this, &QPushButton::clicked, this, &RecordButton::onClicked);
    refresh();
}

QString RecordButton::suggestedPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    return QDir(folder).filePath(
        QStringLiteral("hazard-desk-%1.mcap").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

void RecordButton::wire(ObstacleCameraWorker* worker) {
    const auto queued = Qt::QueuedConnection;
    connect(this, &RecordButton::startRecordingRequested, worker, &ObstacleCameraWorker::startRecording, queued);
    connect(this, &RecordButton::stopRecordingRequested, worker, &ObstacleCameraWorker::stopRecording, queued);
    connect(worker, &ObstacleCameraWorker::streamStateChanged, this, &RecordButton::onStreamStateChanged, queued);
    connect(worker, &ObstacleCameraWorker::recordingStateChanged, this, &RecordButton::onRecordingStateChanged, queued);
    connect(worker, &ObstacleCameraWorker::recordingProgress, this, &RecordButton::onRecordingProgress, queued);
}

void RecordButton::onClicked() {
    if (pending_ || !streaming_) {
        return;
    }
    if (recording_) {
        pending_ = true;
        refresh();
        emit stopRecordingRequested();
        return;
    }
    const QString path = chooser_ ? chooser_(window()) : QString();
    if (path.isEmpty()) {
        return;
    }
    pending_ = true;
    refresh();
    emit startRecordingRequested(path);
}

void RecordButton::onStreamStateChanged(bool streaming, QString /*message*/) {
    streaming_ = streaming;
    refresh();
}

void RecordButton::onRecordingStateChanged(bool recording, QString /*path*/, QString message, QVariantMap /*summary*/) {
    recording_ = recording;
    pending_ = false;
    setToolTip(message);
    refresh();
}

void RecordButton::onRecordingProgress(QVariantMap progress) {
    setToolTip(QStringLiteral("%1：%2 s，%3 帧，%4 MB")
                   .arg(progress.value(QStringLiteral("path")).toString())
                   .arg(progress.value(QStringLiteral("seconds")).toDouble(), 0, 'f', 1)
                   .arg(progress.value(QStringLiteral("frames")).toULongLong())
                   .arg(progress.value(QStringLiteral("bytes")).toDouble() / 1.0e6, 0, 'f', 1));
}

void RecordButton::refresh() {
    setText(recording_ ? QStringLiteral("停止录制") : QStringLiteral("录制"));
    setEnabled(streaming_ && !pending_);
}

}  // namespace hazard_desk
