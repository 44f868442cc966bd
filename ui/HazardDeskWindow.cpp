#include "HazardDeskWindow.h"

#include "CommandBar.h"
#include "RecordButton.h"
#include "DevicePanel.h"
#include "ImageExportController.h"
#include "LanguageManager.h"
#include "LightweightGlEngine.h"
#include "ObstacleSceneClouds.h"
#include "ObstacleSceneOverlay.h"
#include "ParameterEditorController.h"
#include "ParameterPanel.h"
#include "PointCloudPane.h"
#include "StatusPanel.h"
#include "TopBar.h"
#include "ViewGrid.h"
#include "WindowSettings.h"
#include "WorkerThreadStopper.h"
#include "ZoomableImageView.h"

#include "ObstacleCameraWorker.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGuiApplication>
#include <QInputDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace hazard_desk {
namespace {
constexpr const char* kDefaultAdminPassword = "mx5ledge";
constexpr int kLeftPanelMinimumWidth = 240;
constexpr int kLeftPanelMaximumWidth = 360;
constexpr int kSplitterHandleWidth = 6;
const QList<int> kDefaultSplitterSizes{260, 920, 340};
}  // namespace

HazardDeskWindow::HazardDeskWindow(QWidget* parent) : QMainWindow(parent) {
    // An empty or unknown stored language leaves the system's in use.
    LanguageManager::instance().init(LanguageManager::pickLanguage(QLocale::system().uiLanguages()));
    loadAdministratorPassword();
    buildWidgetTree();
    LightweightGlEngine* cloudView = viewGrid_->pointCloudView()->engine();
    // The scene draws the vehicle's own axes; the view's small triad would
    // contradict them. Vehicles drive along +X.
    cloudView->showAxes = false;
    cloudView->setXForward(true);
    sceneOverlay_ = new ObstacleSceneOverlay(cloudView);
    sceneOverlay_->setTranslator([this](const QString& text) { return translate(text); });
    sceneClouds_ = std::make_unique<ObstacleSceneClouds>(*cloudView);
    setWindowTitle(translate(QStringLiteral("VQ8 避障算法上位机")));
    resize(kInitialWidth, kInitialHeight);
    splitter_->setSizes(kDefaultSplitterSizes);
    parameterPanel_->parameterJsonEdit()->setReadOnly(true);
    parameterPanel_->hideSectorExtras();
    ObstacleCameraWorker::registerMetaTypes();
    createWorker();
    wireWidgets();
    editor_->populateAlgorithmCombo(algPlatform::capabilityProfile(0, 0), 0);
    editor_->loadDocument(WorkstationDocument());
    setConnectedState(false);
    applyEditLock();
    restoreSettings();
    clampToScreen();
    parameterPanel_->addExtrinsicsInfoRows();
    updateCommandStates();
    {
        const QSignalBlocker blocker(devicePanel_->deviceFilterEdit());
        devicePanel_->deviceFilterEdit()->setText(WindowSettings::deviceFilter());
    }
    devicePanel_->applyDeviceFilter(false);
    wireLanguage();
    refreshDynamicTexts();
    appendLog(0, QStringLiteral("独立上位机已就绪；请选择搜索到的相机"));
}

void HazardDeskWindow::wireLanguage() {
    LightweightGlEngine* engine = viewGrid_->pointCloudView()->engine();
    engine->setTranslator([](const QString& text) { return LanguageManager::instance().localizeMessage(text); });
    // The composed texts are derived again from their untranslated parts;
    // the manager's own pass then covers the fixed ones.
    connect(&LanguageManager::instance(), &LanguageManager::languageChanged, this, [this, engine] {
        engine->retranslate();
        imageExport_->retranslate();
        refreshDynamicTexts();
    });
}

HazardDeskWindow::~HazardDeskWindow() {
    imageExport_->cancelAndWait();
    QObject* worker = worker_;
    WorkerThreadStopper::stop(workerThread_, worker);
    worker_ = static_cast<ObstacleCameraWorker*>(worker);
}

