#include "StatusPanel.h"

#include "LanguageManager.h"
#include "RegionSummaryFormatter.h"
#include "RuntimeStatusFormatter.h"

#include <QDateTime>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace hazard_desk {
namespace {

constexpr const char* kIndicatorNames[4] = {"IN1", "IN2", "OUT1", "OUT2"};
constexpr const char* kIndicatorObjectNames[4] = {"inputIoIndicator", "inputIo2Indicator", "outputIoIndicator",
                                                  "outputIo2Indicator"};
constexpr int kPrefixRole = Qt::UserRole + 1;
constexpr const char* kRegionTitleNames[5] = {"regionStopTitleLabel", "regionWarningTitleLabel",
                                              "regionLateralTitleLabel", "regionHeightTitleLabel",
                                              "regionNotifyTitleLabel"};
constexpr const char* kRegionValueNames[5] = {"regionStopValueLabel", "regionWarningValueLabel",
                                              "regionLateralValueLabel", "regionHeightValueLabel",
                                              "regionNotifyValueLabel"};
constexpr int kNotifyRow = 4;

QString localized(const QString& text) {
    return LanguageManager::instance().localizeMessage(text);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

StatusPanel::StatusPanel(QWidget* leftPanel, QVBoxLayout* layout) : QObject(leftPanel) {
    auto* obstacleGroup = new QGroupBox(QStringLiteral("避障状态"), leftPanel);
    obstacleGroup->setObjectName(QStringLiteral("obstacleStatusGroup"));
    auto* obstacleLayout = new QVBoxLayout(obstacleGroup);
    obstacleStateLabel_ = makeLabel(obstacleGroup, "obstacleStateLabel", QStringLiteral("--"));
    obstacleStateLabel_->setAlignment(Qt::AlignCenter);
    obstacleLayout->addWidget(obstacleStateLabel_);
    auto* ioRow = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        ioIndicators_[i] = makeLabel(obstacleGroup, kIndicatorObjectNames[i], QString());
        ioRow->addWidget(ioIndicators_[i]);
    }
    obstacleLayout->addLayout(ioRow);
    auto* modeRow = new QGridLayout;
    activeTemplateValue_ = makeLabel(obstacleGroup, "activeTemplateValueLabel", QStringLiteral("--"));
    algorithmModeValue_ = makeLabel(obstacleGroup, "algorithmModeValueLabel", QStringLiteral("--"));
    modeRow->addWidget(new QLabel(QStringLiteral("模板"), obstacleGroup), 0, 0);
    modeRow->addWidget(activeTemplateValue_, 0, 1);
    modeRow->addWidget(new QLabel(QStringLiteral("模式"), obstacleGroup), 0, 2);
    modeRow->addWidget(algorithmModeValue_, 0, 3);
    modeRow->setColumnStretch(1, 1);
    modeRow->setColumnStretch(3, 1);
    obstacleLayout->addLayout(modeRow);
    obstacleResultLabel_ = makeLabel(obstacleGroup, "obstacleResultLabel", QStringLiteral("未连接"));
    obstacleResultLabel_->setWordWrap(true);
    obstacleLayout->addWidget(obstacleResultLabel_);
    layout->addWidget(obstacleGroup);

    currentRegionGroup_ = new QGroupBox(QStringLiteral("当前区域参数"), leftPanel);
    currentRegionGroup_->setObjectName(QStringLiteral("currentRegionGroup"));
    auto* regionLayout = new QVBoxLayout(currentRegionGroup_);
    regionContextLabel_ = makeLabel(currentRegionGroup_, "regionContextLabel", QStringLiteral("未连接"));
    regionContextLabel_->setWordWrap(true);
    regionLayout->addWidget(regionContextLabel_);
    auto* regionForm = new QFormLayout;
    regionTypeValue_ = makeLabel(currentRegionGroup_, "regionTypeValueLabel", QStringLiteral("--"));
    regionForm->addRow(new QLabel(QStringLiteral("类型"), currentRegionGroup_), regionTypeValue_);
    for (int row = 0; row < 5; ++row) {
        regionTitles_[row] = makeLabel(currentRegionGroup_, kRegionTitleNames[row], QString());
        regionValues_[row] = makeLabel(currentRegionGroup_, kRegionValueNames[row], QStringLiteral("--"));
        regionForm->addRow(regionTitles_[row], regionValues_[row]);
    }
    regionLayout->addLayout(regionForm);
    layout->addWidget(currentRegionGroup_);

    auto* performanceGroup = new QGroupBox(QStringLiteral("实时性能"), leftPanel);
    performanceGroup->setObjectName(QStringLiteral("performanceGroup"));
    auto* performanceForm = new QFormLayout(performanceGroup);
    fpsValue_ = makeLabel(performanceGroup, "fpsValueLabel", QStringLiteral("0.0 FPS"));
    latencyValue_ = makeLabel(performanceGroup, "latencyValueLabel", QStringLiteral("-- ms"));
    frameIdValue_ = makeLabel(performanceGroup, "frameIdValueLabel", QStringLiteral("--"));
    performanceForm->addRow(QStringLiteral("帧率"), fpsValue_);
    performanceForm->addRow(QStringLiteral("延迟"), latencyValue_);
    performanceForm->addRow(QStringLiteral("帧号"), frameIdValue_);
    layout->addWidget(performanceGroup);

    auto* logGroup = new QGroupBox(QStringLiteral("运行日志"), leftPanel);
    logGroup->setObjectName(QStringLiteral("runtimeLogGroup"));
    auto* logLayout = new QVBoxLayout(logGroup);
    runtimeLogList_ = new QListWidget(logGroup);
    runtimeLogList_->setObjectName(QStringLiteral("runtimeLogList"));
    runtimeLogList_->setWordWrap(true);
    runtimeLogList_->setMinimumHeight(120);
    logLayout->addWidget(runtimeLogList_, 1);
    auto* logButtons = new QHBoxLayout;
    exportLogButton_ = new QPushButton(QStringLiteral("导出日志"), logGroup);
    exportLogButton_->setObjectName(QStringLiteral("exportLogButton"));
    clearLogButton_ = new QPushButton(QStringLiteral("清空"), logGroup);
    clearLogButton_->setObjectName(QStringLiteral("clearLogButton"));
    logButtons->addStretch(1);
    logButtons->addWidget(exportLogButton_);
    logButtons->addWidget(clearLogButton_);
    logLayout->addLayout(logButtons);
    layout->addWidget(logGroup, 1);

    connect(clearLogButton_, &QPushButton::clicked, runtimeLogList_, &QListWidget::clear);
    resetStatusPanel();
    showRegionPlaceholder(false);
}

void StatusPanel::appendLog(int level, const QString& message) {
    if (message.trimmed().isEmpty()) {
        return;
    }
    QString tag = QStringLiteral("INF");
    QColor colour(170, 183, 198);
    if (level >= 2) {
        tag = QStringLiteral("ERR");
        colour = QColor(255, 83, 96);
    } else if (level == 1) {
        tag = QStringLiteral("WRN");
        colour = QColor(243, 201, 70);
    }
    const QString prefix =
        QStringLiteral("%1  [%2]  ").arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")), tag);
    const QString translated = LanguageManager::instance().localizeMessage(message);
    auto* item = new QListWidgetItem(prefix + translated);
    item->setData(Qt::UserRole, message);
    item->setData(kPrefixRole, prefix);
    item->setToolTip(translated);
    item->setForeground(colour);
    runtimeLogList_->addItem(item);
    while (runtimeLogList_->count() > kMaxLogRows) {
        delete runtimeLogList_->takeItem(0);
    }
    runtimeLogList_->scrollToBottom();
}

void StatusPanel::retranslateLog() {
    for (int row = 0; row < runtimeLogList_->count(); ++row) {
        QListWidgetItem* item = runtimeLogList_->item(row);
        const QString translated = LanguageManager::instance().localizeMessage(item->data(Qt::UserRole).toString());
        item->setText(item->data(kPrefixRole).toString() + translated);
        item->setToolTip(translated);
    }
}

void StatusPanel::resetStatusPanel() {
    obstacleStateLabel_->setText(QStringLiteral("--"));
    obstacleStateLabel_->setStyleSheet(RuntimeStatusFormatter::disconnectedStateStyle());
    obstacleStateLabel_->setToolTip(QString());
    obstacleResultLabel_->setText(localized(QStringLiteral("未连接")));
    obstacleResultLabel_->setToolTip(QString());
    for (int i = 0; i < 4; ++i) {
        ioIndicators_[i]->setText(QString::fromLatin1(kIndicatorNames[i]) + QStringLiteral(" --"));
        ioIndicators_[i]->setStyleSheet(RuntimeStatusFormatter::placeholderIndicatorStyle());
        ioIndicators_[i]->setToolTip(localized(QStringLiteral("未获取 / 不支持")));
    }
    fpsValue_->setText(QStringLiteral("--"));
    latencyValue_->setText(QStringLiteral("--"));
    frameIdValue_->setText(QStringLiteral("--"));
}

void StatusPanel::showRegionPlaceholder(bool connected) {
    showRegionSummary(connected ? QStringLiteral("当前运行区域") : QStringLiteral("当前区域参数"),
                      RegionSummaryFormatter::placeholder(connected ? QStringLiteral("当前运行区域未获取")
                                                                    : QStringLiteral("未连接")));
}

void StatusPanel::showRegionSummary(const QString& title, const RegionSummary& summary) {
    currentRegionGroup_->setTitle(localized(title));
    regionContextLabel_->setText(localized(summary.context));
    regionTypeValue_->setText(localized(summary.type));
    const QString titles[5] = {summary.stopTitle, summary.warningTitle, summary.lateralTitle, summary.heightTitle,
                               summary.notifyTitle};
    const QString values[5] = {summary.stopValue, summary.warningValue, summary.lateralValue, summary.heightValue,
                               summary.notifyValue};
    for (int row = 0; row < 5; ++row) {
        regionTitles_[row]->setText(localized(titles[row]));
        regionValues_[row]->setText(localized(values[row]));
    }
    regionTitles_[kNotifyRow]->setVisible(summary.notifyVisible);
    regionValues_[kNotifyRow]->setVisible(summary.notifyVisible);
}

void StatusPanel::showRuntime(const QVariantMap& runtime, int activeTemplateIndex) {
    const LabelLook state = RuntimeStatusFormatter::obstacleState(runtime);
    obstacleStateLabel_->setText(localized(state.text));
    obstacleStateLabel_->setStyleSheet(state.style);
    using Line = RuntimeStatusFormatter::Line;
    const std::pair<Line, int> channels[4] = {{Line::Input, 0}, {Line::Input, 1}, {Line::Output, 0}, {Line::Output, 1}};
    for (int i = 0; i < 4; ++i) {
        const LabelLook look = RuntimeStatusFormatter::ioIndicator(runtime, channels[i].first, channels[i].second);
        ioIndicators_[i]->setText(look.text);
        ioIndicators_[i]->setStyleSheet(look.style);
        ioIndicators_[i]->setToolTip(localized(look.toolTip));
    }
    fpsValue_->setText(RuntimeStatusFormatter::fpsText(runtime));
    latencyValue_->setText(RuntimeStatusFormatter::latencyText(runtime));
    const LabelLook active = RuntimeStatusFormatter::activeTemplate(runtime, activeTemplateIndex);
    activeTemplateValue_->setText(active.text);
    activeTemplateValue_->setToolTip(localized(active.toolTip));
    const LabelLook result = RuntimeStatusFormatter::result(runtime);
    obstacleResultLabel_->setText(localized(result.text));
    obstacleResultLabel_->setToolTip(result.toolTip.isEmpty() ? QString() : localized(result.toolTip));
}

}  // namespace hazard_desk
