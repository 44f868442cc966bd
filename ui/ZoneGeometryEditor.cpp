#include "ZoneGeometryEditor.h"

#include "EditorWidgets.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace hazard_desk {
namespace {

using namespace editor_widgets;

constexpr const char* kNotifyTooltip = "当前 ZAVOV 正式界面未开放扇形提示区；已存在的设备字段会原样透传";

// The sector a template of another type starts from when it becomes a sector.
SectorZones startingSector() {
    SectorZones sector;
    sector.lowerLimit = 0.0;
    sector.danger = SectorZone{0.0, -30.0, 30.0, 50.0, 1000.0, 0.0, 0.0};
    sector.warning = sector.danger;
    sector.notify.reset();
    return sector;
}

}  // namespace

ZoneGeometryEditor::ZoneGeometryEditor(QWidget* parent) : QStackedWidget(parent) {
    setObjectName(QStringLiteral("zoneParameterStack"));
    auto* rectanglePage = new QWidget(this);
    rectanglePage->setObjectName(QStringLiteral("rectangleZonePage"));
    auto* rectangleLayout = new QVBoxLayout(rectanglePage);
    rectangleLayout->setContentsMargins(0, 0, 0, 0);
    rectangleLayout->addWidget(buildRectangleGroup(rectanglePage));
    addWidget(rectanglePage);

    auto* sectorPage = new QWidget(this);
    sectorPage->setObjectName(QStringLiteral("sectorZonePage"));
    auto* sectorLayout = new QVBoxLayout(sectorPage);
    sectorLayout->setContentsMargins(0, 0, 0, 0);
    sectorLayout->addWidget(buildSectorGroup(sectorPage));
    addWidget(sectorPage);

    for (QDoubleSpinBox* box : findChildren<QDoubleSpinBox*>()) {
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &ZoneGeometryEditor::edited);
    }
    connect(this, &QStackedWidget::currentChanged, this, &ZoneGeometryEditor::fitCurrentPage);
    fitCurrentPage();
}

QSize ZoneGeometryEditor::sizeHint() const {
    return currentWidget() != nullptr ? currentWidget()->sizeHint() : QStackedWidget::sizeHint();
}

QSize ZoneGeometryEditor::minimumSizeHint() const {
    return currentWidget() != nullptr ? currentWidget()->minimumSizeHint() : QStackedWidget::minimumSizeHint();
}

void ZoneGeometryEditor::fitCurrentPage() {
    // A stack is as tall as its tallest page; the panel should not show the
    // rectangle's seven rows in the sector page's nine-row box.
    for (int i = 0; i < count(); ++i) {
        const QSizePolicy::Policy policy = i == currentIndex() ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        widget(i)->setSizePolicy(policy, policy);
    }
    updateGeometry();
}

QGroupBox* ZoneGeometryEditor::buildRectangleGroup(QWidget* page) {
    rectangleGroup_ = group(page, "rectangleParametersGroup", QStringLiteral("矩形区域参数"));
    auto* form = new QFormLayout(rectangleGroup_);
    const QString mm = QStringLiteral(" mm");
    const double big = kCoordinateLimitMm;
    QWidget* g = rectangleGroup_;
    dangerNear_ = spin(g, "rectDangerNearSpin", 0, big, 500, mm);
    dangerFar_ = spin(g, "rectDangerFarSpin", 0, big, 1000, mm);
    warningFar_ = spin(g, "rectWarningFarSpin", 0, big, 1500, mm);
    yMin_ = spin(g, "rectYMinSpin", -big, big, -500, mm);
    yMax_ = spin(g, "rectYMaxSpin", -big, big, 500, mm);
    zMin_ = spin(g, "rectZMinSpin", -big, big, -500, mm);
    zMax_ = spin(g, "rectZMaxSpin", -big, big, 500, mm);
    addRow(form, QStringLiteral("危险近端 X0"), dangerNear_);
    addRow(form, QStringLiteral("危险远端 X1"), dangerFar_);
    addRow(form, QStringLiteral("警告远端 X2"), warningFar_);
    addRow(form, QStringLiteral("横向 Y min"), yMin_);
    addRow(form, QStringLiteral("横向 Y max"), yMax_);
    addRow(form, QStringLiteral("高度 Z min"), zMin_);
    addRow(form, QStringLiteral("高度 Z max"), zMax_);
    return rectangleGroup_;
}

