#include "ParameterPanel.h"

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
#include <QVariant>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace hazard_desk {
namespace {

constexpr double kCoordinateLimitMm = 100000.0;
constexpr const char* kNotifyTooltip = "当前 ZAVOV 正式界面未开放扇形提示区；已存在的设备字段会原样透传";

QDoubleSpinBox* makeSpin(QWidget* parent, const char* name, double minimum, double maximum, double value,
                         const QString& suffix = QString()) {
    auto* spin = new QDoubleSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setDecimals(2);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    spin->setSuffix(suffix);
    spin->setFocusPolicy(Qt::StrongFocus);
    return spin;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const QString& text) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QString::fromLatin1(name));
    return check;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QGroupBox* makeGroup(QWidget* parent, const char* name, const QString& title) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QString::fromLatin1(name));
    return group;
}

void setFormRowVisible(QFormLayout* form, QWidget* field, bool visible) {
    if (QWidget* label = form->labelForField(field)) {
        label->setVisible(visible);
    }
    field->setVisible(visible);
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
    layout->addWidget(buildZoneStack(content));
    layout->addWidget(buildExtrinsicsGroup(content));
    layout->addWidget(buildV2AdvancedGroup(content));
    layout->addWidget(buildImageSavingGroup(content));
    layout->addWidget(buildGroundHoleGroup(content));
    layout->addWidget(buildJsonGroup(content));
    layout->addStretch(1);
    applyCurrentButton_ = makeButton(content, "applyCurrentButton", QStringLiteral("保存并下发"));
    applyCurrentButton_->setToolTip(QStringLiteral("下发当前模板和相机外参；IO 单独下发"));
    applyCurrentButton_->setMinimumHeight(34);
    applyCurrentButton_->setProperty("role", QStringLiteral("primary"));
    layout->addWidget(applyCurrentButton_);
    return content;
}

QGroupBox* ParameterPanel::buildIoModeGroup(QWidget* parent) {
    ioModeGroup_ = makeGroup(parent, "ioModeGroup", QStringLiteral("IO 工作模式"));
    auto* form = new QFormLayout(ioModeGroup_);
    auto* workModeCombo = new QComboBox(ioModeGroup_);
    workModeCombo->setObjectName(QStringLiteral("ioWorkModeCombo"));
    form->addRow(QStringLiteral("工作模式"), workModeCombo);
    setFormRowVisible(form, workModeCombo, false);
    ioHardwareModeCombo_ = new QComboBox(ioModeGroup_);
    ioHardwareModeCombo_->setObjectName(QStringLiteral("ioHardwareModeCombo"));
    ioHardwareModeCombo_->addItem(QStringLiteral("开漏（悬空 / 0V）"), 0);
    ioHardwareModeCombo_->addItem(QStringLiteral("推挽（24V / 0V）"), 1);
    ioHardwareModeCombo_->setCurrentIndex(-1);
    form->addRow(makeLabel(ioModeGroup_, "ioHardwareModeLabel", QStringLiteral("I/O 模式")), ioHardwareModeCombo_);
    return ioModeGroup_;
}

