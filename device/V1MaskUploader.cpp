#include "V1MaskUploader.h"

#include <QByteArray>
#include <QLibrary>
#include <mutex>
#include <vector>

#include "FormatSdkError.h"
#include "ZrCameraApi.h"

namespace hazard_desk {

namespace {

struct SdkLibrary {
    std::mutex mutex;
    QLibrary library{QString::fromLatin1(V1MaskUploader::kLibraryName)};
};

SdkLibrary& sdkLibrary()
{
    static SdkLibrary instance;
    return instance;
}

void setError(QString* error, const QString& text)
{
    if (error != nullptr) {
        *error = text;
    }
}

}  // namespace

bool V1MaskUploader::upload(std::uint64_t handle, const QStringList& files, QString* error)
{
    if (files.isEmpty()) {
        setError(error, QStringLiteral("没有可上传的 V1 掩码文件"));
        return false;
    }
    DcUpLoadFilesFn uploadFiles = nullptr;
    {
        SdkLibrary& sdk = sdkLibrary();
        std::lock_guard<std::mutex> lock(sdk.mutex);
        if (!sdk.library.isLoaded() && !sdk.library.load()) {
            setError(error, QStringLiteral("无法加载 ZrCameraApi：%1").arg(sdk.library.errorString()));
            return false;
        }
        uploadFiles = reinterpret_cast<DcUpLoadFilesFn>(sdk.library.resolve(kUploadSymbol));
    }
    if (uploadFiles == nullptr) {
        setError(error, QStringLiteral("当前 ZrCameraApi 未导出 DcUpLoadFiles，无法下发 V1 掩码"));
        return false;
    }
    std::vector<QByteArray> narrow;
    narrow.reserve(static_cast<std::size_t>(files.size()));
    for (const QString& file : files) {
        narrow.push_back(file.toUtf8());
    }
    std::vector<const char*> paths;
    paths.reserve(narrow.size());
    for (const QByteArray& path : narrow) {
        paths.push_back(path.constData());
    }
    const ZrFileList list{paths.data(), static_cast<std::int32_t>(paths.size())};
    const std::int32_t status = uploadFiles(handle, &list, kUploadFlags);
    if (status != ZR_STATUS_OK) {
        setError(error, formatSdkError(QStringLiteral("上传 V1 避障掩码"), status));
        return false;
    }
    return true;
}

}  // namespace hazard_desk
