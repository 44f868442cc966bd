#include "OptionsEditor.h"

#include "EditorWidgets.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace hazard_desk {
namespace {

using namespace editor_widgets;

constexpr const char* kSharedSettingsTooltip = "这些选项为设备公共设置，随下发更新；切换运行模板只切换区域";
constexpr int kMinimumPointsLimit = 100000;

}  // namespace

OptionsEditor::OptionsEditor(QWidget* parent) : QObject(parent) {
    buildV2AdvancedGroup(parent);
    buildImageSavingGroup(parent);
    buildGroundHoleGroup(parent);
    for (QCheckBox* box : {debug_, semantics_, simpleOutput_, boxes_, enhanced_, semanticsOutput_, forklift_, groundHole_}) {
        connect(box, &QCheckBox::toggled, this, [this] {
            enableDependents();
            emit edited();
        });
    }
    for (QDoubleSpinBox* box : {holeFar_, holeNear_, holeHalfWidth_, holeResolution_, holeHalfThickness_}) {
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &OptionsEditor::edited);
    }
    for (QDoubleSpinBox* box : forkliftBounds_) {
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &OptionsEditor::edited);
    }
    connect(holeMinimumPoints_, QOverload<int>::of(&QSpinBox::valueChanged), this, &OptionsEditor::edited);
    enableDependents();
}

void OptionsEditor::buildV2AdvancedGroup(QWidget* parent) {
    v2AdvancedGroup_ = group(parent, "v2AdvancedGroup", QStringLiteral("V2 输出参数"));
    v2AdvancedGroup_->setToolTip(QString::fromUtf8(kSharedSettingsTooltip));
    auto* layout = new QVBoxLayout(v2AdvancedGroup_);
    QWidget* g = v2AdvancedGroup_;
    semantics_ = check(g, "semanticsCheck", QStringLiteral("语义检测"));
    simpleOutput_ = check(g, "simpleOutputCheck", QStringLiteral("精简输出"));
    boxes_ = check(g, "noneSemanticClusterOutputCheck", QStringLiteral("障碍物包围盒"));
    boxes_->setToolTip(QStringLiteral("需下发并回读确认；设备返回的非语义障碍物框会显示在 3D 点云中"));
    enhanced_ = check(g, "enhancedDetectionCheck", QStringLiteral("增强检测"));
    semanticsOutput_ = check(g, "semanticsOutputCheck", QStringLiteral("语义输出"));
    forklift_ = check(g, "forkliftEnhanceCheck", QStringLiteral("叉车 2D 增强区域"));
    for (QCheckBox* box : {semantics_, simpleOutput_, boxes_, enhanced_, semanticsOutput_, forklift_}) {
        layout->addWidget(box);
    }
    v2Only_ = {simpleOutput_, boxes_};
    v2AdminOnly_ = {semantics_, enhanced_, semanticsOutput_, forklift_};
    auto* grid = new QGridLayout;
    const char* names[4] = {"forkliftMinXSpin", "forkliftMaxXSpin", "forkliftMinYSpin", "forkliftMaxYSpin"};
    const char* labels[4] = {"min X", "max X", "min Y", "max Y"};
    for (int i = 0; i < 4; ++i) {
        const QString text = QString::fromLatin1(labels[i]);
        QDoubleSpinBox* box = spin(g, names[i], -kCoordinateLimitMm, kCoordinateLimitMm, 0);
        box->setAccessibleName(text);
        auto* rowLabel = new QLabel(text, g);
        rowLabel->setBuddy(box);
        grid->addWidget(rowLabel, i / 2, (i % 2) * 2);
        grid->addWidget(box, i / 2, (i % 2) * 2 + 1);
        forkliftBounds_ << box;
        v2AdminOnly_ << rowLabel << box;
    }
    layout->addLayout(grid);
}

void OptionsEditor::buildImageSavingGroup(QWidget* parent) {
    imageSavingGroup_ = group(parent, "imageSavingGroup", QStringLiteral("存图设置"));
    auto* layout = new QVBoxLayout(imageSavingGroup_);
    debug_ = check(imageSavingGroup_, "debugCheck", QStringLiteral("设备联动存图"));
    debug_->setToolTip(QStringLiteral("控制相机侧联动存图，随参数下发生效"));
    exportImages_ = button(imageSavingGroup_, "exportAvoidanceImagesButton", QStringLiteral("导出存图"));
    exportImages_->setToolTip(QStringLiteral("通过 SSH 导出设备存图，成功后清空设备目录"));
    layout->addWidget(debug_);
    layout->addWidget(exportImages_);
}