QGroupBox* ParameterPanel::buildHeaderGroup(QWidget* parent) {
    auto* group = makeGroup(parent, "configurationHeaderGroup", QStringLiteral("避障参数配置"));
    auto* layout = new QVBoxLayout(group);
    auto* algorithmRow = new QHBoxLayout;
    algorithmVersionCombo_ = new QComboBox(group);
    algorithmVersionCombo_->setObjectName(QStringLiteral("algorithmVersionCombo"));
    switchAlgorithmButton_ = makeButton(group, "switchAlgorithmButton", QStringLiteral("切换到避障 V2"));
    switchAlgorithmButton_->setProperty("role", QStringLiteral("primary"));
    switchAlgorithmButton_->hide();
    algorithmRow->addWidget(new QLabel(QStringLiteral("算法版本"), group));
    algorithmRow->addWidget(algorithmVersionCombo_, 1);
    algorithmRow->addWidget(switchAlgorithmButton_);
    layout->addLayout(algorithmRow);
    algorithmBuildLabel_ = makeLabel(group, "algorithmBuildLabel", QStringLiteral("避障算法版本：--"));
    auto* dirtyState = makeLabel(group, "dirtyStateLabel", QStringLiteral("草稿未下发 · 设备参数未回读"));
    dirtyState->setStyleSheet(QStringLiteral("color:#f3c946;"));
    dirtyState->setWordWrap(true);
    editingModeSwitch_ = makeButton(group, "editingModeSwitch", QStringLiteral("编辑模式"));
    editingModeSwitch_->setCheckable(true);
    auto* lockHint = makeLabel(group, "editingLockHint", QStringLiteral("参数已锁定，需打开编辑模式后修改"));
    lockHint->setWordWrap(true);
    templateModeStatusLabel_ = makeLabel(group, "templateModeStatusLabel", QStringLiteral("实际运行模板：--"));
    for (QWidget* w : std::initializer_list<QWidget*>{algorithmBuildLabel_, dirtyState, editingModeSwitch_, lockHint,
                                                      templateModeStatusLabel_}) {
        layout->addWidget(w);
    }
    auto* templateRow = new QGridLayout;
    templateIndexSpin_ = new QSpinBox(group);
    templateIndexSpin_->setObjectName(QStringLiteral("templateIndexSpin"));
    templateIndexSpin_->setRange(0, 19);
    templateIndexSpin_->setValue(1);
    zoneTypeCombo_ = new QComboBox(group);
    zoneTypeCombo_->setObjectName(QStringLiteral("zoneTypeCombo"));
    zoneTypeCombo_->addItem(QStringLiteral("矩形区域"), 0);
    zoneTypeCombo_->addItem(QStringLiteral("扇形区域"), 1);
    switchTemplateButton_ = makeButton(group, "switchTemplateButton", QStringLiteral("切换运行模板"));
    templateRow->addWidget(makeLabel(group, "switchTemplateTargetLabel", QStringLiteral("目标运行模板")), 0, 0);
    templateRow->addWidget(templateIndexSpin_, 0, 1);
    templateRow->addWidget(makeLabel(group, "zoneTypeLabel", QStringLiteral("区域类型")), 1, 0);
    templateRow->addWidget(zoneTypeCombo_, 1, 1);
    templateRow->addWidget(switchTemplateButton_, 2, 0, 1, 2);
    layout->addLayout(templateRow);
    return group;
}

QWidget* ParameterPanel::buildZoneStack(QWidget* parent) {
    auto* stack = new QStackedWidget(parent);
    stack->setObjectName(QStringLiteral("zoneParameterStack"));

    auto* rectanglePage = new QWidget(stack);
    rectanglePage->setObjectName(QStringLiteral("rectangleZonePage"));
    auto* rectangleLayout = new QVBoxLayout(rectanglePage);
    rectangleLayout->setContentsMargins(0, 0, 0, 0);
    rectangleGroup_ = makeGroup(rectanglePage, "rectangleParametersGroup", QStringLiteral("矩形区域参数"));
    auto* rectangleForm = new QFormLayout(rectangleGroup_);
    const QString mm = QStringLiteral(" mm");
    const double big = kCoordinateLimitMm;
    rectangleForm->addRow(QStringLiteral("危险近端 X0"), makeSpin(rectangleGroup_, "rectDangerNearSpin", 0, big, 500, mm));
    rectangleForm->addRow(QStringLiteral("危险远端 X1"), makeSpin(rectangleGroup_, "rectDangerFarSpin", 0, big, 1000, mm));
    rectangleForm->addRow(QStringLiteral("警告远端 X2"), makeSpin(rectangleGroup_, "rectWarningFarSpin", 0, big, 1500, mm));
    rectangleForm->addRow(QStringLiteral("横向 Y min"), makeSpin(rectangleGroup_, "rectYMinSpin", -big, big, -500, mm));
    rectangleForm->addRow(QStringLiteral("横向 Y max"), makeSpin(rectangleGroup_, "rectYMaxSpin", -big, big, 500, mm));
    rectangleForm->addRow(QStringLiteral("高度 Z min"), makeSpin(rectangleGroup_, "rectZMinSpin", -big, big, -500, mm));
    rectangleForm->addRow(QStringLiteral("高度 Z max"), makeSpin(rectangleGroup_, "rectZMaxSpin", -big, big, 500, mm));
    rectangleLayout->addWidget(rectangleGroup_);
    stack->addWidget(rectanglePage);

    auto* sectorPage = new QWidget(stack);
    sectorPage->setObjectName(QStringLiteral("sectorZonePage"));
    auto* sectorLayout = new QVBoxLayout(sectorPage);
    sectorLayout->setContentsMargins(0, 0, 0, 0);
    sectorGroup_ = makeGroup(sectorPage, "sectorParametersGroup", QStringLiteral("扇形区域参数"));
    auto* sectorForm = new QFormLayout(sectorGroup_);
    const QString deg = QStringLiteral(" °");
    sectorForm->addRow(QStringLiteral("危险半径"), makeSpin(sectorGroup_, "sectorDangerRadiusSpin", 0, big, 1000, mm));
    sectorForm->addRow(QStringLiteral("警告半径"), makeSpin(sectorGroup_, "sectorWarningRadiusSpin", 0, big, 2000, mm));
    sectorForm->addRow(QStringLiteral("提示半径"), makeSpin(sectorGroup_, "sectorNotifyRadiusSpin", 0, big, 3000, mm));
    sectorForm->addRow(QStringLiteral("左边界角"), makeSpin(sectorGroup_, "sectorLeftAngleSpin", -180, 180, -30, deg));
    sectorForm->addRow(QStringLiteral("右边界角"), makeSpin(sectorGroup_, "sectorRightAngleSpin", -180, 180, 30, deg));
    sectorForm->addRow(QStringLiteral("高度 Z min"), makeSpin(sectorGroup_, "sectorZMinSpin", -big, big, 0, mm));
    sectorForm->addRow(QStringLiteral("高度 Z max"), makeSpin(sectorGroup_, "sectorZMaxSpin", -big, big, 1000, mm));
    sectorForm->addRow(QStringLiteral("圆心 X"), makeSpin(sectorGroup_, "sectorCenterXSpin", -big, big, 0, mm));
    sectorForm->addRow(QStringLiteral("圆心 Y"), makeSpin(sectorGroup_, "sectorCenterYSpin", -big, big, 0, mm));
    QDoubleSpinBox* accuracy = makeSpin(sectorGroup_, "sectorAccuracySpin", 0.05, 1.0, 1.0);
    accuracy->setSingleStep(0.05);
    sectorForm->addRow(QStringLiteral("采样精度"), accuracy);
    sectorLayout->addWidget(sectorGroup_);
    stack->addWidget(sectorPage);
    return stack;
}

