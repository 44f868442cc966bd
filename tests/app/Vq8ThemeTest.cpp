#include "DarkTitleBar.h"
#include "FeatureDialogTitleBarFilter.h"
#include "Vq8Theme.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTest>

#include <utility>
#include <vector>

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
}

TEST(Vq8Theme, DarkTitleBarFallsBackToTheOlderDarkModeAttribute) {
    using Calls = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    const Calls colours{{34, 0x554133}, {35, 0x20120B}, {36, 0xF0E8E2}};
    struct Case {
        long answerTo20;
        Calls expected;
    };
    Calls newer{{20, 1}};
    newer.insert(newer.end(), colours.begin(), colours.end());
    Calls older{{20, 1}, {19, 1}};
    older.insert(older.end(), colours.begin(), colours.end());
    for (const Case& c : {Case{0, newer}, Case{-2147024809L, older}}) {
        Calls calls;
        DarkTitleBar::setAttributes([&](std::uint32_t attribute, std::uint32_t value) -> long {
            calls.emplace_back(attribute, value);
            return attribute == 20 ? c.answerTo20 : 0;
        });
        EXPECT_EQ(calls, c.expected) << c.answerTo20;
    }
#ifndef Q_OS_WIN
    QDialog dialog;
    EXPECT_FALSE(DarkTitleBar::applyTo(&dialog)) << "no desktop window manager here: nothing to do";
#endif
}

TEST(Vq8Theme, OnlyShownTopLevelFeatureDialogsGetTheDarkTitleBar) {
    std::vector<QWidget*> darkened;
    FeatureDialogTitleBarFilter filter(nullptr, [&](QWidget* w) { darkened.push_back(w); });
    qApp->installEventFilter(&filter);
    QDialog feature;
    feature.setProperty("role", QStringLiteral("featureDialog"));
    QDialog plain;
    QWidget host;
    auto* inner = new QWidget(&host);
    inner->setProperty("role", QStringLiteral("featureDialog"));
    for (QWidget* w : {static_cast<QWidget*>(&feature), static_cast<QWidget*>(&plain), &host}) {
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
    }
    qApp->removeEventFilter(&filter);
    EXPECT_EQ(darkened, std::vector<QWidget*>{&feature});
}

}  // namespace
}  // namespace vq8ui
