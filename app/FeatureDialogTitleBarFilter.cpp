#include "FeatureDialogTitleBarFilter.h"

#include "DarkTitleBar.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

namespace vq8ui {

FeatureDialogTitleBarFilter::FeatureDialogTitleBarFilter(QObject* parent, Darken darken)
    : QObject(parent), darken_(darken ? std::move(darken) : Darken([](QWidget* w) { DarkTitleBar::applyTo(w); })) {}

bool FeatureDialogTitleBarFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow() && widget->property(kRoleProperty).toString() == QLatin1String(kFeatureDialogRole)) {
        darken_(widget);
    }
    return false;
}

}  // namespace vq8ui
