#include "ExtrinsicsEditor.h"

#include "EditorWidgets.h"

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace hazard_desk {
namespace {

using namespace editor_widgets;

constexpr double kAngleLimitDegrees = 180.0;
constexpr double kFullTurnDegrees = 360.0;

}  // namespace

ExtrinsicsEditor::ExtrinsicsEditor(QWidget* parent) : QGroupBox(QStringLiteral("相机外参（车体坐标系）"), parent) {
    setObjectName(QStringLiteral("extrinsicsGroup"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setObjectName(QStringLiteral("extrinsicsGridLayout"));
    struct SpinSpec {
        const char* name;
        const char* label;
        double limit;
        double value;
        QDoubleSpinBox** field;
    };
    const SpinSpec specs[6] = {{"extrinsicXSpin", "X / mm", kCoordinateLimitMm, 0, &x_},
                               {"extrinsicRollSpin", "Roll / °", kAngleLimitDegrees, 90, &roll_},
                               {"extrinsicYSpin", "Y / mm", kCoordinateLimitMm, 0, &y_},
                               {"extrinsicPitchSpin", "Pitch / °", kAngleLimitDegrees, -180, &pitch_},
                               {"extrinsicZSpin", "Z / mm", kCoordinateLimitMm, 50, &z_},
                               {"extrinsicYawSpin", "Yaw / °", kAngleLimitDegrees, 90, &yaw_}};
    for (int i = 0; i < 6; ++i) {
        const QString text = QString::fromUtf8(specs[i].label);
        QDoubleSpinBox* box = spin(this, specs[i].name, -specs[i].limit, specs[i].limit, specs[i].value);
        box->setAccessibleName(text);
        *specs[i].field = box;
        spins_.append(box);
        auto* rowLabel = new QLabel(text, this);
        rowLabel->setBuddy(box);
        grid->addWidget(rowLabel, i / 2, (i % 2) * 2);
        grid->addWidget(box, i / 2, (i % 2) * 2 + 1);
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &ExtrinsicsEditor::edited);
    }
    layout->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    groundCalibrationButton_ = button(this, "groundCalibrationButton", QStringLiteral("地面标定"));
    resetButton_ = button(this, "resetExtrinsicsButton", QStringLiteral("重置外参"));
    buttons->addWidget(groundCalibrationButton_);
    buttons->addWidget(resetButton_);
    layout->addLayout(buttons);
}

void ExtrinsicsEditor::showPose(const Extrinsics& pose) {
    x_->setValue(pose.x);
    y_->setValue(pose.y);
    z_->setValue(pose.z);
    roll_->setValue(std::remainder(pose.roll, kFullTurnDegrees));
    pitch_->setValue(std::remainder(pose.pitch, kFullTurnDegrees));
    yaw_->setValue(pose.yaw);
}

Extrinsics ExtrinsicsEditor::pose() const {
    Extrinsics pose;
    pose.roll = roll_->value();
    pose.pitch = pitch_->value();
    pose.yaw = yaw_->value();
    pose.x = x_->value();
    pose.y = y_->value();
    pose.z = z_->value();
    return pose;
}

void ExtrinsicsEditor::showCalibratedPose(double z, double roll, double pitch) {
    z_->setValue(z);
    roll_->setValue(roll);
    pitch_->setValue(pitch);
}

void ExtrinsicsEditor::addInformationRows() {
    auto* layout = qobject_cast<QVBoxLayout*>(this->layout());
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(QStringLiteral("SDK 最远距离"), this));
    rangeRow->addWidget(label(this, "sdkMaxDepthValue", QStringLiteral("SDK 最远距离未获取")), 1);
    layout->addLayout(rangeRow);
    auto* fov = label(this, "cameraFovValue", QStringLiteral("--"));
    fov->setWordWrap(true);
    layout->addWidget(fov);
    auto* hint = new QLabel(QStringLiteral("使用 ZAVOV 地面标定：先调平坐标系，结果写入草稿"), this);
    hint->setWordWrap(true);
    hint->setStyleSheet(QStringLiteral("color:#94a3b8;"));
    layout->addWidget(hint);
}

}  // namespace hazard_desk
