#pragma once
// The workstation's only main window. It owns the window state, the editing
// draft and its confirmed backup, the command protocol and the camera worker
// with its thread; the panels build and fill their own widgets. The window
// never calls the camera layer: every command sets a busy flag and emits one
// queued signal to the worker, whose answers arrive as the slots below.
// Lives on the GUI thread.
#include "CommandStatePlanner.h"
#include "WindowState.h"

#include "WorkstationDocument.h"
#include "camera/ColorCloud.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QMainWindow>
#include <QVariantList>
#include <QVariantMap>
#include <QVector>

#include <memory>
#include <optional>

class QLabel;
class QSplitter;
class QThread;
class QTimer;

namespace hazard_desk {

class CommandBar;
class DevicePanel;
class FileExchangeController;
class ImageExportController;
class ObstacleCameraWorker;
class ObstacleSceneClouds;
class ObstacleSceneOverlay;
class ParameterEditorController;
class ParameterPanel;
class StatusPanel;
class TopBar;
class ViewGrid;
struct ShownSceneConfiguration;

class HazardDeskWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kDeviceRefreshIntervalMs = 5000;
    static constexpr int kInformationStatusTimeoutMs = 8000;
    static constexpr int kMinimumWidth = 1280;
    static constexpr int kMinimumHeight = 760;
    static constexpr int kInitialWidth = 1500;
    static constexpr int kInitialHeight = 900;
    static constexpr double kDefaultMaxDepthMm = 8000.0;
    // A start-up connection keeps looking for its camera this many discoveries
    // (one every kDeviceRefreshIntervalMs), then gives up.
    static constexpr int kStartupConnectAttempts = 6;

    explicit HazardDeskWindow(QWidget* parent = nullptr);
    ~HazardDeskWindow() override;

    const WindowState& state() const { return state_; }
    bool isBusy() const { return state_.isBusy(); }
    QThread* workerThread() const { return workerThread_; }
    ObstacleCameraWorker* worker() const { return worker_; }
    QSplitter* workspaceSplitter() const { return splitter_; }
    // The parameter editor: draft, backup and the template being edited.
    ParameterEditorController* editor() const { return editor_; }
    // Frame export, configuration export and import, runtime-log export.
    FileExchangeController* fileExchange() const { return fileExchange_; }
    // The device-image export command and its progress.
    ImageExportController* imageExport() const { return imageExport_; }

    void updateCommandStates();
    void refreshDynamicTexts();
    void setConnectedState(bool connected);
    void showOperationFeedback(const QString& text, bool isError, const QString& tooltip = QString());
    // The disconnected look of the status groups.
    void resetStatusPanel();
    // The current region group: the draft while editing, else the camera's
    // running configuration, else a placeholder with the reason.
    void refreshRegionSummary();
    // Connects to the camera at ip as soon as a discovery finds it, as if it
    // had been selected and "连接相机" pressed.
    void connectOnStartup(const QString& ip);

    // The scene in the 3D view: the shown configuration's zones (then the
    // live cloud), the live cloud and depth view of the last frame, and the
    // boxes the camera reports.
    void refreshZonePreview();
    void refreshLiveCloud();
    void refreshDetectedBoxes(const QVariantList& boxes);
    ObstacleSceneOverlay* sceneOverlay() const { return sceneOverlay_; }
    // The depth image as shown: the last frame's, zone pixels repainted.
    const QImage& shownDepth() const { return shownDepth_; }

signals:
    void discoverRequested();
    void connectRequested(QVariantMap descriptor);
    void disconnectRequested();
    void streamRequested(bool enabled);
    void algorithmRequested(bool enabled, int mode);
    void readConfigurationRequested(int mode);
    void applyConfigurationRequested(QString workstationJson, int mode);
    void switchTemplateRequested(int index);
    void ioModesRequested(int workMode, int hardwareMode);
    void groundCalibrationRequested(QVariantMap initialPose);
    void frameConsumed();

public slots:
    void autoRefreshDevices();
    void onSdkVersionReady(QString version);
    void onAlgorithmVersionReady(QString version);
    void onDevicesDiscovered(QVariantList devices);
    void onConnectionChanged(bool connected, QVariantMap descriptor, QString message);
    void onStreamStateChanged(bool streaming, QString message);
    void onAlgorithmStateChanged(bool enabled, int mode, QString message);
    void onAlgorithmChangeFinished(bool ok, QString message);
    void onFrameReady(QImage rgb, QImage depth, QImage amplitude, corVane::ColorCloudPtr cloud,
                      QVector<int> depthPixels, qlonglong timestamp);
    void onRuntimeUpdated(QVariantMap runtime);
    void onIoHardwareModeRead(int mode, QString error);
    void onIoModesApplied(bool ok, QString message);
    void onTemplateSwitchFinished(bool ok, int index, QString message);
    void onActiveConfigurationUpdated(QString workstationJson, QString deviceJson, int mode);
    void onActiveConfigurationUnavailable(QString reason);
    void onConfigurationRead(QString workstationJson, QString deviceJson, int mode);
    void onConfigurationApplied(bool ok, QString stage, QString message, QString workstationJson,
                                QString deviceJson);
    void onGroundCalibrated(bool ok, QVariantMap extrinsics, QString message);
    void appendLog(int level, QString message);
    // Further worker answers the window listens to.
    void onConfigurationReadFinished();
    void onActiveTemplateChanged(int index);
    void onDeviceUpdateProgress(QString message);

