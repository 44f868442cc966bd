#include "ParameterPanel.h"

#include "EditorWidgets.h"
#include "ExtrinsicsEditor.h"
#include "OptionsEditor.h"
#include "ZoneGeometryEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace hazard_desk {
namespace {

using namespace editor_widgets;

constexpr const char* kToggleStyle =
    "QPushButton { border-radius:11px; padding:3px 14px; }"
    "QPushButton:checked { background:#10291f; color:#55dda8; border:1px solid #55dda8; }";

QComboBox* namedCombo(QWidget* parent, const char* name, const QString& label) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setAccessibleName(label);
    combo->setFocusPolicy(Qt::StrongFocus);
    return combo;
}

}  // namespace

ParameterPanel::ParameterPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("rightPanel"));
    setFixedWidth(kLayoutWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scrollArea_ = new QScrollArea(this);
    scrollArea_->setObjectName(QStringLiteral("parameterScrollArea"));
    scrollArea_->setWidgetResizable(true);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setFocusPolicy(Qt::StrongFocus);
    scrollArea_->setWidget(buildContent());
    layout->addWidget(scrollArea_);
}

QWidget* ParameterPanel::buildContent() {
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("parameterScrollContent"));
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(7, 7, 7, 7);
    layout->setSpacing(8);
    layout->addWidget(buildIoModeGroup(content));
    layout->addWidget(buildHeaderGroup(content));
    geometry_ = new ZoneGeometryEditor(content);
    layout->addWidget(geometry_);
    extrinsics_ = new ExtrinsicsEditor(content);
    layout->addWidget(extrinsics_);
    options_ = new OptionsEditor(content);
    layout->addWidget(options_->v2AdvancedGroup());
    layout->addWidget(options_->imageSavingGroup());
    layout->addWidget(options_->groundHoleGroup());
    layout->addWidget(buildJsonGroup(content));
    layout->addStretch(1);
    applyCurrentButton_ = button(content, "applyCurrentButton", QStringLiteral("保存并下发"));
    applyCurrentButton_->setToolTip(QStringLiteral("下发当前模板和相机外参；IO 单独下发"));
    applyCurrentButton_->setMinimumHeight(34);
    applyCurrentButton_->setProperty("role", QStringLiteral("primary"));
    layout->addWidget(applyCurrentButton_);
    return content;
}

QGroupBox* ParameterPanel::buildIoModeGroup(QWidget* parent) {
    ioModeGroup_ = group(parent, "ioModeGroup", QStringLiteral("IO 工作模式"));
    auto* form = new QFormLayout(ioModeGroup_);
    QComboBox* workModeCombo = namedCombo(ioModeGroup_, "ioWorkModeCombo", QStringLiteral("工作模式"));
    addRow(form, QStringLiteral("工作模式"), workModeCombo);
    setRowVisible(form, workModeCombo, false);
    ioHardwareModeCombo_ = namedCombo(ioModeGroup_, "ioHardwareModeCombo", QStringLiteral("I/O 模式"));
    ioHardwareModeCombo_->addItem(QStringLiteral("开漏（悬空 / 0V）"), 0);
    ioHardwareModeCombo_->addItem(QStringLiteral("推挽（24V / 0V）"), 1);
    ioHardwareModeCombo_->setCurrentIndex(-1);
    QLabel* modeLabel = label(ioModeGroup_, "ioHardwareModeLabel", QStringLiteral("I/O 模式"));
    modeLabel->setBuddy(ioHardwareModeCombo_);
    form->addRow(modeLabel, ioHardwareModeCombo_);
    return ioModeGroup_;
}

