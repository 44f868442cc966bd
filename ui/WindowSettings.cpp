#include "WindowSettings.h"

#include <QMainWindow>
#include <QSettings>
#include <QSplitter>

namespace hazard_desk {
namespace {
QString key(const char* text) {
    return QString::fromLatin1(text);
}
}  // namespace

bool WindowSettings::autoRefreshDevices() {
    return QSettings().value(key(kAutoRefreshKey), true).toBool();
}

void WindowSettings::setAutoRefreshDevices(bool enabled) {
    QSettings().setValue(key(kAutoRefreshKey), enabled);
}

bool WindowSettings::cloudPseudoColor() {
    return QSettings().value(key(kPseudoColorKey), true).toBool();
}

void WindowSettings::setCloudPseudoColor(bool enabled) {
    QSettings().setValue(key(kPseudoColorKey), enabled);
}

QString WindowSettings::deviceFilter() {
    return QSettings().value(key(kDeviceFilterKey), QString()).toString();
}

bool WindowSettings::skipApplyConfirmation() {
    return QSettings().value(key(kSkipApplyConfirmationKey), false).toBool();
}

void WindowSettings::setSkipApplyConfirmation(bool skip) {
    QSettings().setValue(key(kSkipApplyConfirmationKey), skip);
}

void WindowSettings::restoreLayout(QMainWindow& window, QSplitter& splitter) {
    QSettings settings;
    window.restoreGeometry(settings.value(key(kGeometryKey)).toByteArray());
    const QByteArray splitterState = settings.value(key(kSplitterKey)).toByteArray();
    if (!splitterState.isEmpty()) {
        splitter.restoreState(splitterState);
    }
}

void WindowSettings::saveOnClose(const QMainWindow& window, const QSplitter& splitter, const QString& deviceFilter) {
    QSettings settings;
    settings.setValue(key(kGeometryKey), window.saveGeometry());
    settings.setValue(key(kSplitterKey), splitter.saveState());
    settings.setValue(key(kDeviceFilterKey), deviceFilter.trimmed());
}

}  // namespace hazard_desk
