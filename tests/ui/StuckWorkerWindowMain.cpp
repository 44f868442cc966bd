// Test program: opens the workstation window, sticks its camera worker in a
// long blocking call (as a hung camera call would), closes the window and
// destroys it. The shutdown test expects this process to end within the
// window's bounded wait, with exit code 0.
#include "HazardDeskWindow.h"
#include "ObstacleCameraWorker.h"

#include <QApplication>
#include <QSemaphore>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("VQ8 Hazard Desk"));
    QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);

    auto* window = new hazard_desk::HazardDeskWindow;
    window->show();
    QSemaphore entered;
    // Runs on the worker thread and never returns within the test's time.
    QMetaObject::invokeMethod(window->worker(), [&entered] {
        entered.release();
        QThread::sleep(60);
    }, Qt::QueuedConnection);
    entered.acquire();
    std::printf("worker-stuck\n");
    std::fflush(stdout);
    QTimer::singleShot(100, window, &QWidget::close);
    application.exec();
    delete window;
    std::printf("window-destroyed\n");
    std::fflush(stdout);
    return 0;
}
