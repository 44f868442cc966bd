#pragma once
// Downloads the images the camera saved and then empties its image folder,
// with plink and pscp as the camera's root user. Runs on the export thread;
// it shares only the cancel flag with the window.
#include <QString>

#include <atomic>
#include <functional>

#include "ImageExportRequest.h"

namespace hazard_desk {

class DeviceImageExport {
public:
    static constexpr int kVerifyTimeoutMs = 30000;
    static constexpr int kDownloadTimeoutMs = 1800000;
    static constexpr int kClearTimeoutMs = 900000;
};

// Progress (percent, title, detail) is called on the export thread; the
// texts are Chinese source texts for the window to translate.
using ImageExportProgress = std::function<void(int percent, const QString& title, const QString& detail)>;

// Returns an ImageExportOutcome; error receives the text of a failure (never
// the password). Nothing on the camera is cleared unless the download worked.
int exportDeviceImages(const ImageExportRequest& request, const std::atomic_bool& cancelFlag,
                       const ImageExportProgress& progress, QString* error);

// True for dotted-quad IPv4 text (each part 0..255, no leading signs).
bool isIpv4Address(const QString& host);

}  // namespace hazard_desk
