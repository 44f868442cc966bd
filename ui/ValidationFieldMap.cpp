#include "ValidationFieldMap.h"

#include <array>

namespace hazard_desk {
namespace {

struct FieldRoute {
    const char* suffix;   // after the template path, "" for the template itself
    QStringList fields;
};

const QStringList kRectangleDanger{QStringLiteral("rectDangerNearSpin"), QStringLiteral("rectDangerFarSpin"),
                                   QStringLiteral("rectYMinSpin"),       QStringLiteral("rectYMaxSpin"),
                                   QStringLiteral("rectZMinSpin"),       QStringLiteral("rectZMaxSpin")};

const QStringList kSectorShared{QStringLiteral("sectorLeftAngleSpin"), QStringLiteral("sectorRightAngleSpin"),
                                QStringLiteral("sectorZMinSpin"),      QStringLiteral("sectorZMaxSpin"),
                                QStringLiteral("sectorCenterXSpin"),   QStringLiteral("sectorCenterYSpin")};

const std::array<FieldRoute, 4> kSquareRoutes{{
    {"", kRectangleDanger + QStringList{QStringLiteral("rectWarningFarSpin")}},
    {".distance",
     {QStringLiteral("rectDangerNearSpin"), QStringLiteral("rectDangerFarSpin"), QStringLiteral("rectWarningFarSpin")}},
    {".range", {QStringLiteral("rectYMinSpin"), QStringLiteral("rectYMaxSpin")}},
    {".height", {QStringLiteral("rectZMinSpin"), QStringLiteral("rectZMaxSpin")}},
}};

// The rectangle page shows a free box's danger box and its warning far edge.
const std::array<FieldRoute, 6> kFreeBoxRoutes{{
    {".zones.danger", kRectangleDanger},
    {".zones.danger.x", {QStringLiteral("rectDangerNearSpin"), QStringLiteral("rectDangerFarSpin")}},
    {".zones.danger.y", {QStringLiteral("rectYMinSpin"), QStringLiteral("rectYMaxSpin")}},
    {".zones.danger.z", {QStringLiteral("rectZMinSpin"), QStringLiteral("rectZMaxSpin")}},
    {".zones.warning", {QStringLiteral("rectWarningFarSpin")}},
    {".zones.warning.x", {QStringLiteral("rectWarningFarSpin")}},
}};

// The sector page edits the danger and warning records' shared values once.
const std::array<FieldRoute, 11> kSectorRoutes{{
    {".distance", {QStringLiteral("sectorDangerRadiusSpin"), QStringLiteral("sectorWarningRadiusSpin")}},
    {".zones.danger", kSectorShared + QStringList{QStringLiteral("sectorDangerRadiusSpin")}},
    {".zones.danger.radius", {QStringLiteral("sectorDangerRadiusSpin")}},
    {".zones.danger.angles", {QStringLiteral("sectorLeftAngleSpin"), QStringLiteral("sectorRightAngleSpin")}},
    {".zones.danger.z", {QStringLiteral("sectorZMinSpin"), QStringLiteral("sectorZMaxSpin")}},
    {".zones.warning", kSectorShared + QStringList{QStringLiteral("sectorWarningRadiusSpin")}},
    {".zones.warning.radius", {QStringLiteral("sectorWarningRadiusSpin")}},
    {".zones.warning.angles", {QStringLiteral("sectorLeftAngleSpin"), QStringLiteral("sectorRightAngleSpin")}},
    {".zones.warning.z", {QStringLiteral("sectorZMinSpin"), QStringLiteral("sectorZMaxSpin")}},
    {".zones.notify", {QStringLiteral("sectorNotifyRadiusSpin")}},
    {".zones.notify.radius", {QStringLiteral("sectorNotifyRadiusSpin")}},
}};

const std::array<FieldRoute, 4> kOptionRoutes{{
    {".v2.groundVoid",
     {QStringLiteral("groundHoleFarSpin"), QStringLiteral("groundHoleNearSpin"), QStringLiteral("groundHoleHalfWidthSpin"),
      QStringLiteral("groundHoleResolutionSpin"), QStringLiteral("groundHoleHalfThicknessSpin"),
      QStringLiteral("groundHoleMinimumPointSpin")}},
    {".v2.groundVoid.distance", {QStringLiteral("groundHoleNearSpin"), QStringLiteral("groundHoleFarSpin")}},
    {".v2.groundVoid.resolution", {QStringLiteral("groundHoleResolutionSpin")}},
    {".v2.semantic",
     {QStringLiteral("forkliftMinXSpin"), QStringLiteral("forkliftMaxXSpin"), QStringLiteral("forkliftMinYSpin"),
      QStringLiteral("forkliftMaxYSpin")}},
}};

template <std::size_t N>
bool route(const std::array<FieldRoute, N>& routes, const std::string& rest, QStringList& fields) {
    for (const FieldRoute& r : routes) {
        if (rest == r.suffix) {
            fields = r.fields;
            return true;
        }
    }
    return false;
}

}  // namespace

QStringList ValidationFieldMap::fieldsFor(const std::string& path, int editingIndex, TemplateType type) {
    if (path == "extrinsics") {
        return {QStringLiteral("extrinsicXSpin"),    QStringLiteral("extrinsicYSpin"),
                QStringLiteral("extrinsicZSpin"),    QStringLiteral("extrinsicRollSpin"),
                QStringLiteral("extrinsicPitchSpin"), QStringLiteral("extrinsicYawSpin")};
    }
    if (path == "activeIndex") {
        return {QStringLiteral("templateIndexSpin")};
    }
    const std::string templatePath = "templates[" + std::to_string(editingIndex) + "]";
    if (path.compare(0, templatePath.size(), templatePath) != 0) {
        return {};
    }
    const std::string rest = path.substr(templatePath.size());
    if (rest == ".index") {
        return {QStringLiteral("templateIndexSpin")};
    }
    QStringList fields;
    if (route(kOptionRoutes, rest, fields)) {
        return fields;
    }
    switch (type) {
        case TemplateType::Square: route(kSquareRoutes, rest, fields); break;
        case TemplateType::SquareFree: route(kFreeBoxRoutes, rest, fields); break;
        case TemplateType::Sector: route(kSectorRoutes, rest, fields); break;
    }
    return fields;
}

}  // namespace hazard_desk
