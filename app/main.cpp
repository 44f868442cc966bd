// Start-up and shutdown of the workstation. The order of the steps matters:
// attributes before the application object, the theme and the wheel guard
// before any widget, the SDK log before the window opens a camera.
#include "FrameHeapPolicy.h"
#include "HazardDeskWindow.h"
#include "LanguageManager.h"
#include "StartupOptions.h"
#include "Vq8Theme.h"
#include "Vq8WheelGuard.h"

#include "ZrCameraK7.h"
#include "ZrLogger.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QIcon>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

constexpr const char* kSdkLogDirectory = "logs/zr_camera";
constexpr int kSdkLogPrintLevel = 1;
constexpr int kDefaultGrabDelayMs = 1500;

// Diagnostics for start-up measurements and screenshots, driven by the
// environment so a normal start is unaffected:
//  HD_REPORT_FIRST_SHOW=1   prints "first-show-ms <epoch ms>" when the window is first shown
//  HD_GRAB_WINDOW=<png>     saves a picture of the window once it is on screen
//  HD_GRAB_AFTER_MS=<n>     takes that picture n ms after start (default 1500)
//  HD_GRAB_LEFT_PANEL=<png> at the same moment saves the whole left panel, scrolled part included
//  HD_QUIT_AFTER_MS=<n>     closes the window after n ms
void installDiagnostics(hazard_desk::HazardDeskWindow& window) {
    if (qEnvironmentVariableIsSet("HD_REPORT_FIRST_SHOW")) {
        QTimer::singleShot(0, &window, [] {
            std::printf("first-show-ms %lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            std::fflush(stdout);
        });
    }
    const QString grabPath = qEnvironmentVariable("HD_GRAB_WINDOW");
    if (!grabPath.isEmpty()) {
        bool delayOk = false;
        const int grabAfterMs = qEnvironmentVariableIntValue("HD_GRAB_AFTER_MS", &delayOk);
        QTimer::singleShot(delayOk && grabAfterMs > 0 ? grabAfterMs : kDefaultGrabDelayMs, &window, [&window, grabPath] {
            if (!window.grab().save(grabPath)) {
                std::fprintf(stderr, "hazard-desk: cannot save window picture to '%s'\n", qPrintable(grabPath));
            }
            const QString leftPath = qEnvironmentVariable("HD_GRAB_LEFT_PANEL");
            auto* leftContent = window.findChild<QWidget*>(QStringLiteral("leftPanelContent"));
            if (!leftPath.isEmpty() && (leftContent == nullptr || !leftContent->grab().save(leftPath))) {
                std::fprintf(stderr, "hazard-desk: cannot save left panel picture to '%s'\n", qPrintable(leftPath));
            }
        });
    }
    bool ok = false;
    const int quitAfterMs = qEnvironmentVariableIntValue("HD_QUIT_AFTER_MS", &ok);
    if (ok && quitAfterMs > 0) {
        QTimer::singleShot(quitAfterMs, &window, &QWidget::close);
    }
}

// Answers --help and --version; false when neither was asked for.
bool printRequestedText(const hazard_desk::StartupOptions& options, const QString& programName) {
    if (options.versionRequested) {
        std::printf("%s %s\n", qPrintable(programName), HD_VERSION);
        return true;
    }
    if (options.helpRequested) {
        std::fputs(qPrintable(hazard_desk::StartupOptionsParser::usage(programName)), stdout);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    const QString programName = QStringLiteral("hazard-desk");
    {
        // --help and --version are answered before the application object
        // exists, so they need no display. A command line that does not
        // parse yet (it may hold Qt's own options) is parsed again below.
        QStringList arguments;
        for (int i = 0; i < argc; ++i) {
            arguments << QString::fromLocal8Bit(argv[i]);
        }
        const hazard_desk::StartupOptionsResult early = hazard_desk::StartupOptionsParser::parse(arguments);
        if (early.ok() && printRequestedText(early.options, programName)) {
            return 0;
        }
    }
    hazard_desk::FrameHeapPolicy::apply();
    // The window keeps the built-in log placement ("logs" in the working
    // directory): the process log starts now and takes the lines static
    // initialisers left for it (the camera factory's registration).
    algPlatform::ZrLogger::defaultLogger();
    QCoreApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton, true);
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);

    auto application = std::make_unique<QApplication>(argc, argv);
    // The identity decides where QSettings live: it comes before anything
    // that reads a setting (the language manager reads "ui/language").
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("VQ8 Hazard Desk"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HD_VERSION));
    // Qt has taken its own options out of the argument list by now.
    const hazard_desk::StartupOptionsResult parsed =
        hazard_desk::StartupOptionsParser::parse(QCoreApplication::arguments());
    if (!parsed.ok()) {
        std::fprintf(stderr, "hazard-desk: %s\n%s", qPrintable(parsed.error),
                     qPrintable(hazard_desk::StartupOptionsParser::usage(programName)));
        return 2;
    }
    if (printRequestedText(parsed.options, programName)) {
        return 0;
    }
    if (!parsed.options.language.isEmpty()) {
        // The command line's choice holds for this run over the stored one;
        // the settings store is known only once the identity above is set.
        auto& languages = hazard_desk::LanguageManager::instance();
        languages.init(QString());
        const QString code = languages.resolveLanguageCode(parsed.options.language);
        if (code.isEmpty()) {
            QStringList known;
            for (const hazard_desk::LanguageRecord& language : languages.languages()) {
                known << language.code;
            }
            std::fprintf(stderr, "hazard-desk: unknown language '%s' ignored; known: %s\n",
                         qPrintable(parsed.options.language), qPrintable(known.join(QStringLiteral(", "))));
        } else {
            languages.setSessionLanguage(code);
        }
    }
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/vq8_logo.png")));

    vq8ui::applyVq8Theme(*application);
    auto* wheelGuard = new vq8ui::Vq8WheelGuard(application.get());
    application->installEventFilter(wheelGuard);

    // Resolved against the working directory, not the executable's folder.
    const QString sdkLogDirectory = QDir::current().filePath(QString::fromLatin1(kSdkLogDirectory));
    algPlatform::ZrCameraK7::redirectSdkLog(sdkLogDirectory.toUtf8().toStdString(), kSdkLogPrintLevel);

    int result = 0;
    {
        hazard_desk::HazardDeskWindow window;
        hazard_desk::LanguageManager::instance().installLanguageMenu(&window);
        installDiagnostics(window);
        window.show();
        if (!parsed.options.connectAddress.isEmpty()) {
            const QString address = parsed.options.connectAddress;
            QTimer::singleShot(0, &window, [&window, address] { window.connectOnStartup(address); });
        }
        result = QApplication::exec();
        // Leaving the scope destroys the window: the worker thread is shut
        // down (bounded wait) before the application object goes.
    }
    application.reset();
    return result;
}
