#include "CameraCapabilities.h"

#include <algorithm>
#include <array>
#include <utility>

namespace algPlatform {

namespace {

constexpr int kV2OnlyPSeriesModel = 2109;   // "P20 Plus": a P-series code that runs V2
constexpr int kPSeriesFirst = 2001, kPSeriesLast = 2999;
constexpr int kKSeriesFirst = 1001, kKSeriesLast = 1999;
constexpr int kFamilyK = 0, kFamilyP = 2;

const std::array<std::pair<int, const char*>, 19> kModelNames{{
    {1001, "K5"},      {1002, "K6"},         {1003, "K7 Plus"},     {1004, "K7 Grand"},
    {1005, "K7"},      {1006, "K7 V1.1"},    {1007, "K7 Plus V1.1"}, {2001, "P2"},
    {2002, "P3"},      {2003, "P3 Wide V1"}, {2004, "P3 Wide V2"},  {2005, "P3 Wide V1.1"},
    {2101, "P4"},      {2108, "P20"},        {2109, "P20 Plus"},    {2110, "P20 Apex"},
    {2201, "P21"},     {5001, "R8"},         {5002, "R9"},
}};

const std::array<int, 6> kTemplateControlModels{2002, 2101, 2108, 2110, 2201, 2301};

}  // namespace

std::optional<std::string> modelName(int deviceType)
{
    for (const auto& [code, name] : kModelNames) {
        if (code == deviceType) {
            return std::string(name);
        }
    }
    return std::nullopt;
}

CapabilityProfile capabilityProfile(int deviceType, int cameraType)
{
    const int t = deviceType;
    const int c = cameraType;
    if (t == kV2OnlyPSeriesModel) {
        return {false, true, true, true, kAlgorithmModeV2};
    }
    if ((t >= kPSeriesFirst && t <= kPSeriesLast) || (t <= 0 && c == kFamilyP)) {
        return {true, false, true, true, kAlgorithmModeV1};
    }
    if ((t >= kKSeriesFirst && t <= kKSeriesLast) || (t <= 0 && c == kFamilyK)) {
        return {false, true, true, true, kAlgorithmModeV2};
    }
    return {};
}

bool modeOffered(const CapabilityProfile& profile, int mode)
{
    if (mode == kAlgorithmModeV1) {
        return profile.v1Offered;
    }
    if (mode == kAlgorithmModeV2) {
        return profile.v2Offered;
    }
    return false;
}

bool usesTemplateControl(int deviceType, int mode)
{
    return mode == kAlgorithmModeV1 &&
           std::find(kTemplateControlModels.begin(), kTemplateControlModels.end(), deviceType) !=
               kTemplateControlModels.end();
}

}  // namespace algPlatform
