#include <gtest/gtest.h>

#include <vector>

#include "TemplateTracker.h"

using hazard_desk::TemplateTracker;

namespace {

struct Step {
    int device;
    int json;
    int expected;
    int resolved;   // tracker state afterwards
    int lastDevice;
    int lastJson;
};

void runSequence(TemplateTracker& tracker, const std::vector<Step>& steps)
{
    int n = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE("step " + std::to_string(n++));
        EXPECT_EQ(tracker.resolve(s.device, s.json), s.expected);
        EXPECT_EQ(tracker.lastResolved(), s.resolved);
        EXPECT_EQ(tracker.lastDeviceIndex(), s.lastDevice);
        EXPECT_EQ(tracker.lastJsonIndex(), s.lastJson);
    }
}

}  // namespace

TEST(TemplateTracker, ChangedJsonIndexWinsThenDeviceChangeTakesOver)
{
    TemplateTracker tracker;
    tracker.set(3, 3, 3);
    runSequence(tracker, {{3, 5, 5, 5, 3, 5}, {3, 5, 5, 5, 3, 5}, {7, 5, 7, 7, 7, 5}});
}

TEST(TemplateTracker, FreshTrackerFollowsTheDevice)
{
    TemplateTracker tracker;
    runSequence(tracker, {{4, 9, 4, 4, 4, 9},      // nothing resolved yet: the device answer
                          {4, 9, 4, 4, 4, 9},      // steady device, steady JSON: kept
                          {4, 4, 4, 4, 4, 4},      // both agree
                          {6, -1, 6, 6, 6, -1},    // device moved, JSON has no index
                          {6, 2, 6, 6, 6, 2},      // JSON index appears (J was -1): device stays
                          {6, 8, 8, 8, 6, 8}});    // JSON index changed: it wins
}

TEST(TemplateTracker, ResetForgetsEverything)
{
    TemplateTracker tracker;
    tracker.set(3, 3, 3);
    tracker.reset();
    EXPECT_EQ(tracker.lastResolved(), -1);
    EXPECT_EQ(tracker.lastDeviceIndex(), -1);
    EXPECT_EQ(tracker.lastJsonIndex(), -1);
    EXPECT_EQ(tracker.resolve(3, 5), 3);
}
