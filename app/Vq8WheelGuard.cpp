#include "Vq8WheelGuard.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QWheelEvent>

namespace vq8ui {
namespace {

template <typename T>
T* owningWidget(QObject* watched) {
    for (QObject* object = watched; object != nullptr; object = object->parent()) {
        if (auto* typed = qobject_cast<T*>(object)) {
            return typed;
        }
        if (object->isWidgetType() && static_cast<QWidget*>(object)->isWindow()) {
            break;
        }
    }
    return nullptr;
}

bool isInside(const QWidget* widget, const QWidget* ancestor) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (widget == ancestor) {
            return true;
        }
    }
    return false;
}

// Hands the wheel to the nearest scroll area so the panel scrolls instead.
void forwardToScrollArea(QWidget* control, QEvent* event) {
    for (QWidget* w = control->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
            QApplication::sendEvent(area->viewport(), event);
            return;
        }
    }
    event->ignore();
}

}  // namespace

Vq8WheelGuard::Vq8WheelGuard(QObject* parent) : QObject(parent) {}

bool Vq8WheelGuard::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::FocusOut && type != QEvent::Wheel) {
        return false;
    }
    QAbstractSpinBox* spin = owningWidget<QAbstractSpinBox>(watched);
    if (type == QEvent::MouseButtonPress) {
        if (spin != nullptr) {
            spin->setProperty(kArmedProperty, true);
        }
        return false;
    }
    if (type == QEvent::FocusOut) {
        if (spin != nullptr) {
            spin->setProperty(kArmedProperty, false);
        }
        return false;
    }

    if (spin == nullptr) {
        QComboBox* combo = owningWidget<QComboBox>(watched);
        if (combo == nullptr) {
            // The popup list of a combo box is a separate window: let it scroll.
            return false;
        }
        if (combo->focusPolicy() == Qt::WheelFocus) {
            combo->setFocusPolicy(Qt::StrongFocus);
        }
        QAbstractItemView* popup = combo->view();
        if (popup != nullptr && popup->isVisible() && watched->isWidgetType() &&
            isInside(static_cast<QWidget*>(watched), popup)) {
            return false;
        }
        forwardToScrollArea(combo, event);
        return true;
    }

    if (spin->focusPolicy() == Qt::WheelFocus) {
        spin->setFocusPolicy(Qt::StrongFocus);
    }
    const bool focused = spin->hasFocus() || isInside(QApplication::focusWidget(), spin);
    if (focused && spin->property(kArmedProperty).toBool()) {
        return false;
    }
    forwardToScrollArea(spin, event);
    return true;
}

}  // namespace vq8ui
