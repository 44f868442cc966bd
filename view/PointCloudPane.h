#pragma once
// The point-cloud pane of the view grid: the 3D view (LightweightGlEngine)
// filling the pane, with the point-size control at the start of its toolbar.
// GUI thread.
#include "camera/ColorCloud.h"

#include <QWidget>

class QDoubleSpinBox;

namespace hazard_desk {

class LightweightGlEngine;

class PointCloudPane : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kLiveCloudName = "live_cloud";

    explicit PointCloudPane(QWidget* parent = nullptr);

    void updateLiveCloud(const corVane::ColorCloudPtr& cloud);
    void clearClouds();
    std::size_t pointCount() const { return pointCount_; }

    LightweightGlEngine* engine() const { return engine_; }
    QDoubleSpinBox* pointSizeSpin() const { return pointSizeSpin_; }

private:
    LightweightGlEngine* engine_ = nullptr;
    QDoubleSpinBox* pointSizeSpin_ = nullptr;
    std::size_t pointCount_ = 0;
};

}  // namespace hazard_desk
