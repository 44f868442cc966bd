#pragma once
// The right panel: the parameter editor's groups inside a scroll area and the
// "保存并下发" button. It builds and owns its widgets; the window decides when
// they are enabled (command states) and what the document holds.
#include "camera/CameraCapabilities.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QStackedWidget;

namespace hazard_desk {

class ParameterPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLayoutWidth = 330;
    static constexpr int kMaximumWidth = 520;

    explicit ParameterPanel(QWidget* parent = nullptr);

    QScrollArea* scrollArea() const { return scrollArea_; }
    QPushButton* applyCurrentButton() const { return applyCurrentButton_; }
    QPushButton* switchAlgorithmButton() const { return switchAlgorithmButton_; }
    QComboBox* algorithmVersionCombo() const { return algorithmVersionCombo_; }
    QLabel* algorithmBuildLabel() const { return algorithmBuildLabel_; }
    QLabel* templateModeStatusLabel() const { return templateModeStatusLabel_; }
    QPushButton* readDeviceButton() const { return readDeviceButton_; }
    QSpinBox* templateIndexSpin() const { return templateIndexSpin_; }
    QPushButton* switchTemplateButton() const { return switchTemplateButton_; }
    QComboBox* ioHardwareModeCombo() const { return ioHardwareModeCombo_; }
    QPushButton* importJsonButton() const { return importJsonButton_; }
    QPushButton* editingModeSwitch() const { return editingModeSwitch_; }
    QComboBox* zoneTypeCombo() const { return zoneTypeCombo_; }
    QGroupBox* rectangleParametersGroup() const { return rectangleGroup_; }
    QGroupBox* sectorParametersGroup() const { return sectorGroup_; }
    QGroupBox* v2AdvancedGroup() const { return v2AdvancedGroup_; }
    QGroupBox* groundHoleGroup() const { return groundHoleGroup_; }
    QGroupBox* imageSavingGroup() const { return imageSavingGroup_; }
    QPushButton* restoreDefaultsButton() const { return restoreDefaultsButton_; }
    QPushButton* resetExtrinsicsButton() const { return resetExtrinsicsButton_; }
    QCheckBox* debugCheck() const { return debugCheck_; }
    QPushButton* exportAvoidanceImagesButton() const { return exportAvoidanceImagesButton_; }
    QPushButton* groundCalibrationButton() const { return groundCalibrationButton_; }
    QPlainTextEdit* parameterJsonEdit() const { return parameterJsonEdit_; }
    const QList<QDoubleSpinBox*>& extrinsicSpins() const { return extrinsicSpins_; }

    // Hides the sector sampling-accuracy row and the sector notify-radius row
    // (the notify spin box is also disabled and explains why).
    void hideSectorExtras();
    // The three information rows under the extrinsics grid.
    void addExtrinsicsInfoRows();
    // Fills the algorithm combo with the generations the camera offers,
    // keeping the previous choice when still offered. Returns the selected mode.
    int populateAlgorithmCombo(const algPlatform::CapabilityProfile& profile, int deviceType, int preferredMode);
    // Item data of the selected algorithm entry, 0 when none.
    int selectedAlgorithmMode() const;
    void updateAdvancedVisibility(bool adminMode);

private:
    QWidget* buildContent();
    QGroupBox* buildIoModeGroup(QWidget* parent);
    QGroupBox* buildHeaderGroup(QWidget* parent);
    QWidget* buildZoneStack(QWidget* parent);
    QGroupBox* buildExtrinsicsGroup(QWidget* parent);
    QGroupBox* buildV2AdvancedGroup(QWidget* parent);
    QGroupBox* buildImageSavingGroup(QWidget* parent);
    QGroupBox* buildGroundHoleGroup(QWidget* parent);
    QGroupBox* buildJsonGroup(QWidget* parent);

    QScrollArea* scrollArea_ = nullptr;
    QPushButton* applyCurrentButton_ = nullptr;
    QPushButton* switchAlgorithmButton_ = nullptr;
    QComboBox* algorithmVersionCombo_ = nullptr;
    QLabel* algorithmBuildLabel_ = nullptr;
    QLabel* templateModeStatusLabel_ = nullptr;
    QPushButton* readDeviceButton_ = nullptr;
    QSpinBox* templateIndexSpin_ = nullptr;
    QPushButton* switchTemplateButton_ = nullptr;
    QComboBox* ioHardwareModeCombo_ = nullptr;
    QGroupBox* ioModeGroup_ = nullptr;
    QPushButton* importJsonButton_ = nullptr;
    QPushButton* editingModeSwitch_ = nullptr;
    QComboBox* zoneTypeCombo_ = nullptr;
    QGroupBox* rectangleGroup_ = nullptr;
    QGroupBox* sectorGroup_ = nullptr;
    QGroupBox* extrinsicsGroup_ = nullptr;
    QGroupBox* v2AdvancedGroup_ = nullptr;
    QGroupBox* groundHoleGroup_ = nullptr;
    QGroupBox* imageSavingGroup_ = nullptr;
    QPushButton* restoreDefaultsButton_ = nullptr;
    QPushButton* resetExtrinsicsButton_ = nullptr;
    QCheckBox* debugCheck_ = nullptr;
    QPushButton* exportAvoidanceImagesButton_ = nullptr;
    QPushButton* groundCalibrationButton_ = nullptr;
    QPlainTextEdit* parameterJsonEdit_ = nullptr;
    QList<QDoubleSpinBox*> extrinsicSpins_;
    QList<QWidget*> v2AdminOnly_;
    QList<QWidget*> v2Only_;
};

}  // namespace hazard_desk