QGroupBox* ParameterPanel::buildExtrinsicsGroup(QWidget* parent) {
    extrinsicsGroup_ = makeGroup(parent, "extrinsicsGroup", QStringLiteral("相机外参（车体坐标系）"));
    auto* layout = new QVBoxLayout(extrinsicsGroup_);
    auto* grid = new QGridLayout;
    grid->setObjectName(QStringLiteral("extrinsicsGridLayout"));
    struct SpinSpec {
        const char* name;
        const char* label;
        double limit;
        double value;
    };
    const SpinSpec specs[6] = {{"extrinsicXSpin", "X / mm", kCoordinateLimitMm, 0},
                               {"extrinsicRollSpin", "Roll / °", 180, 90},
                               {"extrinsicYSpin", "Y / mm", kCoordinateLimitMm, 0},
                               {"extrinsicPitchSpin", "Pitch / °", 180, -180},
                               {"extrinsicZSpin", "Z / mm", kCoordinateLimitMm, 50},
                               {"extrinsicYawSpin", "Yaw / °", 180, 90}};
    for (int i = 0; i < 6; ++i) {
        QDoubleSpinBox* spin = makeSpin(extrinsicsGroup_, specs[i].name, -specs[i].limit, specs[i].limit, specs[i].value);
        extrinsicSpins_.append(spin);
        grid->addWidget(new QLabel(QString::fromUtf8(specs[i].label), extrinsicsGroup_), i / 2, (i % 2) * 2);
        grid->addWidget(spin, i / 2, (i % 2) * 2 + 1);
    }
    layout->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    groundCalibrationButton_ = makeButton(extrinsicsGroup_, "groundCalibrationButton", QStringLiteral("地面标定"));
    resetExtrinsicsButton_ = makeButton(extrinsicsGroup_, "resetExtrinsicsButton", QStringLiteral("重置外参"));
    buttons->addWidget(groundCalibrationButton_);
    buttons->addWidget(resetExtrinsicsButton_);
    layout->addLayout(buttons);
    return extrinsicsGroup_;
}

