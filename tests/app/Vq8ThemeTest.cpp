#include "Vq8Theme.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace vq8ui {
namespace {

TEST(Vq8Theme, FontFamilyFollowsTheCandidateOrderWithPrefixMatches) {
    struct Case {
        QStringList installed;
        QString expected;
    };
    const Case cases[] = {
        {{QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC Regular")}, QStringLiteral("Noto Sans CJK SC Regular")},
        {{QStringLiteral("noto sans cjk sc"), QStringLiteral("PingFang SC")}, QStringLiteral("PingFang SC")},
        {{QStringLiteral("Segoe UI"), QStringLiteral("WenQuanYi Micro Hei")}, QStringLiteral("WenQuanYi Micro Hei")},
        {{QStringLiteral("DejaVu Sans")}, QStringLiteral("Fallback")},
        {{}, QStringLiteral("Fallback")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseFontFamily(c.installed, QStringLiteral("Fallback")), c.expected);
    }
}

TEST(Vq8Theme, StyleSheetStartsWithTheFontRuleAndReplacesEveryToken) {
    const QString sheet = themeStyleSheet(QStringLiteral("Noto Sans CJK SC"));
    EXPECT_TRUE(sheet.startsWith(QStringLiteral("* { font-family: \"Noto Sans CJK SC\"; font-size: 13px; }\n")));
    EXPECT_FALSE(sheet.contains(QLatin1Char('%'))) << "a colour token was left in the sheet";
    // Longer tokens sharing a prefix are replaced first.
    EXPECT_TRUE(sheet.contains(QStringLiteral("#2563EB")));   // %brandDark
    EXPECT_TRUE(sheet.contains(QStringLiteral("#475569")));   // %borderStrong
    EXPECT_TRUE(sheet.contains(QStringLiteral("QPushButton[role=\"primary\"] { background: #3B82F6;")));
}

}  // namespace
}  // namespace vq8ui
