#include "StartupOptions.h"

#include <gtest/gtest.h>

namespace hazard_desk {
namespace {

QStringList args(std::initializer_list<const char*> list) {
    QStringList result{QStringLiteral("hazard-desk")};
    for (const char* a : list) {
        result << QString::fromUtf8(a);
    }
    return result;
}

struct GoodCase {
    const char* name;
    QStringList arguments;
    QString address;
    QString language;
    bool help;
};

TEST(StartupOptionsTest, AcceptsBothOptionFormsAndHelp) {
    const GoodCase cases[] = {
        {"none", args({}), QString(), QString(), false},
        {"connect separate", args({"--connect", "127.0.10.1"}), QStringLiteral("127.0.10.1"), QString(), false},
        {"connect equals", args({"--connect=127.0.0.1"}), QStringLiteral("127.0.0.1"), QString(), false},
        {"both", args({"--language=zh-CN", "--connect", " 127.0.10.2 "}), QStringLiteral("127.0.10.2"),
         QStringLiteral("zh-CN"), false},
        {"help", args({"--help"}), QString(), QString(), true},
        {"short help", args({"-h", "--connect", "127.0.0.9"}), QStringLiteral("127.0.0.9"), QString(), true},
    };
    for (const GoodCase& c : cases) {
        const StartupOptionsResult result = StartupOptionsParser::parse(c.arguments);
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error.toStdString();
        EXPECT_EQ(result.options.connectAddress, c.address) << c.name;
        EXPECT_EQ(result.options.language, c.language) << c.name;
        EXPECT_EQ(result.options.helpRequested, c.help) << c.name;
    }
}

struct BadCase {
    const char* name;
    QStringList arguments;
    const char* errorPart;
};

TEST(StartupOptionsTest, RejectsBadInputWithAMessageNamingOptionAndValue) {
    const BadCase cases[] = {
        {"missing value", args({"--connect"}), "'--connect' needs a value"},
        {"not an address", args({"--connect", "camera-1"}), "got 'camera-1'"},
        {"field too large", args({"--connect=127.0.0.256"}), "got '127.0.0.256'"},
        {"leading zero", args({"--connect", "127.0.0.01"}), "got '127.0.0.01'"},
        {"empty field", args({"--connect", "127..0.1"}), "got '127..0.1'"},
        {"sign", args({"--connect", "127.0.0.+1"}), "got '127.0.0.+1'"},
        {"empty equals", args({"--connect="}), "got ''"},
        {"bad language", args({"--language", "zh CN"}), "got 'zh CN'"},
        {"twice", args({"--connect", "127.0.0.1", "--connect", "127.0.0.2"}), "more than once"},
        {"unknown", args({"--fullscreen"}), "unknown option '--fullscreen'"},
        {"positional", args({"127.0.0.1"}), "unknown option '127.0.0.1'"},
    };
    for (const BadCase& c : cases) {
        const StartupOptionsResult result = StartupOptionsParser::parse(c.arguments);
        EXPECT_FALSE(result.ok()) << c.name;
        EXPECT_TRUE(result.error.contains(QString::fromUtf8(c.errorPart)))
            << c.name << ": " << result.error.toStdString();
        EXPECT_TRUE(result.options.connectAddress.isEmpty() || c.arguments.size() > 3) << c.name;
    }
}

}  // namespace
}  // namespace hazard_desk