    // User commands (buttons); each follows the command protocol.
    void requestConnectToggle();
    void requestStreamToggle();
    void requestReadDevice();
    void requestAlgorithmSwitch();
    void requestDeviceRefresh();
    void requestApplyCurrent();
    void requestTemplateSwitch();
    void requestIoHardwareMode(int comboIndex);
    void requestGroundCalibration();
    // Administrator gate: checking the button asks for the password.
    void onAdministratorToggled(bool checked);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgetTree();
    void createWorker();
    void wireWidgets();
    // The 3D view's translator and the re-derivation of texts on a language change.
    void wireLanguage();
    void wireFileExchange();
    void applyEditLock();
    void restoreSettings();
    void clampToScreen();
    void setAutoRefreshEnabled(bool enabled);
    void startStreamAfterConnect();
    QVariantMap profileDescriptor() const;
    CommandPermissions permissions() const;
    int selectedReadMode() const;
    QString translate(const QString& text) const;
    void applyFocusRule();
    void loadAdministratorPassword();
    void continueStartupConnect();
    // The status bar text and how long it stays (0: until replaced); the
    // time-out survives a re-translation.
    void showStatusMessage(const QString& text, int timeoutMs);
    // "SDK 最远距离" and the field of view of the extrinsics group for the
    // connected camera, or their unknown forms.
    void showCameraRangeAndFieldOfView(const QVariantMap& descriptor);
    ShownSceneConfiguration shownScene() const;
    // Shows what an apply of the draft changes on the camera and asks; true
    // when the apply goes ahead (at once when "不再提示" is stored).
    bool confirmApply();
    void refreshPointCloudTitle();

    WindowState state_;
    QString adminPassword_;
    QString activeUnavailableReason_;
    // The camera's running configuration as last reported by the worker, and
    // the camera's own parameter text it was read from.
    std::optional<WorkstationDocument> runningConfiguration_;
    QString runningDeviceJson_;
    QString startupConnectAddress_;
    int startupConnectAttempts_ = 0;
    QDeadlineTimer statusMessageDeadline_{QDeadlineTimer::Forever};

    QImage lastRgb_;
    QImage lastDepth_;
    QImage lastAmplitude_;
    corVane::ColorCloudPtr lastCloud_;
    QVector<int> lastDepthPixels_;
    QImage shownDepth_;

    TopBar* topBar_ = nullptr;
    CommandBar* commandBar_ = nullptr;
    QLabel* feedbackLabel_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QWidget* leftPanel_ = nullptr;
    DevicePanel* devicePanel_ = nullptr;
    StatusPanel* statusPanel_ = nullptr;
    ViewGrid* viewGrid_ = nullptr;
    ParameterPanel* parameterPanel_ = nullptr;
    ParameterEditorController* editor_ = nullptr;
    FileExchangeController* fileExchange_ = nullptr;
    QTimer* deviceRefreshTimer_ = nullptr;
    ObstacleSceneOverlay* sceneOverlay_ = nullptr;
    std::unique_ptr<ObstacleSceneClouds> sceneClouds_;

    QThread* workerThread_ = nullptr;
    ObstacleCameraWorker* worker_ = nullptr;

    // "导出存图": its export thread is cancelled and joined on destruction.
    ImageExportController* imageExport_ = nullptr;
};

}  // namespace hazard_desk