void OptionsEditor::buildGroundHoleGroup(QWidget* parent) {
    groundHoleGroup_ = group(parent, "groundHoleGroup", QStringLiteral("地面空洞检测"));
    groundHoleGroup_->setToolTip(QString::fromUtf8(kSharedSettingsTooltip));
    auto* form = new QFormLayout(groundHoleGroup_);
    QWidget* g = groundHoleGroup_;
    groundHole_ = check(g, "groundHoleDetectionCheck", QStringLiteral("启用地面空洞检测"));
    form->addRow(groundHole_);
    holeFar_ = spin(g, "groundHoleFarSpin", 0, 10000, 850);
    holeNear_ = spin(g, "groundHoleNearSpin", 0, 10000, 200);
    holeHalfWidth_ = spin(g, "groundHoleHalfWidthSpin", 0, 5000, 600);
    holeResolution_ = spin(g, "groundHoleResolutionSpin", 1, 10000, 50);
    holeHalfThickness_ = spin(g, "groundHoleHalfThicknessSpin", 0, 5000, 50);
    holeMinimumPoints_ = new QSpinBox(g);
    holeMinimumPoints_->setObjectName(QStringLiteral("groundHoleMinimumPointSpin"));
    holeMinimumPoints_->setRange(1, kMinimumPointsLimit);
    holeMinimumPoints_->setValue(10);
    holeMinimumPoints_->setFocusPolicy(Qt::StrongFocus);
    addRow(form, QStringLiteral("最远距离"), holeFar_);
    addRow(form, QStringLiteral("最近距离"), holeNear_);
    addRow(form, QStringLiteral("半宽"), holeHalfWidth_);
    addRow(form, QStringLiteral("分辨率"), holeResolution_);
    addRow(form, QStringLiteral("半厚度"), holeHalfThickness_);
    addRow(form, QStringLiteral("最少点数"), holeMinimumPoints_);
}

void OptionsEditor::enableDependents() {
    for (QWidget* w : std::initializer_list<QWidget*>{holeFar_, holeNear_, holeHalfWidth_, holeResolution_,
                                                      holeHalfThickness_, holeMinimumPoints_}) {
        w->setEnabled(groundHole_->isChecked());
    }
    for (QDoubleSpinBox* box : forkliftBounds_) {
        box->setEnabled(forklift_->isChecked());
    }
}

void OptionsEditor::showOptions(const AdvancedOptions& options) {
    debug_->setChecked(options.debug);
    const GroundVoidOptions& hole = options.groundVoid;
    groundHole_->setChecked(hole.enabled);
    holeFar_->setValue(hole.farDistance);
    holeNear_->setValue(hole.nearDistance);
    holeHalfWidth_->setValue(hole.halfWidth);
    holeResolution_->setValue(hole.resolution);
    holeHalfThickness_->setValue(hole.halfThickness);
    holeMinimumPoints_->setValue(std::isfinite(hole.minPoints) ? static_cast<int>(std::lround(hole.minPoints)) : 0);
    const SemanticOptions& s = options.semantic;
    semantics_->setChecked(s.enabled);
    simpleOutput_->setChecked(s.pointCloudCompact);
    boxes_->setChecked(s.nonSemanticBox);
    enhanced_->setChecked(s.enhancement);
    semanticsOutput_->setChecked(s.pointCloudOutput);
    const double bounds[4] = {s.minX, s.maxX, s.minY, s.maxY};
    forklift_->setChecked(bounds[0] != 0.0 || bounds[1] != 0.0 || bounds[2] != 0.0 || bounds[3] != 0.0);
    for (int i = 0; i < 4; ++i) {
        forkliftBounds_[i]->setValue(bounds[i]);
    }
    enableDependents();
}

void OptionsEditor::writeOptions(AdvancedOptions& options) const {
    options.debug = debug_->isChecked();
    GroundVoidOptions& hole = options.groundVoid;
    hole.enabled = groundHole_->isChecked();
    hole.farDistance = holeFar_->value();
    hole.nearDistance = holeNear_->value();
    hole.halfWidth = holeHalfWidth_->value();
    hole.resolution = holeResolution_->value();
    hole.halfThickness = holeHalfThickness_->value();
    hole.minPoints = static_cast<double>(holeMinimumPoints_->value());
    SemanticOptions& s = options.semantic;
    s.enabled = semantics_->isChecked();
    s.pointCloudCompact = simpleOutput_->isChecked();
    s.nonSemanticBox = boxes_->isChecked();
    s.enhancement = enhanced_->isChecked();
    s.pointCloudOutput = semanticsOutput_->isChecked();
    const bool forklift = forklift_->isChecked();
    double* bounds[4] = {&s.minX, &s.maxX, &s.minY, &s.maxY};
    for (int i = 0; i < 4; ++i) {
        *bounds[i] = forklift ? forkliftBounds_[i]->value() : 0.0;
    }
}

void OptionsEditor::updateVisibility(bool v2Selected, bool adminMode) {
    v2AdvancedGroup_->setVisible(v2Selected || adminMode);
    v2AdvancedGroup_->setTitle(!v2Selected ? QStringLiteral("V1 高级参数")
                                           : (adminMode ? QStringLiteral("V2 高级参数") : QStringLiteral("V2 输出参数")));
    for (QWidget* w : v2Only_) {
        w->setVisible(v2Selected);
    }
    for (QWidget* w : v2AdminOnly_) {
        w->setVisible(v2Selected && adminMode);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{groundHoleGroup_, imageSavingGroup_, debug_, exportImages_}) {
        w->setVisible(v2Selected && adminMode);
    }
}

}  // namespace hazard_desk
