#include "V1MaskFileWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include "ObstacleCameraBridge.h"
#include "WorkstationDocument.h"
#include "geometry/CameraRays.h"
#include "geometry/ZoneMasks.h"

namespace hazard_desk {

namespace {

// The options the camera's V1 masks are made with.
zavov::MaskOptions applyMaskOptions()
{
    zavov::MaskOptions options;
    options.sectorAngularStepDeg = 1.0;
    options.triangleEpsilon = 1e-5;
    options.singleSurfaceGuard = true;
    return options;
}

bool writeImage(const QString& path, const cv::Mat& image)
{
    try {
        return cv::imwrite(QFile::encodeName(path).toStdString(), image);
    } catch (const cv::Exception&) {
        return false;   // an encoder that throws has not written the file either
    }
}

}  // namespace

V1MaskFileWriter::V1MaskFileWriter() = default;

V1MaskFileWriter::~V1MaskFileWriter() = default;

QString V1MaskFileWriter::directory() const
{
    return directory_ ? directory_->path() : QString();
}

bool V1MaskFileWriter::write(ObstacleCameraBridge& camera, const WorkstationDocument& document, int templateIndex)
{
    files_.clear();
    enter(kStageRays);
    const zavov::CameraRays rays = zavov::generateCameraRays(camera);
    if (!rays.ok()) {
        return fail(QString::fromStdString(rays.error));
    }

    enter(kStageDirectory);
    directory_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QLatin1String(kDirectoryPattern));
    if (!directory_->isValid()) {
        directory_.reset();
        return fail(QStringLiteral("无法创建独立临时目录"));
    }

    enter(kStageMasks);
    const zavov::TemplateMasks masks = zavov::generateTemplateMasks(
        rays.rays, document.extrinsics, document.templates.at(static_cast<std::size_t>(templateIndex)),
        applyMaskOptions());
    if (!masks.ok()) {
        return fail(QStringLiteral("模板 %1：%2").arg(QString::number(templateIndex), QString::fromStdString(masks.error)));
    }

    enter(kStageSave);
    const QDir into(directory_->path());
    for (const zavov::MaskImage& mask : zavov::presentMaskImages(masks)) {
        const QString path = into.filePath(QString::fromStdString(zavov::maskFileName(mask.kind, templateIndex)));
        if (mask.image.empty() || mask.image.type() != CV_16UC1) {
            return fail(QStringLiteral("掩码为空或不是 CV_16UC1：%1").arg(path));
        }
        if (!writeImage(path, mask.image)) {
            return fail(QStringLiteral("写入掩码失败：%1").arg(path));
        }
        files_ << path;
    }
    return true;
}

void V1MaskFileWriter::enter(const char* stage)
{
    stage_ = QString::fromUtf8(stage);
}

bool V1MaskFileWriter::fail(const QString& message)
{
    message_ = message;
    files_.clear();
    return false;
}

}  // namespace hazard_desk
