#pragma once
// The rows of the current region group for one zone template: its type and
// the stop, warning, lateral and height extents (or radii and angles for a
// sector). Texts are returned untranslated.
#include "ZoneTemplate.h"

#include <QString>

namespace hazard_desk {

struct RegionSummary {
    QString context;
    QString type = QStringLiteral("--");
    QString stopTitle = QStringLiteral("停障区域");
    QString stopValue = QStringLiteral("--");
    QString warningTitle = QStringLiteral("预警区域");
    QString warningValue = QStringLiteral("--");
    QString lateralTitle = QStringLiteral("避障范围");
    QString lateralValue = QStringLiteral("--");
    QString heightTitle = QStringLiteral("避障高度");
    QString heightValue = QStringLiteral("--");
    bool notifyVisible = false;
    QString notifyTitle = QStringLiteral("提示区域");
    QString notifyValue;
};

class RegionSummaryFormatter {
public:
    // Every value "--", the notify line hidden.
    static RegionSummary placeholder(const QString& context);
    static RegionSummary forTemplate(const ZoneTemplate& zoneTemplate, const QString& context);
    // "%1–%2 mm"
    static QString rangeText(double from, double to);
};

}  // namespace hazard_desk