QGroupBox* ZoneGeometryEditor::buildSectorGroup(QWidget* page) {
    sectorGroup_ = group(page, "sectorParametersGroup", QStringLiteral("扇形区域参数"));
    auto* form = new QFormLayout(sectorGroup_);
    const QString mm = QStringLiteral(" mm");
    const QString deg = QStringLiteral(" °");
    const double big = kCoordinateLimitMm;
    QWidget* g = sectorGroup_;
    dangerRadius_ = spin(g, "sectorDangerRadiusSpin", 0, big, 1000, mm);
    warningRadius_ = spin(g, "sectorWarningRadiusSpin", 0, big, 2000, mm);
    notifyRadius_ = spin(g, "sectorNotifyRadiusSpin", 0, big, 3000, mm);
    leftAngle_ = spin(g, "sectorLeftAngleSpin", -180, 180, -30, deg);
    rightAngle_ = spin(g, "sectorRightAngleSpin", -180, 180, 30, deg);
    sectorZMin_ = spin(g, "sectorZMinSpin", -big, big, 0, mm);
    sectorZMax_ = spin(g, "sectorZMaxSpin", -big, big, 1000, mm);
    centerX_ = spin(g, "sectorCenterXSpin", -big, big, 0, mm);
    centerY_ = spin(g, "sectorCenterYSpin", -big, big, 0, mm);
    accuracy_ = spin(g, "sectorAccuracySpin", 0.05, 1.0, 1.0);
    accuracy_->setSingleStep(0.05);
    addRow(form, QStringLiteral("危险半径"), dangerRadius_);
    addRow(form, QStringLiteral("警告半径"), warningRadius_);
    addRow(form, QStringLiteral("提示半径"), notifyRadius_);
    addRow(form, QStringLiteral("左边界角"), leftAngle_);
    addRow(form, QStringLiteral("右边界角"), rightAngle_);
    addRow(form, QStringLiteral("高度 Z min"), sectorZMin_);
    addRow(form, QStringLiteral("高度 Z max"), sectorZMax_);
    addRow(form, QStringLiteral("圆心 X"), centerX_);
    addRow(form, QStringLiteral("圆心 Y"), centerY_);
    addRow(form, QStringLiteral("采样精度"), accuracy_);
    return sectorGroup_;
}

void ZoneGeometryEditor::hideSectorExtras() {
    auto* form = qobject_cast<QFormLayout*>(sectorGroup_->layout());
    setRowVisible(form, accuracy_, false);
    setRowVisible(form, notifyRadius_, false);
    notifyRadius_->setEnabled(false);
    notifyRadius_->setToolTip(QString::fromUtf8(kNotifyTooltip));
}

int ZoneGeometryEditor::showTemplate(const ZoneTemplate& zoneTemplate) {
    if (const auto* sector = std::get_if<SectorZones>(&zoneTemplate.body)) {
        dangerRadius_->setValue(sector->danger.radius);
        warningRadius_->setValue(sector->warning.radius);
        leftAngle_->setValue(sector->danger.leftAngle);
        rightAngle_->setValue(sector->danger.rightAngle);
        sectorZMin_->setValue(sector->danger.minZ);
        sectorZMax_->setValue(sector->danger.maxZ);
        centerX_->setValue(sector->danger.centerX);
        centerY_->setValue(sector->danger.centerY);
        if (sector->notify) {
            notifyRadius_->setValue(sector->notify->radius);
        }
        setRowVisible(qobject_cast<QFormLayout*>(sectorGroup_->layout()), notifyRadius_, sector->notify.has_value());
        setCurrentIndex(kSectorPage);
        return kSectorPage;
    }
    if (const auto* square = std::get_if<SquareZones>(&zoneTemplate.body)) {
        dangerNear_->setValue(square->lowerLimit);
        dangerFar_->setValue(square->emergencyStopUpper);
        warningFar_->setValue(square->decelerationUpper);
        yMin_->setValue(square->rangeLeft);
        yMax_->setValue(square->rangeRight);
        zMin_->setValue(square->heightLower);
        zMax_->setValue(square->heightUpper);
    } else if (const auto* freeBox = std::get_if<FreeBoxZones>(&zoneTemplate.body)) {
        dangerNear_->setValue(freeBox->danger.minX);
        dangerFar_->setValue(freeBox->danger.maxX);
        warningFar_->setValue(freeBox->warning.maxX);
        yMin_->setValue(freeBox->danger.minY);
        yMax_->setValue(freeBox->danger.maxY);
        zMin_->setValue(freeBox->danger.minZ);
        zMax_->setValue(freeBox->danger.maxZ);
    }
    setCurrentIndex(kRectanglePage);
    return kRectanglePage;
}

void ZoneGeometryEditor::writeBody(ZoneTemplate& zoneTemplate, int page) const {
    if (page == kRectanglePage) {
        zoneTemplate.body = SquareZones{dangerNear_->value(), dangerFar_->value(), warningFar_->value(), yMin_->value(),
                                        yMax_->value(),       zMin_->value(),      zMax_->value()};
        return;
    }
    if (page != kSectorPage) {
        return;
    }
    const auto* own = std::get_if<SectorZones>(&zoneTemplate.body);
    SectorZones sector = own != nullptr ? *own : startingSector();
    sector.danger.radius = dangerRadius_->value();
    sector.warning.radius = warningRadius_->value();
    for (SectorZone* zone : {&sector.danger, &sector.warning}) {
        zone->leftAngle = leftAngle_->value();
        zone->rightAngle = rightAngle_->value();
        zone->minZ = sectorZMin_->value();
        zone->maxZ = sectorZMax_->value();
        zone->centerX = centerX_->value();
        zone->centerY = centerY_->value();
    }
    zoneTemplate.body = sector;
}

}  // namespace hazard_desk
