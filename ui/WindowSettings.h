#pragma once
// The window's persisted settings, kept in the default QSettings scope
// (organisation "Corvane", application "VQ8 Hazard Desk").
#include <QString>

class QMainWindow;
class QSplitter;

namespace hazard_desk {

class WindowSettings {
public:
    static constexpr const char* kGeometryKey = "window/geometry";
    static constexpr const char* kSplitterKey = "window/splitter";
    static constexpr const char* kDeviceFilterKey = "camera/deviceFilter";
    static constexpr const char* kAutoRefreshKey = "camera/autoRefreshDevices";
    static constexpr const char* kPseudoColorKey = "view/cloudPseudoColor";
    // "不再提示" of the apply confirmation: applies go without asking.
    static constexpr const char* kSkipApplyConfirmationKey = "editor/skipApplyConfirmation";

    static bool autoRefreshDevices();
    static void setAutoRefreshDevices(bool enabled);
    static bool cloudPseudoColor();
    static void setCloudPseudoColor(bool enabled);
    static QString deviceFilter();
    static bool skipApplyConfirmation();
    static void setSkipApplyConfirmation(bool skip);

    // Geometry always; the splitter state only when one was stored.
    static void restoreLayout(QMainWindow& window, QSplitter& splitter);
    // Written on every close, in this order: geometry, splitter, trimmed filter.
    static void saveOnClose(const QMainWindow& window, const QSplitter& splitter, const QString& deviceFilter);
};

}  // namespace hazard_desk
