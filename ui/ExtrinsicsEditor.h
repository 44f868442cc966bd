#pragma once
// "extrinsicsGroup": the camera's mounting pose shared by all templates, six
// spin boxes in a 3 × 4 grid, the ground-calibration and reset buttons and the
// information rows the window fills. Lives on the GUI thread.
#include "Extrinsics.h"

#include <QGroupBox>
#include <QList>

class QDoubleSpinBox;
class QPushButton;

namespace hazard_desk {

class ExtrinsicsEditor : public QGroupBox {
    Q_OBJECT
public:
    explicit ExtrinsicsEditor(QWidget* parent = nullptr);

    // x, roll, y, pitch, z, yaw: the grid's reading order.
    const QList<QDoubleSpinBox*>& spins() const { return spins_; }
    QPushButton* groundCalibrationButton() const { return groundCalibrationButton_; }
    QPushButton* resetButton() const { return resetButton_; }

    // Roll and pitch are shown as the IEEE remainder of the value by 360, so
    // a roll of 450 shows 90 and a pitch of -180 stays -180.
    void showPose(const Extrinsics& pose);
    Extrinsics pose() const;
    // Calibration changes only the height and the two tilt angles.
    void showCalibratedPose(double z, double roll, double pitch);

    // The rows under the grid: the camera's range, its field of view and the
    // calibration hint.
    void addInformationRows();

signals:
    void edited();

private:
    QDoubleSpinBox* x_ = nullptr;
    QDoubleSpinBox* y_ = nullptr;
    QDoubleSpinBox* z_ = nullptr;
    QDoubleSpinBox* roll_ = nullptr;
    QDoubleSpinBox* pitch_ = nullptr;
    QDoubleSpinBox* yaw_ = nullptr;
    QList<QDoubleSpinBox*> spins_;
    QPushButton* groundCalibrationButton_ = nullptr;
    QPushButton* resetButton_ = nullptr;
};

}  // namespace hazard_desk
