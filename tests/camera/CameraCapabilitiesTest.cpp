#include "CameraCapabilities.h"

#include <string>
#include <tuple>

#include <gtest/gtest.h>

namespace algPlatform {
namespace {

struct ProfileCase {
    int t;
    int c;
    CapabilityProfile expected;
};

TEST(CameraCapabilitiesTest, ProfilesFollowTheRuleOrderAndOfferTheirModes)
{
    const CapabilityProfile v1{true, false, true, true, 1};
    const CapabilityProfile v2{false, true, true, true, 4};
    const CapabilityProfile none{};
    const ProfileCase cases[] = {
        {2109, 2, v2},   // in the P range but V2 only
        {2109, 0, v2},   {2001, 2, v1}, {2108, 2, v1}, {2999, 0, v1}, {0, 2, v1},   {-5, 2, v1},
        {1001, 0, v2},   {1005, 2, v2}, {1999, 0, v2}, {0, 0, v2},    {1000, 0, none}, {3000, 0, none},
        {0, 1, none},    {5001, 1, none}, {2000, 2, none}, {1, 0, none},
    };
    const auto fields = [](const CapabilityProfile& p) {
        return std::make_tuple(p.v1Offered, p.v2Offered, p.groundCalibration, p.ioMode, static_cast<int>(p.recommendedMode));
    };
    for (const ProfileCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.t) + "/" + std::to_string(c.c));
        const CapabilityProfile p = capabilityProfile(c.t, c.c);
        EXPECT_EQ(fields(p), fields(c.expected));
        // Mode 1 is V1 and mode 4 is V2; no other mode is ever offered.
        EXPECT_EQ(modeOffered(p, 1), c.expected.v1Offered);
        EXPECT_EQ(modeOffered(p, 4), c.expected.v2Offered);
        for (int mode : {0, 2, 3, 5, -1}) {
            EXPECT_FALSE(modeOffered(p, mode)) << mode;
        }
    }
    // An absent family counts as 0.
    EXPECT_TRUE(capabilityProfile(0).v2Offered);
}

TEST(CameraCapabilitiesTest, TemplateControl)
{
    for (int t : {2002, 2101, 2108, 2110, 2201, 2301}) {
        EXPECT_TRUE(usesTemplateControl(t, 1)) << t;
        EXPECT_FALSE(usesTemplateControl(t, 4)) << t;
        EXPECT_FALSE(usesTemplateControl(t, 0)) << t;
    }
    for (int t : {2003, 2001, 2109, 1005, 0}) {
        EXPECT_FALSE(usesTemplateControl(t, 1)) << t;
    }
}

}  // namespace
}  // namespace algPlatform