QGroupBox* ParameterPanel::buildV2AdvancedGroup(QWidget* parent) {
    v2AdvancedGroup_ = makeGroup(parent, "v2AdvancedGroup", QStringLiteral("V2 输出参数"));
    v2AdvancedGroup_->setToolTip(QStringLiteral("这些选项为设备公共设置，随下发更新；切换运行模板只切换区域"));
    auto* layout = new QVBoxLayout(v2AdvancedGroup_);
    QCheckBox* semantics = makeCheck(v2AdvancedGroup_, "semanticsCheck", QStringLiteral("语义检测"));
    QCheckBox* simpleOutput = makeCheck(v2AdvancedGroup_, "simpleOutputCheck", QStringLiteral("精简输出"));
    QCheckBox* boxes = makeCheck(v2AdvancedGroup_, "noneSemanticClusterOutputCheck", QStringLiteral("障碍物包围盒"));
    boxes->setToolTip(QStringLiteral("需下发并回读确认；设备返回的非语义障碍物框会显示在 3D 点云中"));
    QCheckBox* enhanced = makeCheck(v2AdvancedGroup_, "enhancedDetectionCheck", QStringLiteral("增强检测"));
    QCheckBox* semanticsOutput = makeCheck(v2AdvancedGroup_, "semanticsOutputCheck", QStringLiteral("语义输出"));
    QCheckBox* forklift = makeCheck(v2AdvancedGroup_, "forkliftEnhanceCheck", QStringLiteral("叉车 2D 增强区域"));
    for (QCheckBox* check : {semantics, simpleOutput, boxes, enhanced, semanticsOutput, forklift}) {
        layout->addWidget(check);
    }
    v2Only_ = {simpleOutput, boxes};
    v2AdminOnly_ = {semantics, enhanced, semanticsOutput, forklift};
    auto* forkliftGrid = new QGridLayout;
    const char* names[4] = {"forkliftMinXSpin", "forkliftMaxXSpin", "forkliftMinYSpin", "forkliftMaxYSpin"};
    const char* labels[4] = {"min X", "max X", "min Y", "max Y"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromLatin1(labels[i]), v2AdvancedGroup_);
        QDoubleSpinBox* spin = makeSpin(v2AdvancedGroup_, names[i], -kCoordinateLimitMm, kCoordinateLimitMm, 0);
        spin->setEnabled(false);
        forkliftGrid->addWidget(label, i / 2, (i % 2) * 2);
        forkliftGrid->addWidget(spin, i / 2, (i % 2) * 2 + 1);
        v2AdminOnly_ << label << spin;
    }
    layout->addLayout(forkliftGrid);
    return v2AdvancedGroup_;
}

QGroupBox* ParameterPanel::buildImageSavingGroup(QWidget* parent) {
    imageSavingGroup_ = makeGroup(parent, "imageSavingGroup", QStringLiteral("存图设置"));
    auto* layout = new QVBoxLayout(imageSavingGroup_);
    debugCheck_ = makeCheck(imageSavingGroup_, "debugCheck", QStringLiteral("设备联动存图"));
    debugCheck_->setToolTip(QStringLiteral("控制相机侧联动存图，随参数下发生效"));
    exportAvoidanceImagesButton_ =
        makeButton(imageSavingGroup_, "exportAvoidanceImagesButton", QStringLiteral("导出存图"));
    exportAvoidanceImagesButton_->setToolTip(QStringLiteral("通过 SSH 导出设备存图，成功后清空设备目录"));
    layout->addWidget(debugCheck_);
    layout->addWidget(exportAvoidanceImagesButton_);
    return imageSavingGroup_;
}

QGroupBox* ParameterPanel::buildGroundHoleGroup(QWidget* parent) {
    groundHoleGroup_ = makeGroup(parent, "groundHoleGroup", QStringLiteral("地面空洞检测"));
    groundHoleGroup_->setToolTip(QStringLiteral("这些选项为设备公共设置，随下发更新；切换运行模板只切换区域"));
    auto* form = new QFormLayout(groundHoleGroup_);
    form->addRow(makeCheck(groundHoleGroup_, "groundHoleDetectionCheck", QStringLiteral("启用地面空洞检测")));
    form->addRow(QStringLiteral("最远距离"), makeSpin(groundHoleGroup_, "groundHoleFarSpin", 0, 10000, 850));
    form->addRow(QStringLiteral("最近距离"), makeSpin(groundHoleGroup_, "groundHoleNearSpin", 0, 10000, 200));
    form->addRow(QStringLiteral("半宽"), makeSpin(groundHoleGroup_, "groundHoleHalfWidthSpin", 0, 5000, 600));
    form->addRow(QStringLiteral("分辨率"), makeSpin(groundHoleGroup_, "groundHoleResolutionSpin", 1, 10000, 50));
    form->addRow(QStringLiteral("半厚度"), makeSpin(groundHoleGroup_, "groundHoleHalfThicknessSpin", 0, 5000, 50));
    auto* minimumPoints = new QSpinBox(groundHoleGroup_);
    minimumPoints->setObjectName(QStringLiteral("groundHoleMinimumPointSpin"));
    minimumPoints->setRange(1, 100000);
    minimumPoints->setValue(10);
    form->addRow(QStringLiteral("最少点数"), minimumPoints);
    return groundHoleGroup_;
}

