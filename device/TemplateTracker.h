#pragma once
// Decides which template a template-control camera runs when its special
// control and its parameter JSON disagree: a changed JSON index wins once it
// changes, a steady device index keeps the last decision. Lives as long as
// one connection.
namespace hazard_desk {

class TemplateTracker {
public:
    // deviceIndex from "GetObstacleIndex", jsonIndex from "ZoneIndex" (-1 none).
    int resolve(int deviceIndex, int jsonIndex);
    void reset();

    int lastResolved() const { return lastResolved_; }
    int lastDeviceIndex() const { return lastDeviceIndex_; }
    int lastJsonIndex() const { return lastJsonIndex_; }

    // Sets all three fields (tests and a restored connection state).
    void set(int lastResolved, int lastDeviceIndex, int lastJsonIndex);

private:
    int lastResolved_ = -1;
    int lastDeviceIndex_ = -1;
    int lastJsonIndex_ = -1;
};

}  // namespace hazard_desk
