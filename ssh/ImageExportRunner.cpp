#include "ImageExportRunner.h"

#include <QMetaObject>

#include "DeviceImageExport.h"

namespace hazard_desk {

ImageExportRunner::ImageExportRunner(QObject* parent) : QObject(parent) {}

ImageExportRunner::~ImageExportRunner()
{
    cancelAndWait();
}

bool ImageExportRunner::start(const ImageExportRequest& request)
{
    if (running_) {
        return false;
    }
    // The previous thread has already reported; wait for it to end.
    joinThread();
    running_ = true;
    cancelFlag_ = false;
    // Calls queued to this object run on its thread; the destructor joins
    // the export thread first, so this outlives every call made here.
    thread_ = std::thread([this, request] {
        auto progress = [this](int percent, const QString& title, const QString& detail) {
            QMetaObject::invokeMethod(
                this, [this, percent, title, detail] { emit progressChanged(percent, title, detail); },
                Qt::QueuedConnection);
        };
        QString error;
        const int outcome = exportDeviceImages(request, cancelFlag_, progress, &error);
        QMetaObject::invokeMethod(
            this,
            [this, outcome, error, localDir = request.localDir] {
                running_ = false;
                emit finished(outcome, error, localDir);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void ImageExportRunner::cancel()
{
    cancelFlag_ = true;
}

void ImageExportRunner::cancelAndWait()
{
    cancelFlag_ = true;
    joinThread();
}

void ImageExportRunner::joinThread()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace hazard_desk