QGroupBox* ParameterPanel::buildHeaderGroup(QWidget* parent) {
    QGroupBox* header = group(parent, "configurationHeaderGroup", QStringLiteral("避障参数配置"));
    auto* layout = new QVBoxLayout(header);
    auto* algorithmRow = new QHBoxLayout;
    algorithmVersionCombo_ = namedCombo(header, "algorithmVersionCombo", QStringLiteral("算法版本"));
    switchAlgorithmButton_ = button(header, "switchAlgorithmButton", QStringLiteral("切换到避障 V2"));
    switchAlgorithmButton_->setProperty("role", QStringLiteral("primary"));
    switchAlgorithmButton_->hide();
    auto* algorithmLabel = new QLabel(QStringLiteral("算法版本"), header);
    algorithmLabel->setBuddy(algorithmVersionCombo_);
    algorithmRow->addWidget(algorithmLabel);
    algorithmRow->addWidget(algorithmVersionCombo_, 1);
    algorithmRow->addWidget(switchAlgorithmButton_);
    layout->addLayout(algorithmRow);
    algorithmBuildLabel_ = label(header, "algorithmBuildLabel", QStringLiteral("避障算法版本：--"));
    dirtyStateLabel_ = label(header, "dirtyStateLabel", QStringLiteral("草稿未下发 · 设备参数未回读"));
    dirtyStateLabel_->setStyleSheet(QStringLiteral("color:#f3c946;"));
    dirtyStateLabel_->setWordWrap(true);
    editingModeSwitch_ = button(header, "editingModeSwitch", QStringLiteral("编辑模式"));
    editingModeSwitch_->setCheckable(true);
    // A pill that lights up while on: it reads as a switch, not a command.
    editingModeSwitch_->setStyleSheet(QString::fromLatin1(kToggleStyle));
    editingLockHint_ = label(header, "editingLockHint", QStringLiteral("参数已锁定，需打开编辑模式后修改"));
    editingLockHint_->setWordWrap(true);
    templateModeStatusLabel_ = label(header, "templateModeStatusLabel", QStringLiteral("实际运行模板：--"));
    for (QWidget* w : std::initializer_list<QWidget*>{algorithmBuildLabel_, dirtyStateLabel_, editingModeSwitch_,
                                                      editingLockHint_, templateModeStatusLabel_}) {
        layout->addWidget(w);
    }
    auto* templateRow = new QGridLayout;
    templateIndexSpin_ = new QSpinBox(header);
    templateIndexSpin_->setObjectName(QStringLiteral("templateIndexSpin"));
    templateIndexSpin_->setRange(0, 19);
    templateIndexSpin_->setValue(1);
    templateIndexSpin_->setFocusPolicy(Qt::StrongFocus);
    zoneTypeCombo_ = namedCombo(header, "zoneTypeCombo", QStringLiteral("区域类型"));
    zoneTypeCombo_->addItem(QStringLiteral("矩形区域"), 0);
    zoneTypeCombo_->addItem(QStringLiteral("扇形区域"), 1);
    switchTemplateButton_ = button(header, "switchTemplateButton", QStringLiteral("切换运行模板"));
    switchTemplateTargetLabel_ = label(header, "switchTemplateTargetLabel", QStringLiteral("目标运行模板"));
    switchTemplateTargetLabel_->setBuddy(templateIndexSpin_);
    zoneTypeLabel_ = label(header, "zoneTypeLabel", QStringLiteral("区域类型"));
    zoneTypeLabel_->setBuddy(zoneTypeCombo_);
    templateRow->addWidget(switchTemplateTargetLabel_, 0, 0);
    templateRow->addWidget(templateIndexSpin_, 0, 1);
    templateRow->addWidget(zoneTypeLabel_, 1, 0);
    templateRow->addWidget(zoneTypeCombo_, 1, 1);
    templateRow->addWidget(switchTemplateButton_, 2, 0, 1, 2);
    layout->addLayout(templateRow);
    setTemplateTargetLabel(QStringLiteral("目标运行模板"));
    return header;
}

QGroupBox* ParameterPanel::buildJsonGroup(QWidget* parent) {
    QGroupBox* json = group(parent, "jsonConfigurationGroup", QStringLiteral("配置文件"));
    auto* layout = new QGridLayout(json);
    readDeviceButton_ = button(json, "readDeviceButton", QStringLiteral("回读设备"));
    readDeviceButton_->setToolTip(QStringLiteral("连接设备并回读 ZR_STRING_ALGORITHM_PARAMS；未知字段将保留。"));
    restoreDefaultsButton_ = button(json, "restoreDefaultsButton", QStringLiteral("恢复默认"));
    importJsonButton_ = button(json, "importJsonButton", QStringLiteral("导入文件"));
    exportJsonButton_ = button(json, "exportJsonButton", QStringLiteral("导出文件"));
    layout->addWidget(readDeviceButton_, 0, 0);
    layout->addWidget(restoreDefaultsButton_, 0, 1);
    layout->addWidget(importJsonButton_, 1, 0);
    layout->addWidget(exportJsonButton_, 1, 1);
    jsonValidationLabel_ = label(json, "jsonValidationLabel", QStringLiteral("参数尚未校验"));
    jsonValidationLabel_->setWordWrap(true);
    layout->addWidget(jsonValidationLabel_, 2, 0, 1, 2);
    QPushButton* preview = button(json, "previewJsonButton", QStringLiteral("预览"));
    QPushButton* format = button(json, "formatJsonButton", QStringLiteral("格式化"));
    parameterJsonEdit_ = new QPlainTextEdit(json);
    parameterJsonEdit_->setObjectName(QStringLiteral("parameterJsonEdit"));
    parameterJsonEdit_->setAccessibleName(QStringLiteral("配置文件"));
    for (QWidget* hidden : std::initializer_list<QWidget*>{preview, format, parameterJsonEdit_}) {
        hidden->hide();
    }
    layout->addWidget(preview, 3, 0);
    layout->addWidget(format, 3, 1);
    layout->addWidget(parameterJsonEdit_, 4, 0, 1, 2);
    return json;
}

