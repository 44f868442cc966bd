#include "LanguageMenu.h"

#include "LanguageManager.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVariant>

namespace hazard_desk {
namespace {
constexpr const char* kInstalledProperty = "vq8_obstacle_i18n_installed";
constexpr const char* kIgnoreProperty = "vq8_i18n_ignore";
}  // namespace

LanguageMenu* LanguageMenu::install(QWidget* window, LanguageManager& manager) {
    if (window == nullptr || window->property(kInstalledProperty).toBool()) {
        return nullptr;
    }
    auto* button = window->findChild<QPushButton*>(QStringLiteral("languageButton"));
    if (button == nullptr) {
        return nullptr;
    }
    return new LanguageMenu(window, button, manager);
}

LanguageMenu::LanguageMenu(QWidget* window, QPushButton* button, LanguageManager& manager)
    : QObject(window), window_(window), manager_(manager) {
    setObjectName(QStringLiteral("languageMenuController"));
    window->setProperty(kInstalledProperty, true);
    button->setProperty(kIgnoreProperty, true);

    menu_ = new QMenu(button);
    menu_->setObjectName(QStringLiteral("obstacleLanguageMenu"));
    group_ = new QActionGroup(menu_);
    group_->setExclusive(true);
    const QString current = manager_.currentLanguage();
    for (const LanguageRecord& language : manager_.languages()) {
        auto* action = menu_->addAction(language.nativeName.isEmpty() ? language.name : language.nativeName);
        action->setProperty(kIgnoreProperty, true);
        action->setCheckable(true);
        action->setChecked(language.code == current);
        action->setData(language.code);
        group_->addAction(action);
        const QString code = language.code;
        connect(action, &QAction::triggered, this, [this, code] { manager_.setLanguage(code); });
    }
    button->setMenu(menu_);
    connect(&manager_, &LanguageManager::languageChanged, this, &LanguageMenu::onLanguageChanged);

    timer_ = new QTimer(window);
    timer_->setObjectName(QStringLiteral("languageRetranslateTimer"));
    timer_->setInterval(kRetranslateIntervalMs);
    connect(timer_, &QTimer::timeout, this, &LanguageMenu::onTick);
    timer_->start();

    manager_.retranslate(window_);
}

void LanguageMenu::onLanguageChanged(const QString& code) {
    for (QAction* action : group_->actions()) {
        if (action->data().toString() == code) {
            action->setChecked(true);
        }
    }
    manager_.retranslate(window_);
    window_->update();
}

void LanguageMenu::onTick() {
    // Chinese is the language of the source texts: nothing to catch up on.
    if (manager_.currentLanguage() != QLatin1String("zh-CN")) {
        manager_.retranslate(window_);
    }
}

}  // namespace hazard_desk
