#pragma once
// Runs one image export at a time on a thread of its own and reports back on
// the thread that owns this object (the window's) through its signals. The
// export shares only the cancel flag with that thread. Lives on the window's
// thread; destroying it cancels a running export and waits for its thread.
#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

#include "ImageExportRequest.h"

namespace hazard_desk {

class ImageExportRunner : public QObject {
    Q_OBJECT
public:
    explicit ImageExportRunner(QObject* parent = nullptr);
    ~ImageExportRunner() override;

    bool running() const { return running_; }

    // Starts an export with a copy of request; false while one is running.
    bool start(const ImageExportRequest& request);

    // Asks the running export to stop; it then finishes with outcome 2.
    void cancel();

    // Cancels and waits for the export thread (shutdown).
    void cancelAndWait();

signals:
    // Texts are untranslated source texts.
    void progressChanged(int percent, const QString& title, const QString& detail);
    void finished(int outcome, const QString& error, const QString& localDir);

private:
    void joinThread();

    std::atomic_bool cancelFlag_{false};
    std::thread thread_;
    bool running_ = false;
};

}  // namespace hazard_desk
