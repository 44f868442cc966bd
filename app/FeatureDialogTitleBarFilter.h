#pragma once
// Application-wide event filter that gives the feature dialogs (top-level
// widgets whose "role" is "featureDialog") the dark title bar of the theme
// when they are shown. Installed on the application by applyVq8Theme.
#include <QObject>

#include <functional>

class QWidget;

namespace vq8ui {

class FeatureDialogTitleBarFilter : public QObject {
    Q_OBJECT
public:
    using Darken = std::function<void(QWidget* window)>;

    static constexpr const char* kRoleProperty = "role";
    static constexpr const char* kFeatureDialogRole = "featureDialog";

    // darken defaults to the desktop window manager's call (DarkTitleBar).
    explicit FeatureDialogTitleBarFilter(QObject* parent = nullptr, Darken darken = Darken());

    // Never consumes an event.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Darken darken_;
};

}  // namespace vq8ui
