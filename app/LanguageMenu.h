#pragma once
// The language menu of the main window: a menu "obstacleLanguageMenu" on the
// window's "languageButton" with one checkable action per language, and the
// window's re-translation timer that catches texts the application set since
// the last pass. GUI thread only.
#include <QObject>

class QActionGroup;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;

namespace hazard_desk {

class LanguageManager;

class LanguageMenu : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetranslateIntervalMs = 1000;

    // Attaches the menu and starts the timer; returns null when the window
    // has one already or has no "languageButton". Owned by the window.
    static LanguageMenu* install(QWidget* window, LanguageManager& manager);

    QMenu* menu() const { return menu_; }
    QTimer* timer() const { return timer_; }

private:
    LanguageMenu(QWidget* window, QPushButton* button, LanguageManager& manager);
    void onLanguageChanged(const QString& code);
    void onTick();

    QWidget* window_;
    LanguageManager& manager_;
    QMenu* menu_ = nullptr;
    QActionGroup* group_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace hazard_desk
