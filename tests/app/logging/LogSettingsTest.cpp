#include "LogSettings.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace algPlatform {
namespace {

// Sets or clears one environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv()
    {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct SettingCase {
    std::optional<std::string> text;
    std::size_t expected;
};

TEST(LogSettingsTest, MaxFileSizeParsingAndBounds)
{
    const SettingCase cases[] = {
        {std::nullopt, 5},          {std::string("abc"), 5}, {std::string("0"), 1},
        {std::string("12MB"), 12},  {std::string("513"), 512},
        {std::string("99999999999999999999999"), 512}, {std::string("-3"), 5},
    };
    for (const SettingCase& c : cases) {
        ScopedEnv env("VQ8_LOG_MAX_MB", c.text);
        EXPECT_EQ(LogSettings::maxFileBytes(), c.expected * 1048576u) << "text=" << c.text.value_or("<unset>");
    }
}

TEST(LogSettingsTest, MaxFilesParsingAndBounds)
{
    const SettingCase cases[] = {
        {std::nullopt, 2}, {std::string("x9"), 2}, {std::string("0"), 1},
        {std::string("51"), 50}, {std::string("4files"), 4},
    };
    for (const SettingCase& c : cases) {
        ScopedEnv env("VQ8_LOG_MAX_FILES", c.text);
        EXPECT_EQ(LogSettings::maxFiles(), c.expected) << "text=" << c.text.value_or("<unset>");
    }
}

}  // namespace
}  // namespace algPlatform
