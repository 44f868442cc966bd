// The whole window in English and Vietnamese: connected to the virtual K7,
// streaming, the editor unlocked. No text a user can see or hear (labels,
// buttons, titles, placeholders, items, tool tips, accessible names, the
// status bar) may keep a Chinese character, and no side panel may need to
// be wider than it is. Only the language button,
// "语言 / Language" by design, is exempt. Every control of the parameter
// panel keeps an accessible name (its label) in each language.
#include "HazardDeskWindow.h"
#include "LanguageManager.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>

#include <memory>

namespace hazard_desk {
namespace {

using test::waitUntil;

bool isIdeograph(QChar c) {
    return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF;
}

QStringList visibleTexts(QWidget* w) {
    QStringList texts{w->toolTip(), w->accessibleName(), w->accessibleDescription()};
    if (w->isWindow()) texts << w->windowTitle();
    if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
    if (auto* group = qobject_cast<QGroupBox*>(w)) texts << group->title();
    if (auto* line = qobject_cast<QLineEdit*>(w)) texts << line->placeholderText() << line->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) texts << plain->placeholderText() << plain->toPlainText();
    if (auto* spin = qobject_cast<QSpinBox*>(w)) texts << spin->prefix() << spin->suffix();
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(w)) texts << spin->prefix() << spin->suffix();
    if (auto* bar = qobject_cast<QStatusBar*>(w)) texts << bar->currentMessage();
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    }
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text() << list->item(i)->toolTip();
    }
    for (QAction* action : w->actions()) {
        texts << action->text() << action->toolTip();
    }
    return texts;
}

// "objectName (class): text" for every visible text with a Chinese character.
QStringList untranslated(QWidget* window) {
    QStringList found;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName() == QLatin1String("languageButton")) {
            continue;
        }
        for (const QString& text : visibleTexts(w)) {
            if (std::any_of(text.begin(), text.end(), isIdeograph)) {
                found << QStringLiteral("%1 (%2): %3").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()), text);
            }
        }
    }
    found.removeDuplicates();
    return found;
}

class LanguageWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);
        QSettings().setValue(QStringLiteral("ui/language"), QStringLiteral("zh-CN"));
        window = std::make_unique<HazardDeskWindow>();
        LanguageManager::instance().installLanguageMenu(window.get());
        window->show();
    }
    void TearDown() override {
        LanguageManager::instance().setLanguage(QStringLiteral("zh-CN"));
        window.reset();
    }

    std::unique_ptr<HazardDeskWindow> window;
};

TEST_F(LanguageWindowTest, ConnectedEditingWindowShowsNoChineseInOtherLanguages) {
    window->connectOnStartup(QStringLiteral("127.0.10.1"));
    const WindowState& state = window->state();
    ASSERT_TRUE(waitUntil([&] { return state.connected && state.streaming && !state.runtimeSnapshot.isEmpty() &&
                                       state.activeTemplateIndex >= 0 && !window->isBusy(); },
                          30000))
        << "the virtual K7 did not connect and stream";
    auto* editSwitch = window->findChild<QAbstractButton*>(QStringLiteral("editingModeSwitch"));
    ASSERT_NE(editSwitch, nullptr);
    editSwitch->setChecked(true);
    ASSERT_TRUE(state.editMode);

    for (const char* code : {"en-US", "vi-VN"}) {
        LanguageManager::instance().setLanguage(QString::fromLatin1(code));
        // Live texts keep arriving; one pass of the window's timer follows them.
        waitUntil([] { return false; }, 1200);
        for (QWidget* control : window->findChild<QWidget*>(QStringLiteral("rightPanel"))->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QComboBox*>(control) ||
                qobject_cast<QAbstractButton*>(control)) {
                EXPECT_FALSE(control->accessibleName().isEmpty()) << code << " " << control->objectName().toStdString();
            }
        }
        const QStringList found = untranslated(window.get());
        EXPECT_TRUE(found.isEmpty()) << code << ": " << found.size() << " texts\n  "
                                     << found.join(QStringLiteral("\n  ")).toStdString();
        // The side panels scroll only vertically: a text wider than the panel
        // would be cut off at its right edge.
        for (const char* name : {"leftPanelScrollArea", "parameterScrollArea"}) {
            auto* area = window->findChild<QScrollArea*>(QString::fromLatin1(name));
            ASSERT_NE(area, nullptr) << name;
            EXPECT_LE(area->widget()->minimumSizeHint().width(), area->viewport()->width()) << code << " " << name;
        }
    }
}

}  // namespace
}  // namespace hazard_desk
