#include "SdkParameterNames.h"
#include "SdkValueConversion.h"

#include <gtest/gtest.h>

#include "ZrCameraParams.h"

namespace algPlatform {
namespace {

struct ResolveCase {
    const char* name;
    SdkValueKind kind;
    std::optional<std::int32_t> expected;
};

TEST(SdkParameterNamesTest, ResolvesAcrossKindsAndRanges)
{
    using K = SdkValueKind;
    const ResolveCase cases[] = {
        {"ZR_INT_GAIN", K::Integer, 1005},      {"zr_int_gain", K::Integer, 1005},
        {"gain", K::Integer, 1005},             {"GAIN", K::Integer, 1005},
        {"  1005\t\r\n", K::Integer, 1005},    {"0x3ED", K::Integer, 1005},
        {"01755", K::Integer, 1005},            // octal 1005
        {"1005", K::Boolean, std::nullopt},     {"2001", K::Integer, std::nullopt},
        {"ZR_INT_GAIN", K::Float, std::nullopt},  // a name of another kind never falls through to numbers
        {"1999", K::Integer, 1999},             {"2000", K::Integer, std::nullopt},
        {"1000", K::Integer, 1000},             {"999", K::Integer, std::nullopt},
        {"1005x", K::Integer, std::nullopt},    {"", K::Integer, std::nullopt},
        {"99999999999999999999", K::Integer, std::nullopt},
        {"unknown_name", K::Integer, std::nullopt},
        {"Enable_RGB_Stream", K::Boolean, 3011}, {"enable_depth_to_rgb", K::Boolean, 3011},
        {"gain", K::Boolean, std::nullopt},     // aliases belong to their kind
        {"soft_trigger", K::Command, 5008},     {"software_trigger", K::Command, 5008},
        {"6001", K::Command, std::nullopt},     {"ZR_PTR_XYZ_DATA", K::Pointer, 6004},
    };
    for (const ResolveCase& c : cases) {
        EXPECT_EQ(SdkParameterNames::resolve(c.name, c.kind), c.expected) << "'" << c.name << "'";
    }
}

TEST(SdkValueConversionTest, Integers)
{
    using nlohmann::json;
    EXPECT_EQ(SdkValueConversion::toInt(json(42)), 42);
    EXPECT_EQ(SdkValueConversion::toInt(json(-7)), -7);
    EXPECT_EQ(SdkValueConversion::toInt(json(" 0x10 ")), 16);
    EXPECT_EQ(SdkValueConversion::toInt(json("010")), 8);
    EXPECT_EQ(SdkValueConversion::toInt(json("-12")), -12);
    EXPECT_FALSE(SdkValueConversion::toInt(json(1.5)).has_value());
    EXPECT_FALSE(SdkValueConversion::toInt(json("12a")).has_value());
    EXPECT_FALSE(SdkValueConversion::toInt(json("")).has_value());
    EXPECT_FALSE(SdkValueConversion::toInt(json(true)).has_value());
    EXPECT_FALSE(SdkValueConversion::toInt(json(nullptr)).has_value());
    EXPECT_FALSE(SdkValueConversion::toInt(json(4294967296LL)).has_value());   // would wrap in 32 bits
    EXPECT_FALSE(SdkValueConversion::toInt(json("99999999999")).has_value());
}

TEST(SdkValueConversionTest, Floats)
{
    using nlohmann::json;
    EXPECT_FLOAT_EQ(*SdkValueConversion::toFloat(json(0.5)), 0.5f);
    EXPECT_FLOAT_EQ(*SdkValueConversion::toFloat(json(3)), 3.0f);
    EXPECT_FLOAT_EQ(*SdkValueConversion::toFloat(json(" 0.25 ")), 0.25f);
    EXPECT_FLOAT_EQ(*SdkValueConversion::toFloat(json("-1e2")), -100.0f);
    for (const char* bad : {"0.5a", "abc", "", "inf", "nan", "0x1p3", "1e999"}) {
        EXPECT_FALSE(SdkValueConversion::toFloat(json(bad)).has_value()) << bad;
    }
    EXPECT_FALSE(SdkValueConversion::toFloat(json(true)).has_value());
    EXPECT_FALSE(SdkValueConversion::toFloat(json::array()).has_value());
}

TEST(SdkValueConversionTest, Booleans)
{
    using nlohmann::json;
    for (const json& yes : {json(true), json(1), json(-3), json("true"), json(" YES "), json("On"), json("1")}) {
        EXPECT_EQ(SdkValueConversion::toBool(yes), true) << yes.dump();
    }
    for (const json& no : {json(false), json(0), json("FALSE"), json("no"), json("off"), json(" 0 ")}) {
        EXPECT_EQ(SdkValueConversion::toBool(no), false) << no.dump();
    }
    for (const json& bad : {json("maybe"), json(0.5), json(nullptr), json("2"), json::object()}) {
        EXPECT_FALSE(SdkValueConversion::toBool(bad).has_value()) << bad.dump();
    }
}

TEST(SdkValueConversionTest, Texts)
{
    using nlohmann::json;
    EXPECT_EQ(SdkValueConversion::toText(json(" keep spaces ")), " keep spaces ");
    EXPECT_EQ(SdkValueConversion::toText(json(true)), "true");
    EXPECT_EQ(SdkValueConversion::toText(json(12)), "12");
    EXPECT_EQ(SdkValueConversion::toText(json(0.5)), "0.5");
    EXPECT_FALSE(SdkValueConversion::toText(json::object()).has_value());
    EXPECT_FALSE(SdkValueConversion::toText(json(nullptr)).has_value());
}

}  // namespace
}  // namespace algPlatform
