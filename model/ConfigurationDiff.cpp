#include "ConfigurationDiff.h"

#include "DeviceJsonKeys.h"
#include "DeviceJsonWriter.h"

#include <optional>
#include <string>

namespace hazard_desk {

namespace {

using nlohmann::json;

const json* member(const json* object, const std::string& key)
{
    if (object == nullptr || !object->is_object()) {
        return nullptr;
    }
    const auto found = object->find(key);
    return found == object->end() ? nullptr : &*found;
}

bool same(const json* before, const json* after)
{
    if (before == nullptr || after == nullptr) {
        return before == after;
    }
    return readbackValuesEqual(*before, *after) && readbackValuesEqual(*after, *before);
}

bool noNotifyZone(const json* value)
{
    return value == nullptr || isEmptyNotifyZone(*value);
}

// A stated type agrees with the other side when it is absent or the other
// side's boxes imply it.
bool typeAgrees(const json* type, const json& otherZone)
{
    return type == nullptr || zoneTypeImpliedByShape(*type, otherZone);
}

bool isTrue(const json* value)
{
    return value != nullptr && *value == true;
}

bool falseOrAbsent(const json* value)
{
    return value == nullptr || *value == false;
}

class DiffBuilder {
public:
    void add(const std::string& path, const json* before, const json* after)
    {
        differences_.push_back({path, optionalFieldValue(after), optionalFieldValue(before)});
    }

    void compareZone(const std::string& path, const json& before, const json& after)
    {
        for (const char* key : device_keys::kWrittenZoneKeys) {
            const json* b = member(&before, key);
            const json* a = member(&after, key);
            const std::string name(key);
            if (same(b, a) || (name == device_keys::kNotifyZone && noNotifyZone(b) && noNotifyZone(a))
                || (name == device_keys::kZoneType && typeAgrees(b, after) && typeAgrees(a, before))) {
                continue;
            }
            add(path + "." + name, b, a);
        }
    }

    FieldDifferenceList take() { return std::move(differences_); }

private:
    FieldDifferenceList differences_;
};

}  // namespace

FieldDifferenceList diffDeviceDocuments(const json& before, const json& after)
{
    DiffBuilder diff;
    for (const char* key : {device_keys::kRotation, device_keys::kTranslation, device_keys::kZoneIndex}) {
        const json* b = member(&before, key);
        const json* a = member(&after, key);
        if (!same(b, a)) {
            diff.add(key, b, a);
        }
    }

    const json* beforeZones = member(&before, device_keys::kZones);
    const json* afterZones = member(&after, device_keys::kZones);
    for (int index = 0; index <= kMaxTemplateIndex; ++index) {
        const std::string key = std::to_string(index);
        const std::string path = std::string(device_keys::kZones) + "." + key;
        const json* b = member(beforeZones, key);
        const json* a = member(afterZones, key);
        if (b == nullptr && a == nullptr) {
            continue;
        }
        if (b == nullptr || a == nullptr || !b->is_object() || !a->is_object()) {
            if (!same(b, a)) {
                diff.add(path, b, a);
            }
            continue;
        }
        diff.compareZone(path, *b, *a);
    }

    const bool holesDetected = isTrue(member(&before, device_keys::kGroundHoleDetection))
                               || isTrue(member(&after, device_keys::kGroundHoleDetection));
    for (const char* key : device_keys::kFlagKeys) {
        const std::string name(key);
        const json* b = member(&before, key);
        const json* a = member(&after, key);
        if (same(b, a) || (name == device_keys::kGroundHoleParam && !holesDetected)
            || (name == device_keys::kForklift2dEnhance && falseOrAbsent(b) && falseOrAbsent(a))) {
            continue;
        }
        diff.add(name, b, a);
    }
    return diff.take();
}

FieldDifferenceList diffApplyAgainstCamera(const WorkstationDocument& draft, const json& running)
{
    return diffDeviceDocuments(running, mergeActiveTemplate(draft, running));
}

FieldDifferenceList diffWorkstationDocuments(const WorkstationDocument& before, const WorkstationDocument& after)
{
    return diffDeviceDocuments(buildDeviceDocument(before, json::object()), buildDeviceDocument(after, json::object()));
}

}  // namespace hazard_desk
