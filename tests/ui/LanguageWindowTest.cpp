// The whole window in English, Japanese and Vietnamese: connected to the
// virtual K7, streaming, the editor unlocked. No text a user can see or hear
// (labels, buttons, titles, placeholders, items, tool tips, accessible
// names, the status bar) may keep a Chinese character the language does not
// use, and none may be wider than its side panel. Only the language button,
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
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSet>
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

// Ideographs of the table's Chinese that its Japanese never uses: a
// Japanese screen showing one still shows untranslated Chinese.
QSet<QChar> chineseOnlyCharacters() {
    QSet<QChar> chinese;
    QSet<QChar> japanese;
    const auto& tables = LanguageManager::instance().catalog().bySource();
    for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
        for (const QString& text : {it.key(), it->value(QStringLiteral("zh-CN"))}) {
            for (QChar c : text) {
                if (isIdeograph(c)) chinese.insert(c);
            }
        }
        for (QChar c : it->value(QStringLiteral("ja-JP"))) {
            if (isIdeograph(c)) japanese.insert(c);
        }
    }
    return chinese.subtract(japanese);
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

// "objectName (class): text" for every visible text with a forbidden character.
QStringList untranslated(QWidget* window, const std::function<bool(QChar)>& forbidden) {
    QStringList found;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName() == QLatin1String("languageButton")) {
            continue;
        }
        for (const QString& text : visibleTexts(w)) {
            if (std::any_of(text.begin(), text.end(), forbidden)) {
                found << QStringLiteral("%1 (%2): %3").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()), text);
            }
        }
    }
    found.removeDuplicates();
    return found;
}

// The widgets of a side panel that, at their minimum width, reach past it.
QStringList tooWide(QScrollArea* area) {
    QWidget* content = area->widget();
    const int margin = content->layout() != nullptr ? content->layout()->contentsMargins().right() : 0;
    QStringList found;
    for (QWidget* w : content->findChildren<QWidget*>()) {
        const int right = w->mapTo(content, QPoint(0, 0)).x() + w->minimumSizeHint().width() + margin;
        if (w->isVisible() && w->minimumSizeHint().width() > 0 && right > area->viewport()->width()) {
            const QStringList texts = visibleTexts(w);
            found << QStringLiteral("%1 (%2) %3 px: %4")
                         .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()))
                         .arg(right)
                         .arg(texts.filter(QRegularExpression(QStringLiteral("\\S"))).join(QStringLiteral(" | ")));
        }
    }
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

    const QSet<QChar> chineseOnly = chineseOnlyCharacters();
    ASSERT_GT(chineseOnly.size(), 100) << "the table's Japanese column looks empty";
    struct Case {
        const char* code;
        std::function<bool(QChar)> forbidden;
    };
    const Case cases[] = {
        {"en-US", isIdeograph},
        {"ja-JP", [&chineseOnly](QChar c) { return chineseOnly.contains(c); }},
        {"vi-VN", isIdeograph},
    };
    for (const Case& c : cases) {
        LanguageManager::instance().setLanguage(QString::fromLatin1(c.code));
        // Live texts keep arriving; one pass of the window's timer follows them.
        waitUntil([] { return false; }, 1200);
        for (QWidget* control : window->findChild<QWidget*>(QStringLiteral("rightPanel"))->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QComboBox*>(control) ||
                qobject_cast<QAbstractButton*>(control)) {
                EXPECT_FALSE(control->accessibleName().isEmpty()) << c.code << " " << control->objectName().toStdString();
            }
        }
        const QStringList found = untranslated(window.get(), c.forbidden);
        EXPECT_TRUE(found.isEmpty()) << c.code << ": " << found.size() << " texts\n  "
                                     << found.join(QStringLiteral("\n  ")).toStdString();
        // The side panels scroll only vertically: a text wider than the panel
        // would be cut off at its right edge.
        for (const char* name : {"leftPanelScrollArea", "parameterScrollArea"}) {
            auto* area = window->findChild<QScrollArea*>(QString::fromLatin1(name));
            ASSERT_NE(area, nullptr) << name;
            EXPECT_LE(area->widget()->minimumSizeHint().width(), area->viewport()->width())
                << c.code << " " << name << ":\n  " << tooWide(area).join(QStringLiteral("\n  ")).toStdString();
        }
    }
}

}  // namespace
}  // namespace hazard_desk
