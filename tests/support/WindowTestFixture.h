#pragma once
// A fresh window for each window test: the settings cleared and discovery by
// timer off (the tests drive discovery themselves), with helpers to find its
// widgets, to play a connected K7 and to answer its modal dialogs.
#include "HazardDeskWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QTimer>

#include <functional>
#include <memory>

namespace hazard_desk::test {

inline QVariantMap k7Descriptor(const QString& ip = QStringLiteral("127.0.0.1"),
                                const QString& serial = QStringLiteral("SN-0007")) {
    return QVariantMap{{QStringLiteral("ip"), ip},
                       {QStringLiteral("id"), QStringLiteral("CAM-") + serial},
                       {QStringLiteral("serial"), serial},
                       {QStringLiteral("model"), QStringLiteral("K7")},
                       {QStringLiteral("name"), QStringLiteral("front")},
                       {QStringLiteral("firmware"), QStringLiteral("2.1.0")},
                       {QStringLiteral("sdkDeviceType"), 1005},
                       {QStringLiteral("cameraType"), 0},
                       {QStringLiteral("maxDepthMm"), 12000},
                       {QStringLiteral("rgbAvailable"), true}};
}

// Hands the next modal dialog of the given type to `answer` once it shows.
template <typename Dialog>
void answerNextDialog(std::function<void(Dialog*)> answer) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        answer(dialog);
    });
    timer->start(10);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);
        window = std::make_unique<HazardDeskWindow>();
    }
    void TearDown() override { window.reset(); }

    template <typename T = QWidget>
    T* child(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // The text of a button or a label.
    QString textOf(const char* name) const {
        if (auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name))) {
            return button->text();
        }
        return child<QLabel>(name)->text();
    }
    QString lastLogRow() const {
        auto* log = child<QListWidget>("runtimeLogList");
        return log->count() == 0 ? QString() : log->item(log->count() - 1)->text();
    }
    // Discovered, connected and running the V2 algorithm, as the worker reports it.
    void connectK7(const QVariantMap& camera = k7Descriptor()) {
        window->onDevicesDiscovered(QVariantList{camera});
        window->onConnectionChanged(true, camera, QStringLiteral("已连接"));
        window->onAlgorithmStateChanged(true, 4, QStringLiteral("设备算法模式：4"));
    }

    std::unique_ptr<HazardDeskWindow> window;
};

}  // namespace hazard_desk::test
