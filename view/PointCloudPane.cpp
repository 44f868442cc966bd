#include "PointCloudPane.h"

#include "LightweightGlEngine.h"
#include "PointCloudToolbar.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace hazard_desk {
namespace {

constexpr double kPointSizeMinimum = 1.0;
constexpr double kPointSizeRangeMaximum = 10.0;
constexpr double kPointSizeMaximum = 5.0;
constexpr double kPointSizeStep = 0.5;
constexpr double kPointSizeInitial = 2.0;

}  // namespace

PointCloudPane::PointCloudPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    engine_ = new LightweightGlEngine(this);
    layout->addWidget(engine_);

    QHBoxLayout* toolbarLayout = engine_->toolbar()->buttonLayout();
    auto* pointSizeLabel = new QLabel(QStringLiteral("点大小"), engine_->toolbar());
    pointSizeSpin_ = new QDoubleSpinBox(engine_->toolbar());
    pointSizeSpin_->setObjectName(QStringLiteral("pointCloudPointSize"));
    pointSizeSpin_->setRange(kPointSizeMinimum, kPointSizeRangeMaximum);
    pointSizeSpin_->setMaximum(kPointSizeMaximum);
    pointSizeSpin_->setDecimals(1);
    pointSizeSpin_->setSingleStep(kPointSizeStep);
    pointSizeSpin_->setValue(kPointSizeInitial);
    pointSizeSpin_->setKeyboardTracking(false);
    toolbarLayout->insertWidget(0, pointSizeLabel);
    toolbarLayout->insertWidget(1, pointSizeSpin_);
    toolbarLayout->setSpacing(PointCloudToolbar::kSpacing);
    connect(pointSizeSpin_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), engine_,
            [this](double value) { engine_->setPointSize(static_cast<float>(value)); });
    engine_->setPointSize(static_cast<float>(kPointSizeInitial));
    engine_->toolbar()->adjustSize();
}

void PointCloudPane::updateLiveCloud(const corVane::ColorCloudPtr& cloud) {
    pointCount_ = cloud ? cloud->size() : 0;
    engine_->updateCloud(cloud, kLiveCloudName);
}

void PointCloudPane::clearClouds() {
    pointCount_ = 0;
    engine_->clearClouds();
}

}  // namespace hazard_desk
