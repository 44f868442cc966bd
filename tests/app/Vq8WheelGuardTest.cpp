// The workstation's look and feel: its font and style sheet, the dark title
// bar of feature dialogs, and the wheel guard of the parameter panels.
#include "DarkTitleBar.h"
#include "FeatureDialogTitleBarFilter.h"
#include "Vq8Theme.h"
#include "Vq8WheelGuard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

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

// A tall scroll area holding a spin box and a combo box, like the parameter panel.
struct Panel {
    QScrollArea area;
    QWidget* content = new QWidget;
    QDoubleSpinBox* spin = new QDoubleSpinBox;
    QComboBox* combo = new QComboBox;

    Panel() {
        auto* layout = new QVBoxLayout(content);
        spin->setRange(0, 100);
        spin->setValue(50);
        combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        layout->addWidget(spin);
        layout->addWidget(combo);
        layout->addSpacing(3000);
        area.setWidget(content);
        area.resize(200, 200);
        area.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&area));
    }
};

void wheelDown(QWidget* target) {
    const QPointF pos(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(pos, target->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

class Vq8WheelGuardTest : public ::testing::Test {
protected:
    void SetUp() override { qApp->installEventFilter(&guard); }
    void TearDown() override { qApp->removeEventFilter(&guard); }
    Vq8WheelGuard guard;
};

TEST_F(Vq8WheelGuardTest, UnfocusedFieldsKeepTheirValuesAndThePanelScrolls) {
    Panel panel;
    wheelDown(panel.spin);
    EXPECT_EQ(panel.spin->value(), 50);
    const int scrolled = panel.area.verticalScrollBar()->value();
    EXPECT_GT(scrolled, 0);
    wheelDown(panel.combo);
    EXPECT_EQ(panel.combo->currentIndex(), 0);
    EXPECT_GT(panel.area.verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(panel.combo->focusPolicy(), Qt::StrongFocus);
}

TEST_F(Vq8WheelGuardTest, ClickedAndFocusedSpinBoxTakesTheWheelUntilFocusLeaves) {
    Panel panel;
    QApplication::setActiveWindow(&panel.area);
    QTest::mouseClick(panel.spin, Qt::LeftButton);
    panel.spin->setFocus();
    ASSERT_TRUE(panel.spin->property(Vq8WheelGuard::kArmedProperty).toBool());
    if (!panel.spin->hasFocus()) {
        GTEST_SKIP() << "the window manager gave no focus";
    }
    wheelDown(panel.spin);
    EXPECT_EQ(panel.spin->value(), 49);
    panel.combo->setFocus();
    EXPECT_FALSE(panel.spin->property(Vq8WheelGuard::kArmedProperty).toBool());
    wheelDown(panel.spin);
    EXPECT_EQ(panel.spin->value(), 49);
}

}  // namespace
}  // namespace vq8ui
