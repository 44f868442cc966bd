#pragma once
// The 2D layer over the 3D view: ground grid, vehicle axes, camera body and
// marker, the camera's field of view up to the SDK's maximum distance and two
// lines of legend, drawn with the view's own camera matrix so they sit on
// the clouds the view draws. Vehicle frame (X forward, Y lateral, Z up), mm.
// A transparent child of the view that lets the mouse through; GUI thread.
// It repaints with the view, and between the view's repaints whenever the
// view's camera or size has changed since it last painted.
#include "Extrinsics.h"

#include <QColor>
#include <QMatrix4x4>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QPainter;
class QTimer;

namespace hazard_desk {

class ClipSpaceProjector;
class LightweightGlEngine;

class ObstacleSceneOverlay : public QWidget {
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString&)>;

    static constexpr int kRepaintIntervalMs = 33;
    static constexpr double kGridSpacingMm = 500.0;
    static constexpr int kGridHalfLines = 10;
    static constexpr double kAxisLengthMm = 2000.0;
    // The camera body: 65 mm either side along the optical axis, 100 mm
    // either side across it.
    static constexpr double kBodyHalfDepthMm = 65.0;
    static constexpr double kBodyHalfWidthMm = 100.0;
    static constexpr double kMarkerRadius = 7.0;

    explicit ObstacleSceneOverlay(LightweightGlEngine* view);

    // On connection: the SDK's maximum distance (kept when finite and > 0,
    // else unknown) and the field of view of the device type.
    void setCameraInfo(int sdkDeviceType, double maxDepthMm);
    void setExtrinsics(const Extrinsics& extrinsics);

    const Extrinsics& extrinsics() const { return extrinsics_; }
    double maxDepthMm() const { return maxDepthMm_; }
    double fovHorizontal() const { return fovHorizontal_; }
    double fovVertical() const { return fovVertical_; }
    // Untranslated, for the window's field-of-view row.
    const QString& fovText() const { return fovText_; }
    // The two legend lines as painted (translated).
    QStringList legendLines() const;

    void setTranslator(Translator translator);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void followView();
    QString translate(const QString& text) const;
    void drawGrid(QPainter& painter, const ClipSpaceProjector& projector) const;
    void drawFieldOfView(QPainter& painter, const ClipSpaceProjector& projector) const;
    void drawCameraBody(QPainter& painter, const ClipSpaceProjector& projector) const;
    void drawAxes(QPainter& painter, const ClipSpaceProjector& projector) const;
    void drawCameraMarker(QPainter& painter, const ClipSpaceProjector& projector) const;
    void drawLegend(QPainter& painter) const;

    LightweightGlEngine* view_;
    Extrinsics extrinsics_;
    double maxDepthMm_ = 0.0;
    double fovHorizontal_ = 0.0;
    double fovVertical_ = 0.0;
    QString fovText_;
    Translator translator_;
    QTimer* repaintTimer_ = nullptr;
    QMatrix4x4 paintedViewProjection_;
    QSize paintedSize_;
};

}  // namespace hazard_desk