QGroupBox* ParameterPanel::rectangleParametersGroup() const { return geometry_->rectangleGroup(); }
QGroupBox* ParameterPanel::sectorParametersGroup() const { return geometry_->sectorGroup(); }
QGroupBox* ParameterPanel::extrinsicsGroup() const { return extrinsics_; }
QGroupBox* ParameterPanel::v2AdvancedGroup() const { return options_->v2AdvancedGroup(); }
QGroupBox* ParameterPanel::groundHoleGroup() const { return options_->groundHoleGroup(); }
QGroupBox* ParameterPanel::imageSavingGroup() const { return options_->imageSavingGroup(); }
QPushButton* ParameterPanel::resetExtrinsicsButton() const { return extrinsics_->resetButton(); }
QCheckBox* ParameterPanel::debugCheck() const { return options_->debugCheck(); }
QPushButton* ParameterPanel::exportAvoidanceImagesButton() const { return options_->exportAvoidanceImagesButton(); }
QPushButton* ParameterPanel::groundCalibrationButton() const { return extrinsics_->groundCalibrationButton(); }
const QList<QDoubleSpinBox*>& ParameterPanel::extrinsicSpins() const { return extrinsics_->spins(); }

void ParameterPanel::hideSectorExtras() {
    geometry_->hideSectorExtras();
}

void ParameterPanel::addExtrinsicsInfoRows() {
    extrinsics_->addInformationRows();
}

void ParameterPanel::setTemplateTargetLabel(const QString& text) {
    switchTemplateTargetLabel_->setText(text);
    templateIndexSpin_->setAccessibleName(text);
}

int ParameterPanel::populateAlgorithmCombo(const algPlatform::CapabilityProfile& profile, int deviceType,
                                           const QList<int>& preferredModes) {
    const QSignalBlocker blocker(algorithmVersionCombo_);
    algorithmVersionCombo_->clear();
    if (profile.v1Offered) {
        algorithmVersionCombo_->addItem(algPlatform::usesTemplateControl(deviceType, 1) ? QStringLiteral("V1（掩码上传）")
                                                                                        : QStringLiteral("V1（JSON 参数）"),
                                        1);
    }
    if (profile.v2Offered) {
        algorithmVersionCombo_->addItem(QStringLiteral("V2（JSON 参数）"), 4);
    }
    for (int mode : preferredModes) {
        const int index = algorithmVersionCombo_->findData(mode);
        if (index >= 0) {
            algorithmVersionCombo_->setCurrentIndex(index);
            break;
        }
    }
    algorithmVersionCombo_->setEnabled(algorithmVersionCombo_->count() >= 2);
    algorithmVersionCombo_->setToolTip(profile.v2Offered ? QStringLiteral("当前型号使用 V2 避障，已按设备能力自动选择")
                                                         : QStringLiteral("当前型号仅支持 V1 避障，已按设备能力自动选择"));
    ioModeGroup_->setVisible(profile.ioMode);
    return selectedAlgorithmMode();
}

int ParameterPanel::selectedAlgorithmMode() const {
    return algorithmVersionCombo_->currentIndex() < 0 ? 0 : algorithmVersionCombo_->currentData().toInt();
}

void ParameterPanel::updateAdvancedVisibility(bool adminMode) {
    options_->updateVisibility(selectedAlgorithmMode() == 4, adminMode);
}

}  // namespace hazard_desk
