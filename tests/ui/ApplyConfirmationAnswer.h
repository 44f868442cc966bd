#pragma once
// Answers the window's apply confirmation from inside its event loop.
#include "ApplyConfirmationDialog.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace hazard_desk::test {

// Hands the next apply confirmation to answer, which must close it. The
// watch ends with the first dialog or with window.
inline void answerNextConfirmation(QWidget& window, std::function<void(ApplyConfirmationDialog&)> answer) {
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto* dialog = qobject_cast<ApplyConfirmationDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        answer(*dialog);
    });
    timer->start(10);
}

}  // namespace hazard_desk::test
