// What the language machinery costs the GUI thread on the real window,
// connected to the virtual K7, streaming, with the editor unlocked:
//  BM_SteadyPass     one re-translation pass in English over texts already
//                    translated, as the window's 1 s timer runs it; x_walk is
//                    its ratio to the bare walk below, measured in the same run
//  BM_LanguageSwitch a language change (English and Japanese in turn): every
//                    text rewritten, the window's composed texts derived again
//  BM_LocalizeComposedText  one composed live text ("输入 1：高电平") localized
//  BM_TreeWalk       the baseline: visiting the same widgets and reading their
//                    texts, nothing looked up or written
// Needs a display (make bench starts Xvfb without one).
#include "HazardDeskWindow.h"
#include "LanguageManager.h"

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

using hazard_desk::HazardDeskWindow;
using hazard_desk::LanguageManager;

constexpr const char* kVirtualK7 = "127.0.10.1";
constexpr int kConnectTimeoutMs = 30000;

void runEvents(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Built on first use and destroyed before the application object.
std::unique_ptr<HazardDeskWindow> window;

HazardDeskWindow* connectedWindow() {
    if (window) {
        return window.get();
    }
    QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);
    QSettings().setValue(QStringLiteral("ui/language"), QStringLiteral("zh-CN"));
    window = std::make_unique<HazardDeskWindow>();
    LanguageManager::instance().installLanguageMenu(window.get());
    window->show();
    window->connectOnStartup(QString::fromLatin1(kVirtualK7));
    QElapsedTimer clock;
    clock.start();
    const auto& state = window->state();
    while (!(state.connected && state.streaming && !state.runtimeSnapshot.isEmpty() && !window->isBusy())) {
        if (clock.elapsed() > kConnectTimeoutMs) {
            std::fprintf(stderr, "bench_language: the virtual K7 at %s did not connect\n", kVirtualK7);
            std::exit(1);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (auto* edit = window->findChild<QAbstractButton*>(QStringLiteral("editingModeSwitch"))) {
        edit->setChecked(true);
    }
    runEvents(500);
    return window.get();
}

int visit(QWidget* widget, std::size_t& characters) {
    int count = 1;
    characters += static_cast<std::size_t>(widget->toolTip().size() + widget->accessibleName().size());
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        characters += static_cast<std::size_t>(label->text().size());
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        characters += static_cast<std::size_t>(button->text().size());
    }
    for (QObject* child : widget->children()) {
        if (child->isWidgetType()) {
            count += visit(static_cast<QWidget*>(child), characters);
        }
    }
    return count;
}

void BM_SteadyPass(benchmark::State& state) {
    HazardDeskWindow* shown = connectedWindow();
    auto& languages = LanguageManager::instance();
    languages.setLanguage(QStringLiteral("en-US"));
    runEvents(200);
    QElapsedTimer clock;
    qint64 passNs = 0;
    for (auto _ : state) {
        clock.start();
        languages.retranslate(shown);
        passNs += clock.nsecsElapsed();
        state.PauseTiming();
        QCoreApplication::processEvents();  // live texts keep arriving, as in use
        state.ResumeTiming();
    }
    // The bare walk over the same widgets, timed here for the ratio.
    std::size_t characters = 0;
    constexpr int kWalks = 200;
    clock.start();
    int widgets = 0;
    for (int i = 0; i < kWalks; ++i) {
        widgets = visit(shown, characters);
    }
    const double walkNs = static_cast<double>(clock.nsecsElapsed()) / kWalks;
    state.counters["widgets"] = widgets;
    state.counters["x_walk"] = static_cast<double>(passNs) / static_cast<double>(state.iterations()) / walkNs;
}

void BM_LanguageSwitch(benchmark::State& state) {
    connectedWindow();
    auto& languages = LanguageManager::instance();
    bool english = languages.currentLanguage() != QLatin1String("en-US");
    for (auto _ : state) {
        languages.setLanguage(english ? QStringLiteral("en-US") : QStringLiteral("ja-JP"));
        english = !english;
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

// A composed live text the status panel localizes twice a second per line:
// matched against the message templates built from the table.
void BM_LocalizeComposedText(benchmark::State& state) {
    auto& languages = LanguageManager::instance();
    connectedWindow();
    languages.setLanguage(QStringLiteral("en-US"));
    const QString text = QStringLiteral("输入 1：高电平");
    for (auto _ : state) {
        benchmark::DoNotOptimize(languages.localizeMessage(text));
    }
}

void BM_TreeWalk(benchmark::State& state) {
    HazardDeskWindow* shown = connectedWindow();
    std::size_t characters = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(visit(shown, characters));
    }
}

}  // namespace

BENCHMARK(BM_SteadyPass)->Unit(benchmark::kMillisecond)->Iterations(50)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LanguageSwitch)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LocalizeComposedText)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TreeWalk)->Unit(benchmark::kMillisecond)->Iterations(200)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("VQ8 Hazard Desk bench"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    window.reset();
    return 0;
}
