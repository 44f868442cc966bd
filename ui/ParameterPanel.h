#pragma once
// The right panel: the parameter editor's groups inside a scroll area and the
// "保存并下发" button. It builds and owns its widgets, the geometry, pose and
// option groups as editors of their own; the window decides when they are
// enabled (command states) and the editor controller what they show.
#include "camera/CameraCapabilities.h"

#include <QList>
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

namespace hazard_desk {

class ExtrinsicsEditor;
class OptionsEditor;
class ZoneGeometryEditor;

class ParameterPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLayoutWidth = 330;
    static constexpr int kMaximumWidth = 520;

    explicit ParameterPanel(QWidget* parent = nullptr);

    QScrollArea* scrollArea() const { return scrollArea_; }
    ZoneGeometryEditor* geometryEditor() const { return geometry_; }
    ExtrinsicsEditor* extrinsicsEditor() const { return extrinsics_; }
    OptionsEditor* optionsEditor() const { return options_; }

    QPushButton* applyCurrentButton() const { return applyCurrentButton_; }
    QPushButton* switchAlgorithmButton() const { return switchAlgorithmButton_; }
    QComboBox* algorithmVersionCombo() const { return algorithmVersionCombo_; }
    QLabel* algorithmBuildLabel() const { return algorithmBuildLabel_; }
    QLabel* dirtyStateLabel() const { return dirtyStateLabel_; }
    QLabel* editingLockHint() const { return editingLockHint_; }
    QLabel* templateModeStatusLabel() const { return templateModeStatusLabel_; }
    QLabel* zoneTypeLabel() const { return zoneTypeLabel_; }
    QLabel* jsonValidationLabel() const { return jsonValidationLabel_; }
    QPushButton* readDeviceButton() const { return readDeviceButton_; }
    QSpinBox* templateIndexSpin() const { return templateIndexSpin_; }
    QPushButton* switchTemplateButton() const { return switchTemplateButton_; }
    QComboBox* ioHardwareModeCombo() const { return ioHardwareModeCombo_; }
    QPushButton* importJsonButton() const { return importJsonButton_; }
    QPushButton* exportJsonButton() const { return exportJsonButton_; }
    QPushButton* editingModeSwitch() const { return editingModeSwitch_; }
    QComboBox* zoneTypeCombo() const { return zoneTypeCombo_; }
    QPushButton* restoreDefaultsButton() const { return restoreDefaultsButton_; }
    QPlainTextEdit* parameterJsonEdit() const { return parameterJsonEdit_; }
    QGroupBox* rectangleParametersGroup() const;
    QGroupBox* sectorParametersGroup() const;
    QGroupBox* extrinsicsGroup() const;
    QGroupBox* v2AdvancedGroup() const;
    QGroupBox* groundHoleGroup() const;
    QGroupBox* imageSavingGroup() const;
    QPushButton* resetExtrinsicsButton() const;
    QCheckBox* debugCheck() const;
    QPushButton* exportAvoidanceImagesButton() const;
    QPushButton* groundCalibrationButton() const;
    const QList<QDoubleSpinBox*>& extrinsicSpins() const;

    // Hides the sector sampling-accuracy row and the sector notify-radius row
    // (the notify spin box is also disabled and explains why).
    void hideSectorExtras();
    // The three information rows under the extrinsics grid.
    void addExtrinsicsInfoRows();
    // "当前编辑模板" or "目标运行模板", also the template spin box's accessible name.
    void setTemplateTargetLabel(const QString& text);
    // Fills the algorithm combo with the generations the camera offers and
    // selects the first of preferredModes it offers. Returns the selected mode.
    int populateAlgorithmCombo(const algPlatform::CapabilityProfile& profile, int deviceType,
                               const QList<int>& preferredModes);
    // Item data of the selected algorithm entry, 0 when none.
    int selectedAlgorithmMode() const;
    void updateAdvancedVisibility(bool adminMode);

private:
    QWidget* buildContent();
    QGroupBox* buildIoModeGroup(QWidget* parent);
    QGroupBox* buildHeaderGroup(QWidget* parent);
    QGroupBox* buildJsonGroup(QWidget* parent);

    QScrollArea* scrollArea_ = nullptr;
    ZoneGeometryEditor* geometry_ = nullptr;
    ExtrinsicsEditor* extrinsics_ = nullptr;
    OptionsEditor* options_ = nullptr;
    QPushButton* applyCurrentButton_ = nullptr;
    QPushButton* switchAlgorithmButton_ = nullptr;
    QComboBox* algorithmVersionCombo_ = nullptr;
    QLabel* algorithmBuildLabel_ = nullptr;
    QLabel* dirtyStateLabel_ = nullptr;
    QLabel* editingLockHint_ = nullptr;
    QLabel* templateModeStatusLabel_ = nullptr;
    QLabel* switchTemplateTargetLabel_ = nullptr;
    QLabel* zoneTypeLabel_ = nullptr;
    QLabel* jsonValidationLabel_ = nullptr;
    QPushButton* readDeviceButton_ = nullptr;
    QSpinBox* templateIndexSpin_ = nullptr;
    QPushButton* switchTemplateButton_ = nullptr;
    QComboBox* ioHardwareModeCombo_ = nullptr;
    QGroupBox* ioModeGroup_ = nullptr;
    QPushButton* importJsonButton_ = nullptr;
    QPushButton* exportJsonButton_ = nullptr;
    QPushButton* editingModeSwitch_ = nullptr;
    QComboBox* zoneTypeCombo_ = nullptr;
    QPushButton* restoreDefaultsButton_ = nullptr;
    QPlainTextEdit* parameterJsonEdit_ = nullptr;
};

}  // namespace hazard_desk
