#pragma once
// Uploads V1 zone-mask files through the SDK's DcUpLoadFiles, looked up at
// run time: SDK builds without the upload export still load and connect.
// The one library object is process-wide, created on first use; any thread.
#include <QString>
#include <QStringList>
#include <cstdint>

namespace hazard_desk {

class V1MaskUploader {
public:
    static constexpr const char* kLibraryName = "ZrCameraApi";
    static constexpr const char* kUploadSymbol = "DcUpLoadFiles";
    static constexpr std::int32_t kUploadFlags = 4;

    // Uploads files (local paths) to the camera of handle. On failure returns
    // false and, when error is given, stores the reason.
    static bool upload(std::uint64_t handle, const QStringList& files, QString* error);
};

}  // namespace hazard_desk
