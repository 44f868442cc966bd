#pragma once
// The watching half of the left panel: obstacle state, I/O lines, running
// template and mode, the current region summary, live performance and the
// runtime log.
#include <QObject>
#include <QString>
#include <QVariantMap>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace hazard_desk {

struct RegionSummary;

class StatusPanel : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxLogRows = 200;

    StatusPanel(QWidget* leftPanel, QVBoxLayout* layout);

    QListWidget* runtimeLogList() const { return runtimeLogList_; }
    QPushButton* exportLogButton() const { return exportLogButton_; }
    QPushButton* clearLogButton() const { return clearLogButton_; }
    QLabel* activeTemplateValueLabel() const { return activeTemplateValue_; }
    QLabel* algorithmModeValueLabel() const { return algorithmModeValue_; }
    QLabel* frameIdValueLabel() const { return frameIdValue_; }
    QGroupBox* currentRegionGroup() const { return currentRegionGroup_; }

    // Level 0 information ("INF"), 1 warning ("WRN"), 2 or more error ("ERR").
    // The row keeps the untranslated message so a language change can redo it.
    void appendLog(int level, const QString& message);
    // Rewrites every row from its stored prefix and untranslated message.
    void retranslateLog();
    // The disconnected look of the status groups.
    void resetStatusPanel();
    void showRegionPlaceholder(bool connected);
    // Obstacle state, I/O lines, performance, running template and result
    // line from one runtime snapshot (activeTemplateIndex -1 = unknown).
    void showRuntime(const QVariantMap& runtime, int activeTemplateIndex);
    void showRegionSummary(const QString& title, const RegionSummary& summary);

private:
    QLabel* obstacleStateLabel_ = nullptr;
    QLabel* ioIndicators_[4] = {};
    QLabel* activeTemplateValue_ = nullptr;
    QLabel* algorithmModeValue_ = nullptr;
    QLabel* obstacleResultLabel_ = nullptr;
    QGroupBox* currentRegionGroup_ = nullptr;
    QLabel* regionContextLabel_ = nullptr;
    QLabel* regionTypeValue_ = nullptr;
    // Stop, warning, lateral, height and notify rows: title and value.
    QLabel* regionTitles_[5] = {};
    QLabel* regionValues_[5] = {};
    QLabel* fpsValue_ = nullptr;
    QLabel* latencyValue_ = nullptr;
    QLabel* frameIdValue_ = nullptr;
    QListWidget* runtimeLogList_ = nullptr;
    QPushButton* exportLogButton_ = nullptr;
    QPushButton* clearLogButton_ = nullptr;
};

}  // namespace hazard_desk
