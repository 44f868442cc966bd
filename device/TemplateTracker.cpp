#include "TemplateTracker.h"

namespace hazard_desk {

int TemplateTracker::resolve(int deviceIndex, int jsonIndex)
{
    if (lastResolved_ >= 0 && deviceIndex != jsonIndex) {
        if (jsonIndex >= 0 && lastJsonIndex_ >= 0 && jsonIndex != lastJsonIndex_) {
            // The JSON index changed since the last call: the JSON was just written.
            set(jsonIndex, deviceIndex, jsonIndex);
            return jsonIndex;
        }
        if (deviceIndex == lastDeviceIndex_) {
            lastJsonIndex_ = jsonIndex;
            return lastResolved_;
        }
    }
    set(deviceIndex, deviceIndex, jsonIndex);
    return deviceIndex;
}

void TemplateTracker::reset()
{
    set(-1, -1, -1);
}

void TemplateTracker::set(int lastResolved, int lastDeviceIndex, int lastJsonIndex)
{
    lastResolved_ = lastResolved;
    lastDeviceIndex_ = lastDeviceIndex;
    lastJsonIndex_ = lastJsonIndex;
}

}  // namespace hazard_desk
