#include "RegionSummaryFormatter.h"

#include <variant>

namespace hazard_desk {
namespace {

QString number(double value) {
    return QString::number(value, 'g', 10);
}

QString radiusText(double radius) {
    return QStringLiteral("半径 %1 mm").arg(number(radius));
}

}  // namespace

QString RegionSummaryFormatter::rangeText(double from, double to) {
    return QStringLiteral("%1–%2 mm").arg(number(from), number(to));
}

RegionSummary RegionSummaryFormatter::placeholder(const QString& context) {
    RegionSummary summary;
    summary.context = context;
    return summary;
}

RegionSummary RegionSummaryFormatter::forTemplate(const ZoneTemplate& zoneTemplate, const QString& context) {
    RegionSummary summary = placeholder(context);
    if (const auto* square = std::get_if<SquareZones>(&zoneTemplate.body)) {
        summary.type = QStringLiteral("矩形区域");
        summary.stopValue = rangeText(square->lowerLimit, square->emergencyStopUpper);
        summary.warningValue = rangeText(square->emergencyStopUpper, square->decelerationUpper);
        summary.lateralValue = rangeText(square->rangeLeft, square->rangeRight);
        summary.heightValue = rangeText(square->heightLower, square->heightUpper);
    } else if (const auto* boxes = std::get_if<FreeBoxZones>(&zoneTemplate.body)) {
        summary.type = QStringLiteral("自由矩形区域");
        summary.stopValue = rangeText(boxes->danger.minX, boxes->danger.maxX);
        summary.warningValue = rangeText(boxes->warning.minX, boxes->warning.maxX);
        summary.lateralValue = rangeText(boxes->danger.minY, boxes->danger.maxY);
        summary.heightValue = rangeText(boxes->danger.minZ, boxes->danger.maxZ);
        summary.notifyVisible = true;
        summary.notifyValue = rangeText(boxes->notify.minX, boxes->notify.maxX);
    } else if (const auto* sector = std::get_if<SectorZones>(&zoneTemplate.body)) {
        summary.type = QStringLiteral("扇形区域");
        summary.stopValue = radiusText(sector->danger.radius);
        summary.warningValue = radiusText(sector->warning.radius);
        summary.lateralTitle = QStringLiteral("角度范围");
        summary.lateralValue =
            QStringLiteral("%1°–%2°").arg(number(sector->danger.leftAngle), number(sector->danger.rightAngle));
        summary.heightValue = rangeText(sector->danger.minZ, sector->danger.maxZ);
        if (sector->notify.has_value()) {
            summary.notifyVisible = true;
            summary.notifyValue = radiusText(sector->notify->radius);
        }
    }
    return summary;
}

}  // namespace hazard_desk