QGroupBox* ParameterPanel::buildJsonGroup(QWidget* parent) {
    auto* group = makeGroup(parent, "jsonConfigurationGroup", QStringLiteral("配置文件"));
    auto* layout = new QGridLayout(group);
    readDeviceButton_ = makeButton(group, "readDeviceButton", QStringLiteral("回读设备"));
    readDeviceButton_->setToolTip(QStringLiteral("连接设备并回读 ZR_STRING_ALGORITHM_PARAMS；未知字段将保留。"));
    restoreDefaultsButton_ = makeButton(group, "restoreDefaultsButton", QStringLiteral("恢复默认"));
    importJsonButton_ = makeButton(group, "importJsonButton", QStringLiteral("导入文件"));
    QPushButton* exportJson = makeButton(group, "exportJsonButton", QStringLiteral("导出文件"));
    layout->addWidget(readDeviceButton_, 0, 0);
    layout->addWidget(restoreDefaultsButton_, 0, 1);
    layout->addWidget(importJsonButton_, 1, 0);
    layout->addWidget(exportJson, 1, 1);
    auto* validation = makeLabel(group, "jsonValidationLabel", QStringLiteral("参数尚未校验"));
    validation->setWordWrap(true);
    layout->addWidget(validation, 2, 0, 1, 2);
    QPushButton* preview = makeButton(group, "previewJsonButton", QStringLiteral("预览"));
    QPushButton* format = makeButton(group, "formatJsonButton", QStringLiteral("格式化"));
    parameterJsonEdit_ = new QPlainTextEdit(group);
    parameterJsonEdit_->setObjectName(QStringLiteral("parameterJsonEdit"));
    for (QWidget* hidden : std::initializer_list<QWidget*>{preview, format, parameterJsonEdit_}) {
        hidden->hide();
    }
    layout->addWidget(preview, 3, 0);
    layout->addWidget(format, 3, 1);
    layout->addWidget(parameterJsonEdit_, 4, 0, 1, 2);
    return group;
}

void ParameterPanel::hideSectorExtras() {
    auto* form = qobject_cast<QFormLayout*>(sectorGroup_->layout());
    auto* notify = sectorGroup_->findChild<QDoubleSpinBox*>(QStringLiteral("sectorNotifyRadiusSpin"));
    auto* accuracy = sectorGroup_->findChild<QDoubleSpinBox*>(QStringLiteral("sectorAccuracySpin"));
    setFormRowVisible(form, accuracy, false);
    setFormRowVisible(form, notify, false);
    notify->setEnabled(false);
    notify->setToolTip(QString::fromUtf8(kNotifyTooltip));
}

void ParameterPanel::addExtrinsicsInfoRows() {
    auto* layout = qobject_cast<QVBoxLayout*>(extrinsicsGroup_->layout());
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(QStringLiteral("SDK 最远距离"), extrinsicsGroup_));
    rangeRow->addWidget(makeLabel(extrinsicsGroup_, "sdkMaxDepthValue", QStringLiteral("SDK 最远距离未获取")), 1);
    layout->addLayout(rangeRow);
    auto* fov = makeLabel(extrinsicsGroup_, "cameraFovValue", QStringLiteral("--"));
    fov->setWordWrap(true);
    layout->addWidget(fov);
    auto* hint = new QLabel(QStringLiteral("使用 ZAVOV 地面标定：先调平坐标系，结果写入草稿"), extrinsicsGroup_);
    hint->setWordWrap(true);
    hint->setStyleSheet(QStringLiteral("color:#94a3b8;"));
    layout->addWidget(hint);
}

int ParameterPanel::populateAlgorithmCombo(const algPlatform::CapabilityProfile& profile, int deviceType,
                                           int preferredMode) {
    const int previous = selectedAlgorithmMode();
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
    for (int mode : {previous, preferredMode, static_cast<int>(profile.recommendedMode)}) {
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
    const bool v2 = selectedAlgorithmMode() == 4;
    v2AdvancedGroup_->setVisible(v2 || adminMode);
    v2AdvancedGroup_->setTitle(!v2 ? QStringLiteral("V1 高级参数")
                                   : (adminMode ? QStringLiteral("V2 高级参数") : QStringLiteral("V2 输出参数")));
    for (QWidget* w : v2Only_) {
        w->setVisible(v2);
    }
    for (QWidget* w : v2AdminOnly_) {
        w->setVisible(v2 && adminMode);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{groundHoleGroup_, imageSavingGroup_}) {
        w->setVisible(v2 && adminMode);
    }
}

}  // namespace hazard_desk
