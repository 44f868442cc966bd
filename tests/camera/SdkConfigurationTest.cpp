#include "SdkConfiguration.h"

#include <memory>

#include <gtest/gtest.h>
#include <spdlog/sinks/null_sink.h>

#include "LogCapture.h"
#include "ZrCameraParams.h"

namespace algPlatform {
namespace {

class SdkConfigurationTest : public ::testing::Test {
protected:
    SdkConfigurationTest()
        : logger_("config-test", std::make_shared<spdlog::sinks::null_sink_mt>()), capture_(logger_)
    {
        logger_.set_level(spdlog::level::trace);
    }

    SdkConfiguration read(const char* text)
    {
        SdkConfiguration configuration;
        configuration.read(nlohmann::json::parse(text), logger_, "127.0.10.1");
        return configuration;
    }

    spdlog::logger logger_;
    LogCapture capture_;
};

TEST_F(SdkConfigurationTest, MapModeReadsEverySectionInOrder)
{
    const SdkConfiguration c = read(R"({
        "enable_depth_stream": "off",
        "int": {"gain": 3, "ZR_INT_MAX_DEPTH": "0x10"},
        "double": {"confidence": 0.5},
        "float": [{"name": "filter_level", "value": "1.5"}, {"cmd": "light_intensity", "value": 2}],
        "bool": {"enable_rgb_stream": 1},
        "string": {"custom_id": 7},
        "sdk": {"int": {"1005": 9}, "string": [{"command": "algorithm_params", "value": "{}"}]}
    })");
    EXPECT_FALSE(c.orderedMode);
    ASSERT_EQ(c.ints.size(), 2u);
    EXPECT_EQ(c.ints.at(ZR_INT_GAIN).value, 9);          // the later "sdk" entry replaces the earlier one
    EXPECT_EQ(c.ints.at(ZR_INT_GAIN).name, "1005");
    EXPECT_EQ(c.ints.at(ZR_INT_MAX_DEPTH).value, "0x10");
    ASSERT_EQ(c.floats.size(), 3u);
    EXPECT_EQ(c.floats.at(ZR_FLOAT_CONFIDENCE).value, 0.5);
    EXPECT_EQ(c.floats.at(ZR_FLOAT_FILTER_LEVEL).value, "1.5");
    EXPECT_EQ(c.floats.at(ZR_FLOAT_LIGHT_INTENSITY).name, "light_intensity");
    ASSERT_EQ(c.bools.size(), 2u);
    EXPECT_EQ(c.bools.at(ZR_BOOL_ENABLE_3D_DEPTH_STREAM).value, "off");
    EXPECT_EQ(c.bools.at(ZR_BOOL_ENABLE_2D_STREAM).value, 1);
    ASSERT_EQ(c.texts.size(), 2u);
    EXPECT_EQ(c.texts.at(ZR_STRING_CUSTOM_ID).value, 7);
    EXPECT_EQ(c.texts.at(ZR_STRING_ALGORITHM_PARAMS).value, "{}");
    EXPECT_EQ(capture_.text(), "");
}

TEST_F(SdkConfigurationTest, UnknownNamesWarnAndUnconvertibleValuesAreSkippedSilently)
{
    const SdkConfiguration c = read(R"({
        "int": {"no_such_int": 1, "gain": "loud", "2001": 4},
        "float": {"no_such_float": 1.0},
        "bool": {"no_such_bool": true, "enable_rgb_stream": "maybe"},
        "string": {"no_such_string": "x"}
    })");
    EXPECT_TRUE(c.ints.empty());
    EXPECT_TRUE(c.floats.empty());
    EXPECT_TRUE(c.bools.empty());
    EXPECT_TRUE(c.texts.empty());
    EXPECT_TRUE(capture_.contains("[warning] K7 unknown SDK int param ignored, name=no_such_int, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains("[warning] K7 unknown SDK int param ignored, name=2001, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains("[warning] K7 unknown SDK float param ignored, name=no_such_float, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains("[warning] K7 unknown SDK bool param ignored, name=no_such_bool, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains("[warning] K7 unknown SDK string param ignored, name=no_such_string, ip=127.0.10.1"));
    EXPECT_FALSE(capture_.contains("name=gain"));
    EXPECT_EQ(capture_.count("[warning]"), 5u);
}

TEST_F(SdkConfigurationTest, OrderedModeReadsCallsInOrder)
{
    const SdkConfiguration c = read(R"({
        "int": {"gain": 3},
        "sdk": {"calls": [
            {"type": "Integer", "name": "gain", "value": 5},
            {"type": "delay", "sleep_ms": 20},
            {"type": "Double", "name": "confidence", "value": "0.5", "after_ms": 200},
            {"name": "enable_rgb_stream", "value": true, "delay_ms": "x", "sleep_ms": 0},
            {"kind": "string", "cmd": "custom_id", "value": 12},
            {"value_type": "boolean", "command": "3002", "value": "on", "delay_ms": -4},
            {"name": "ZR_INT_MAX_DEPTH", "value": 8000}
        ]}
    })");
    EXPECT_TRUE(c.orderedMode);
    EXPECT_TRUE(c.orderedValid);
    EXPECT_TRUE(c.ints.empty());   // ordered mode drops the typed sections
    ASSERT_EQ(c.calls.size(), 7u);
    using Kind = OrderedSdkCall::Kind;
    EXPECT_EQ(c.calls[0].kind, Kind::Integer);
    EXPECT_EQ(c.calls[0].id, ZR_INT_GAIN);
    EXPECT_EQ(c.calls[1].kind, Kind::Sleep);
    EXPECT_EQ(c.calls[1].delayMs, 20);
    EXPECT_EQ(c.calls[2].kind, Kind::Float);
    EXPECT_EQ(c.calls[2].id, ZR_FLOAT_CONFIDENCE);
    EXPECT_EQ(c.calls[2].delayMs, 200);
    EXPECT_EQ(c.calls[2].value, "0.5");   // kept unconverted until applied
    EXPECT_EQ(c.calls[3].kind, Kind::Boolean);   // kind inferred: int and float do not know the name
    EXPECT_EQ(c.calls[3].id, ZR_BOOL_ENABLE_2D_STREAM);
    EXPECT_EQ(c.calls[3].delayMs, 0);
    EXPECT_EQ(c.calls[4].kind, Kind::Text);
    EXPECT_EQ(c.calls[4].id, ZR_STRING_CUSTOM_ID);
    EXPECT_EQ(c.calls[5].kind, Kind::Boolean);
    EXPECT_EQ(c.calls[5].delayMs, 0);
    EXPECT_EQ(c.calls[6].kind, Kind::Integer);
    EXPECT_EQ(capture_.text(), "");
}

TEST_F(SdkConfigurationTest, InvalidCallsAreAllReportedAndInvalidateTheList)
{
    const SdkConfiguration c = read(R"({"sdk": {"calls": [
        5,
        {"type": "sleep", "sleep_ms": 0},
        {"type": "int", "value": 1},
        {"type": "int", "name": "gain"},
        {"type": "text", "name": "custom_id", "value": "x"},
        {"name": "no_such", "value": 1},
        {"type": "float", "name": "gain", "value": 1},
        {"type": "int", "name": "gain", "value": 2}
    ]}})");
    EXPECT_TRUE(c.orderedMode);
    EXPECT_FALSE(c.orderedValid);
    const std::string prefix = "[error] K7 invalid ordered SDK call, index=";
    EXPECT_TRUE(capture_.contains(prefix + "0, reason=item is not object, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains(prefix + "1, reason=sleep call missing positive delay_ms, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains(prefix + "2, reason=missing name/cmd, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains(prefix + "3, reason=missing value, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains(prefix + "4, reason=unknown type or command: text:custom_id, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains(prefix + "5, reason=unknown type or command: :no_such, ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains(prefix + "6, reason=unknown type or command: float:gain, ip=127.0.10.1"));
    EXPECT_EQ(capture_.count("[error]"), 7u);
}

TEST_F(SdkConfigurationTest, CallsThatAreNotAnArray)
{
    const SdkConfiguration c = read(R"({"sdk": {"calls": {"type": "int"}}})");
    EXPECT_TRUE(c.orderedMode);
    EXPECT_FALSE(c.orderedValid);
    EXPECT_TRUE(capture_.contains("[error] K7 sdk.calls must be an array, ip=127.0.10.1"));
}

}  // namespace
}  // namespace algPlatform
