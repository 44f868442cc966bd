#include "WorkstationJsonWriter.h"

#include "JsonTextWriter.h"

namespace hazard_desk {
namespace {

// Members are written in ascending key order, as the library prints its sorted
// objects; serializeWorkstationDocument reads this text back, so the two forms
// cannot drift apart. Every geometric value is a double and prints as
// floating point (1000.0), so the file says which fields are lengths.
constexpr std::size_t kTypicalTextSize = 32 * 1024;

void numberMember(JsonTextWriter& w, const char* key, double value)
{
    w.key(key);
    w.value(value);
}

void writeSectorRecord(JsonTextWriter& w, const SectorZone& s)
{
    w.beginObject();
    numberMember(w, "centerX", s.centerX);
    numberMember(w, "centerY", s.centerY);
    numberMember(w, "leftAngle", s.leftAngle);
    numberMember(w, "maxZ", s.maxZ);
    numberMember(w, "minZ", s.minZ);
    numberMember(w, "radius", s.radius);
    numberMember(w, "rightAngle", s.rightAngle);
    w.endObject();
}

void writeBox(JsonTextWriter& w, const BoxZone& b)
{
    w.beginObject();
    numberMember(w, "maxX", b.maxX);
    numberMember(w, "maxY", b.maxY);
    numberMember(w, "maxZ", b.maxZ);
    numberMember(w, "minX", b.minX);
    numberMember(w, "minY", b.minY);
    numberMember(w, "minZ", b.minZ);
    w.endObject();
}

void writeOptions(JsonTextWriter& w, const AdvancedOptions& options)
{
    w.key("v1");
    w.beginObject();
    w.key("debug");
    w.value(options.debug);
    w.endObject();

    const GroundVoidOptions& g = options.groundVoid;
    const SemanticOptions& s = options.semantic;
    w.key("v2");
    w.beginObject();
    w.key("groundVoid");
    w.beginObject();
    w.key("enabled");
    w.value(g.enabled);
    numberMember(w, "farDistance", g.farDistance);
    numberMember(w, "halfThickness", g.halfThickness);
    numberMember(w, "halfWidth", g.halfWidth);
    numberMember(w, "minPoints", g.minPoints);
    numberMember(w, "nearDistance", g.nearDistance);
    numberMember(w, "resolution", g.resolution);
    w.endObject();
    w.key("semantic");
    w.beginObject();
    w.key("enabled");
    w.value(s.enabled);
    w.key("enhancement");
    w.value(s.enhancement);
    numberMember(w, "maxX", s.maxX);
    numberMember(w, "maxY", s.maxY);
    numberMember(w, "minX", s.minX);
    numberMember(w, "minY", s.minY);
    w.key("nonSemanticBox");
    w.value(s.nonSemanticBox);
    w.key("pointCloudCompact");
    w.value(s.pointCloudCompact);
    w.key("pointCloudOutput");
    w.value(s.pointCloudOutput);
    w.endObject();
    w.endObject();
}

void writeHeader(JsonTextWriter& w, const ZoneTemplate& t)
{
    w.key("index");
    w.value(t.index);
}

void writeTypeAndOptions(JsonTextWriter& w, const ZoneTemplate& t)
{
    w.key("type");
    w.value(templateTypeWord(t.type()));
    writeOptions(w, t.options);
}

void writeSquare(JsonTextWriter& w, const ZoneTemplate& t, const SquareZones& s)
{
    numberMember(w, "decelerationUpper", s.decelerationUpper);
    numberMember(w, "emergencyStopUpper", s.emergencyStopUpper);
    numberMember(w, "heightLower", s.heightLower);
    numberMember(w, "heightUpper", s.heightUpper);
    writeHeader(w, t);
    numberMember(w, "lowerLimit", s.lowerLimit);
    numberMember(w, "rangeLeft", s.rangeLeft);
    numberMember(w, "rangeRight", s.rangeRight);
    writeTypeAndOptions(w, t);
}

void writeFreeBox(JsonTextWriter& w, const ZoneTemplate& t, const FreeBoxZones& f)
{
    writeHeader(w, t);
    writeTypeAndOptions(w, t);
    w.key("zones");
    w.beginObject();
    w.key("danger");
    writeBox(w, f.danger);
    w.key("notify");
    writeBox(w, f.notify);
    w.key("warning");
    writeBox(w, f.warning);
    w.endObject();
}

// A summary in square terms for older readers, plus the full sector records.
void writeSector(JsonTextWriter& w, const ZoneTemplate& t, const SectorZones& s)
{
    numberMember(w, "decelerationUpper", s.warning.radius);
    numberMember(w, "emergencyStopUpper", s.danger.radius);
    numberMember(w, "heightLower", s.danger.minZ);
    numberMember(w, "heightUpper", s.danger.maxZ);
    writeHeader(w, t);
    numberMember(w, "lowerLimit", s.lowerLimit);
    w.key("sector");
    w.beginObject();
    w.key("danger");
    writeSectorRecord(w, s.danger);
    numberMember(w, "leftAngle", s.danger.leftAngle);
    if (s.notify) {
        w.key("notify");
        writeSectorRecord(w, *s.notify);
    }
    numberMember(w, "rightAngle", s.danger.rightAngle);
    w.key("warning");
    writeSectorRecord(w, s.warning);
    w.endObject();
    writeTypeAndOptions(w, t);
}

void writeTemplate(JsonTextWriter& w, const ZoneTemplate& t)
{
    w.beginObject();
    if (const auto* square = std::get_if<SquareZones>(&t.body)) {
        writeSquare(w, t, *square);
    } else if (const auto* freeBox = std::get_if<FreeBoxZones>(&t.body)) {
        writeFreeBox(w, t, *freeBox);
    } else if (const auto* sector = std::get_if<SectorZones>(&t.body)) {
        writeSector(w, t, *sector);
    } else {
        writeHeader(w, t);
        writeTypeAndOptions(w, t);
    }
    w.endObject();
}

}  // namespace

std::string dumpWorkstationDocument(const WorkstationDocument& document, int indent)
{
    const Extrinsics& e = document.extrinsics;
    JsonTextWriter w(indent, kTypicalTextSize);
    w.beginObject();
    w.key("activeIndex");
    w.value(document.activeIndex);
    w.key("algorithmVersion");
    w.value(algorithmVersionWord(document.algorithmVersion));
    w.key("extrinsics");
    w.beginObject();
    numberMember(w, "pitch", e.pitch);
    numberMember(w, "roll", e.roll);
    numberMember(w, "x", e.x);
    numberMember(w, "y", e.y);
    numberMember(w, "yaw", e.yaw);
    numberMember(w, "z", e.z);
    w.endObject();
    w.key("templates");
    w.beginArray();
    for (const ZoneTemplate& t : document.templates) {
        writeTemplate(w, t);
    }
    w.endArray();
    w.key("version");
    w.value(static_cast<std::int64_t>(kWorkstationJsonVersion));
    w.endObject();
    return w.take();
}

nlohmann::json serializeWorkstationDocument(const WorkstationDocument& document)
{
    return nlohmann::json::parse(dumpWorkstationDocument(document, -1));
}

}  // namespace hazard_desk
