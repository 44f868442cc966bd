#include "ObstacleSceneOverlay.h"

#include "CameraFieldOfView.h"
#include "ClipSpaceProjector.h"
#include "LightweightGlEngine.h"
#include "RotationConversion.h"

#include <QPainter>
#include <QPen>
#include <QTimer>

#include <array>
#include <cmath>

namespace hazard_desk {
namespace {

const QColor kGridMajor(100, 133, 160, 150);
const QColor kGridMinor(75, 99, 120, 90);
const QColor kFieldOfView(65, 215, 255, 220);
const QColor kCameraBody(255, 200, 65);
const QColor kAxisX(255, 85, 85);
const QColor kAxisY(85, 235, 120);
const QColor kAxisZ(90, 160, 255);
const QColor kMarkerFill(255, 195, 45);
const QColor kMarkerText(255, 220, 110);
const QColor kLegend(170, 195, 215);
constexpr int kLegendLeft = 12;
constexpr int kLegendFirstFromBottom = 30;
constexpr int kLegendSecondFromBottom = 12;
constexpr double kLabelOffset = 6.0;
constexpr double kMarkerTextOffset = 12.0;

// Camera frame (x right, y down, z along the optical axis) to vehicle frame.
class CameraPose {
public:
    explicit CameraPose(const Extrinsics& e)
        : r_(rotationFromEulerDegrees(e.roll, e.pitch, e.yaw)), x_(e.x), y_(e.y), z_(e.z) {}
    QVector3D toVehicle(double cx, double cy, double cz) const {
        return QVector3D(static_cast<float>(r_[0] * cx + r_[1] * cy + r_[2] * cz + x_),
                         static_cast<float>(r_[3] * cx + r_[4] * cy + r_[5] * cz + y_),
                         static_cast<float>(r_[6] * cx + r_[7] * cy + r_[8] * cz + z_));
    }
    QVector3D position() const { return toVehicle(0.0, 0.0, 0.0); }

private:
    RotationMatrix r_;
    double x_, y_, z_;
};

void drawSegment(QPainter& painter, const ClipSpaceProjector& projector, const QVector3D& a, const QVector3D& b,
                 const QColor& color) {
    if (const std::optional<QLineF> line = projector.segment(a, b)) {
        painter.setPen(QPen(color, 1.0));
        painter.drawLine(*line);
    }
}

}  // namespace

ObstacleSceneOverlay::ObstacleSceneOverlay(LightweightGlEngine* view)
    : QWidget(view), view_(view), fovText_(FieldOfView().text) {
    setObjectName(QStringLiteral("obstacleSceneOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setStyleSheet(QStringLiteral("background:transparent;"));
    repaintTimer_ = new QTimer(this);
    repaintTimer_->setInterval(kRepaintIntervalMs);
    connect(repaintTimer_, &QTimer::timeout, this, &ObstacleSceneOverlay::followView);
    repaintTimer_->start();
    lower();   // under the view's toolbar and statistics line
    followView();
    show();    // also when the view is already on screen
}

void ObstacleSceneOverlay::setCameraInfo(int sdkDeviceType, double maxDepthMm) {
    maxDepthMm_ = std::isfinite(maxDepthMm) && maxDepthMm > 0.0 ? maxDepthMm : 0.0;
    const FieldOfView fov = CameraFieldOfView::ofDeviceType(sdkDeviceType);
    fovHorizontal_ = fov.horizontalDegrees;
    fovVertical_ = fov.verticalDegrees;
    fovText_ = fov.text;
    update();
}

void ObstacleSceneOverlay::setExtrinsics(const Extrinsics& extrinsics) {
    extrinsics_ = extrinsics;
    update();
}

void ObstacleSceneOverlay::setTranslator(Translator translator) {
    translator_ = std::move(translator);
    update();
}

QString ObstacleSceneOverlay::translate(const QString& text) const {
    return translator_ ? translator_(text) : text;
}

QStringList ObstacleSceneOverlay::legendLines() const {
    const QString range = maxDepthMm_ > 0.0
                              ? translate(QStringLiteral("SDK 最远距离：%1 m")).arg(maxDepthMm_ / 1000.0, 0, 'f', 3)
                              : translate(QStringLiteral("SDK 最远距离未获取"));
    return {translate(QStringLiteral("Z=0 | 网格 0.5 m | X 红 / Y 绿 / Z 蓝")),
            translate(fovText_) + QStringLiteral(" | ") + range};
}

void ObstacleSceneOverlay::followView() {
    if (view_ == nullptr) {
        return;
    }
    if (geometry() != view_->rect()) {
        setGeometry(view_->rect());
    }
    // Repainting a still scene 30 times a second would cost a software GL
    // window a third of a core for nothing.
    if (view_->viewProjection() != paintedViewProjection_ || size() != paintedSize_) {
        update();
    }
}

void ObstacleSceneOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (view_ != nullptr) {
        paintedViewProjection_ = view_->viewProjection();
        paintedSize_ = size();
        const ClipSpaceProjector projector(paintedViewProjection_, width(), height());
        drawGrid(painter, projector);
        drawFieldOfView(painter, projector);
        drawCameraBody(painter, projector);
        drawAxes(painter, projector);
        drawCameraMarker(painter, projector);
    }
    drawLegend(painter);
}

void ObstacleSceneOverlay::drawGrid(QPainter& painter, const ClipSpaceProjector& projector) const {
    const float extent = static_cast<float>(kGridSpacingMm * kGridHalfLines);
    for (int i = -kGridHalfLines; i <= kGridHalfLines; ++i) {
        const float at = static_cast<float>(kGridSpacingMm * i);
        const QColor& color = i % 2 == 0 ? kGridMajor : kGridMinor;
        drawSegment(painter, projector, {at, -extent, 0.0f}, {at, extent, 0.0f}, color);
        drawSegment(painter, projector, {-extent, at, 0.0f}, {extent, at, 0.0f}, color);
    }
}

void ObstacleSceneOverlay::drawFieldOfView(QPainter& painter, const ClipSpaceProjector& projector) const {
    if (!(maxDepthMm_ > 0.0 && fovHorizontal_ > 0.0)) {
        return;
    }
    const CameraPose pose(extrinsics_);
    const double d = maxDepthMm_;
    const double halfWidth = std::tan(fovHorizontal_ / 2.0 / kDegreesPerRadian) * d;
    const double halfHeight = std::tan(fovVertical_ / 2.0 / kDegreesPerRadian) * d;
    // Around the far rectangle: (-,-), (+,-), (+,+), (-,+).
    const std::array<QVector3D, 4> corners = {pose.toVehicle(-halfWidth, -halfHeight, d),
                                              pose.toVehicle(halfWidth, -halfHeight, d),
                                              pose.toVehicle(halfWidth, halfHeight, d),
                                              pose.toVehicle(-halfWidth, halfHeight, d)};
    const QVector3D origin = pose.position();
    for (std::size_t i = 0; i < corners.size(); ++i) {
        drawSegment(painter, projector, origin, corners[i], kFieldOfView);
        drawSegment(painter, projector, corners[i], corners[(i + 1) % corners.size()], kFieldOfView);
    }
}

void ObstacleSceneOverlay::drawCameraBody(QPainter& painter, const ClipSpaceProjector& projector) const {
    const CameraPose pose(extrinsics_);
    const double h[3] = {kBodyHalfWidthMm, kBodyHalfWidthMm, kBodyHalfDepthMm};
    auto corner = [&](int i) {   // bit 0: x, bit 1: y, bit 2: z
        return pose.toVehicle((i & 1) ? h[0] : -h[0], (i & 2) ? h[1] : -h[1], (i & 4) ? h[2] : -h[2]);
    };
    for (int i = 0; i < 8; ++i) {
        for (const int axisBit : {1, 2, 4}) {
            if ((i & axisBit) == 0) {
                drawSegment(painter, projector, corner(i), corner(i | axisBit), kCameraBody);
            }
        }
    }
}

void ObstacleSceneOverlay::drawAxes(QPainter& painter, const ClipSpaceProjector& projector) const {
    struct Axis {
        QVector3D tip;
        QColor color;
        const char* label;
    };
    const float length = static_cast<float>(kAxisLengthMm);
    const Axis axes[3] = {{{length, 0.0f, 0.0f}, kAxisX, "X"},
                          {{0.0f, length, 0.0f}, kAxisY, "Y"},
                          {{0.0f, 0.0f, length}, kAxisZ, "Z"}};
    for (const Axis& axis : axes) {
        drawSegment(painter, projector, QVector3D(), axis.tip, axis.color);
        if (const std::optional<QPointF> tip = projector.pointInFront(axis.tip)) {
            painter.setPen(axis.color);
            painter.drawText(*tip + QPointF(kLabelOffset, -kLabelOffset), QString::fromLatin1(axis.label));
        }
    }
}

void ObstacleSceneOverlay::drawCameraMarker(QPainter& painter, const ClipSpaceProjector& projector) const {
    const std::optional<QPointF> marker = projector.pointInFront(CameraPose(extrinsics_).position());
    if (!marker) {
        return;
    }
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(kMarkerFill);
    painter.drawEllipse(*marker, kMarkerRadius, kMarkerRadius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(kMarkerText);
    painter.drawText(*marker + QPointF(kMarkerTextOffset, -kMarkerTextOffset), translate(QStringLiteral("相机")));
}

void ObstacleSceneOverlay::drawLegend(QPainter& painter) const {
    const QStringList lines = legendLines();
    painter.setPen(kLegend);
    painter.drawText(kLegendLeft, height() - kLegendFirstFromBottom, lines.at(0));
    painter.drawText(kLegendLeft, height() - kLegendSecondFromBottom, lines.at(1));
}

}  // namespace hazard_desk
