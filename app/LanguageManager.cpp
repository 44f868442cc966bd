#include "LanguageManager.h"

#include <QVariant>
#include <QWidget>

namespace hazard_desk {

LanguageManager& LanguageManager::instance() {
    // Created on first use (thread-safe static) and kept until exit.
    static LanguageManager* manager = new LanguageManager;
    return *manager;
}

LanguageManager::LanguageManager() = default;

void LanguageManager::init(const QString& /*preferredCode*/) {
    initialised_ = true;
}

QString LanguageManager::translate(const QString& text) const {
    return text;
}

QString LanguageManager::localizeMessage(const QString& text) const {
    return translate(text);
}

void LanguageManager::retranslate(QWidget* /*widget*/) {}

void LanguageManager::installLanguageMenu(QWidget* window) {
    if (window == nullptr || window->property("vq8_obstacle_i18n_installed").toBool()) {
        return;
    }
    window->setProperty("vq8_obstacle_i18n_installed", true);
}

}  // namespace hazard_desk