void HazardDeskWindow::buildWidgetTree() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* root = new QVBoxLayout(central);
    root->setObjectName(QStringLiteral("rootLayout"));
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    topBar_ = new TopBar(central);
    commandBar_ = new CommandBar(central);
    root->addWidget(topBar_);
    root->addWidget(commandBar_);

    splitter_ = new QSplitter(Qt::Horizontal, central);
    splitter_->setObjectName(QStringLiteral("workspaceSplitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->setHandleWidth(kSplitterHandleWidth);

    leftPanel_ = new QWidget(splitter_);
    leftPanel_->setObjectName(QStringLiteral("leftPanel"));
    leftPanel_->setMinimumWidth(kLeftPanelMinimumWidth);
    leftPanel_->setMaximumWidth(kLeftPanelMaximumWidth);
    // The six groups are taller than a 760 px window leaves them: they
    // scroll instead of being squeezed over each other.
    auto* leftOuter = new QVBoxLayout(leftPanel_);
    leftOuter->setContentsMargins(0, 0, 0, 0);
    auto* leftScroll = new QScrollArea(leftPanel_);
    leftScroll->setObjectName(QStringLiteral("leftPanelScrollArea"));
    leftScroll->setWidgetResizable(true);
    leftScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* leftContent = new QWidget;
    leftContent->setObjectName(QStringLiteral("leftPanelContent"));
    auto* leftLayout = new QVBoxLayout(leftContent);
    leftLayout->setObjectName(QStringLiteral("leftPanelLayout"));
    leftLayout->setContentsMargins(7, 7, 7, 7);
    devicePanel_ = new DevicePanel(leftContent, leftLayout);
    statusPanel_ = new StatusPanel(leftContent, leftLayout);
    leftScroll->setWidget(leftContent);
    leftOuter->addWidget(leftScroll);

    viewGrid_ = new ViewGrid(splitter_);
    parameterPanel_ = new ParameterPanel(splitter_);
    splitter_->addWidget(leftPanel_);
    splitter_->addWidget(viewGrid_);
    splitter_->addWidget(parameterPanel_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setStretchFactor(2, 0);
    root->addWidget(splitter_, 1);

    feedbackLabel_ = new QLabel(central);
    feedbackLabel_->setObjectName(QStringLiteral("operationFeedbackLabel"));
    feedbackLabel_->setWordWrap(true);
    feedbackLabel_->setTextFormat(Qt::PlainText);
    feedbackLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    feedbackLabel_->setProperty("vq8_i18n_ignore", true);
    feedbackLabel_->hide();
    root->insertWidget(2, feedbackLabel_);

    setCentralWidget(central);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    // The right panel keeps its layout width while building, then may grow.
    parameterPanel_->setMinimumWidth(ParameterPanel::kLayoutWidth);
    parameterPanel_->setMaximumWidth(ParameterPanel::kMaximumWidth);
}

void HazardDeskWindow::createWorker() {
    workerThread_ = new QThread(this);
    // Qt gives the OS thread this name when it starts, so per-thread CPU
    // can be told apart from outside.
    workerThread_->setObjectName(QString::fromLatin1(ObstacleCameraWorker::kThreadName));
    worker_ = new ObstacleCameraWorker;
    worker_->moveToThread(workerThread_);
    connect(workerThread_, &QThread::finished, worker_, &QObject::deleteLater);

    const auto queued = Qt::QueuedConnection;
    ObstacleCameraWorker* w = worker_;
    connect(this, &HazardDeskWindow::discoverRequested, w, &ObstacleCameraWorker::discoverDevices, queued);
    connect(this, &HazardDeskWindow::connectRequested, w, &ObstacleCameraWorker::connectDevice, queued);
    connect(this, &HazardDeskWindow::disconnectRequested, w, &ObstacleCameraWorker::disconnectDevice, queued);
    connect(this, &HazardDeskWindow::streamRequested, w, &ObstacleCameraWorker::setStreaming, queued);
    connect(this, &HazardDeskWindow::algorithmRequested, w, &ObstacleCameraWorker::setAlgorithmEnabled, queued);
    connect(this, &HazardDeskWindow::readConfigurationRequested, w, &ObstacleCameraWorker::readDeviceConfiguration, queued);
    connect(this, &HazardDeskWindow::applyConfigurationRequested, w, &ObstacleCameraWorker::applyConfiguration, queued);
    connect(this, &HazardDeskWindow::switchTemplateRequested, w, &ObstacleCameraWorker::switchActiveTemplate, queued);
    connect(this, &HazardDeskWindow::ioModesRequested, w, &ObstacleCameraWorker::setIoModes, queued);
    connect(this, &HazardDeskWindow::groundCalibrationRequested, w, &ObstacleCameraWorker::calibrateGround, queued);
    connect(this, &HazardDeskWindow::frameConsumed, w, &ObstacleCameraWorker::acknowledgeFrame, queued);

    connect(w, &ObstacleCameraWorker::deviceUpdateProgress, this, &HazardDeskWindow::onDeviceUpdateProgress, queued);
    connect(w, &ObstacleCameraWorker::sdkVersionReady, this, &HazardDeskWindow::onSdkVersionReady, queued);
    connect(w, &ObstacleCameraWorker::algorithmVersionReady, this, &HazardDeskWindow::onAlgorithmVersionReady, queued);
    connect(w, &ObstacleCameraWorker::devicesDiscovered, this, &HazardDeskWindow::onDevicesDiscovered, queued);
    connect(w, &ObstacleCameraWorker::connectionChanged, this, &HazardDeskWindow::onConnectionChanged, queued);
    connect(w, &ObstacleCameraWorker::streamStateChanged, this, &HazardDeskWindow::onStreamStateChanged, queued);
    connect(w, &ObstacleCameraWorker::algorithmStateChanged, this, &HazardDeskWindow::onAlgorithmStateChanged, queued);
    connect(w, &ObstacleCameraWorker::algorithmChangeFinished, this, &HazardDeskWindow::onAlgorithmChangeFinished, queued);
    connect(w, &ObstacleCameraWorker::frameReady, this, &HazardDeskWindow::onFrameReady, queued);
    connect(w, &ObstacleCameraWorker::runtimeUpdated, this, &HazardDeskWindow::onRuntimeUpdated, queued);
    connect(w, &ObstacleCameraWorker::configurationRead, this, &HazardDeskWindow::onConfigurationRead, queued);
    connect(w, &ObstacleCameraWorker::configurationReadFinished, this, &HazardDeskWindow::onConfigurationReadFinished, queued);
    connect(w, &ObstacleCameraWorker::configurationApplied, this, &HazardDeskWindow::onConfigurationApplied, queued);
    connect(w, &ObstacleCameraWorker::activeTemplateChanged, this, &HazardDeskWindow::onActiveTemplateChanged, queued);
    connect(w, &ObstacleCameraWorker::activeConfigurationUpdated, this, &HazardDeskWindow::onActiveConfigurationUpdated, queued);
    connect(w, &ObstacleCameraWorker::activeConfigurationUnavailable, this, &HazardDeskWindow::onActiveConfigurationUnavailable, queued);
    connect(w, &ObstacleCameraWorker::templateSwitchFinished, this, &HazardDeskWindow::onTemplateSwitchFinished, queued);
    connect(w, &ObstacleCameraWorker::ioModesApplied, this, &HazardDeskWindow::onIoModesApplied, queued);
    connect(w, &ObstacleCameraWorker::ioHardwareModeRead, this, &HazardDeskWindow::onIoHardwareModeRead, queued);
    connect(w, &ObstacleCameraWorker::groundCalibrated, this, &HazardDeskWindow::onGroundCalibrated, queued);
    connect(w, &ObstacleCameraWorker::logMessage, this, &HazardDeskWindow::appendLog, queued);
    commandBar_->recordButton()->wire(w);

    connect(workerThread_, &QThread::started, w, &ObstacleCameraWorker::publishSdkVersion);
    workerThread_->start(QThread::InheritPriority);
}

void HazardDeskWindow::wireWidgets() {
    deviceRefreshTimer_ = new QTimer(this);
    deviceRefreshTimer_->setObjectName(QStringLiteral("deviceRefreshTimer"));
    deviceRefreshTimer_->setInterval(kDeviceRefreshIntervalMs);
    connect(deviceRefreshTimer_, &QTimer::timeout, this, &HazardDeskWindow::autoRefreshDevices);

    connect(commandBar_->refreshButton(), &QPushButton::clicked, this, &HazardDeskWindow::requestDeviceRefresh);
    connect(commandBar_->connectButton(), &QPushButton::clicked, this, &HazardDeskWindow::requestConnectToggle);
    connect(commandBar_->streamButton(), &QPushButton::clicked, this, &HazardDeskWindow::requestStreamToggle);
    connect(commandBar_->autoRefreshDevicesCheck(), &QCheckBox::toggled, this, [this](bool checked) {
        WindowSettings::setAutoRefreshDevices(checked);
        setAutoRefreshEnabled(checked);
    });
    connect(viewGrid_->cloudPseudoColorCheck(), &QCheckBox::toggled, this, [this](bool checked) {
        WindowSettings::setCloudPseudoColor(checked);
        refreshLiveCloud();
        viewGrid_->pointCloudView()->engine()->commitRemovals();
    });

    ParameterPanel* panel = parameterPanel_;
    editor_ = new ParameterEditorController(*panel, state_, this);
    connect(editor_, &ParameterEditorController::feedbackRequested, this, &HazardDeskWindow::showOperationFeedback);
    connect(editor_, &ParameterEditorController::logRequested, this, &HazardDeskWindow::appendLog);
    connect(editor_, &ParameterEditorController::statusRequested, this, [this](const QString& text, int timeoutMs) {
        state_.statusMessage = text;
        statusBar()->showMessage(translate(text), timeoutMs);
    });
    connect(editor_, &ParameterEditorController::previewChanged, this, &HazardDeskWindow::refreshZonePreview);
    connect(editor_, &ParameterEditorController::commandStatesChanged, this, &HazardDeskWindow::updateCommandStates);
    connect(editor_, &ParameterEditorController::editModeChanged, this, &HazardDeskWindow::refreshDynamicTexts);
    connect(editor_, &ParameterEditorController::sideViewRequested, this,
            [this] { viewGrid_->pointCloudView()->engine()->showSideView(); });
    connect(panel->readDeviceButton(), &QPushButton::clicked, this, &HazardDeskWindow::requestReadDevice);
    connect(panel->switchAlgorithmButton(), &QPushButton::clicked, this, &HazardDeskWindow::requestAlgorithmSwitch);
    connect(panel->applyCurrentButton(), &QPushButton::clicked, this, &HazardDeskWindow::requestApplyCurrent);
    connect(panel->switchTemplateButton(), &QPushButton::clicked, this, &HazardDeskWindow::requestTemplateSwitch);
    connect(panel->groundCalibrationButton(), &QPushButton::clicked, this, &HazardDeskWindow::requestGroundCalibration);
    connect(panel->ioHardwareModeCombo(), QOverload<int>::of(&QComboBox::activated), this,
            &HazardDeskWindow::requestIoHardwareMode);
    connect(topBar_->administratorButton(), &QPushButton::toggled, this, &HazardDeskWindow::onAdministratorToggled);

    imageExport_ = new ImageExportController(state_, *this, this);
    connect(imageExport_, &ImageExportController::feedbackRequested, this, &HazardDeskWindow::showOperationFeedback);
    connect(imageExport_, &ImageExportController::logRequested, this, &HazardDeskWindow::appendLog);
    connect(imageExport_, &ImageExportController::commandStatesChanged, this, &HazardDeskWindow::updateCommandStates);
    connect(panel->exportAvoidanceImagesButton(), &QPushButton::clicked, imageExport_,
            &ImageExportController::requestExport);
    connect(devicePanel_, &DevicePanel::selectionChanged, this, &HazardDeskWindow::updateCommandStates);
    wireFileExchange();
}

void HazardDeskWindow::restoreSettings() {
    const bool autoRefresh = WindowSettings::autoRefreshDevices();
    {
        const QSignalBlocker blocker(commandBar_->autoRefreshDevicesCheck());
        commandBar_->autoRefreshDevicesCheck()->setChecked(autoRefresh);
    }
    setAutoRefreshEnabled(autoRefresh);
    {
        const QSignalBlocker blocker(viewGrid_->cloudPseudoColorCheck());
        viewGrid_->cloudPseudoColorCheck()->setChecked(WindowSettings::cloudPseudoColor());
    }
    WindowSettings::restoreLayout(*this, *splitter_);
}

void HazardDeskWindow::clampToScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    resize(qMin(width(), available.width()), qMin(height(), available.height()));
    move(available.topLeft());
}

void HazardDeskWindow::setAutoRefreshEnabled(bool enabled) {
    if (enabled) {
        deviceRefreshTimer_->start();
        QMetaObject::invokeMethod(this, &HazardDeskWindow::autoRefreshDevices, Qt::QueuedConnection);
    } else {
        deviceRefreshTimer_->stop();
    }
}

void HazardDeskWindow::loadAdministratorPassword() {
    adminPassword_ = QString::fromLatin1(kDefaultAdminPassword);
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList candidates{QDir::current().filePath(QStringLiteral("conf/ui_permission.json")),
                                 QDir(appDir).filePath(QStringLiteral("conf/ui_permission.json")),
                                 QDir(appDir).filePath(QStringLiteral("../conf/ui_permission.json"))};
    for (const QString& path : candidates) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QJsonDocument json = QJsonDocument::fromJson(file.readAll());
        const QString password = json.object().value(QStringLiteral("admin_password")).toString().trimmed();
        if (json.isObject() && !password.isEmpty()) {
            adminPassword_ = password;
            return;
        }
    }
}

void HazardDeskWindow::onAdministratorToggled(bool checked) {
    if (checked && !state_.adminMode) {
        bool accepted = false;
        const QString password =
            QInputDialog::getText(this, translate(QStringLiteral("管理员验证")), translate(QStringLiteral("请输入管理员密码")),
                                  QLineEdit::Password, QString(), &accepted);
        if (!accepted || password != adminPassword_) {
            const QSignalBlocker blocker(topBar_->administratorButton());
            topBar_->administratorButton()->setChecked(false);
            if (accepted) {
                showOperationFeedback(QStringLiteral("管理员密码错误"), true);
                appendLog(2, QStringLiteral("管理员密码错误"));
            }
            return;
        }
    }
    state_.adminMode = checked;
    editor_->refreshAdvancedVisibility();
    updateCommandStates();
    LanguageManager::instance().retranslate(parameterPanel_);
}

QString HazardDeskWindow::translate(const QString& text) const {
    return LanguageManager::instance().localizeMessage(text);
}

void HazardDeskWindow::closeEvent(QCloseEvent* event) {
    WindowSettings::saveOnClose(*this, *splitter_, devicePanel_->deviceFilterEdit()->text());
    QMainWindow::closeEvent(event);
}

}  // namespace hazard_desk
