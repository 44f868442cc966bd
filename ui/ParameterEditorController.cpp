#include "ParameterEditorController.h"

#include "ExtrinsicsEditor.h"
#include "LanguageManager.h"
#include "OptionsEditor.h"
#include "ParameterPanel.h"
#include "ZoneGeometryEditor.h"

#include "DeviceJsonReader.h"
#include "DeviceZoneLookup.h"
#include "DocumentValidator.h"
#include "ParameterValidationError.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>

#include <nlohmann/json.hpp>

#include <cmath>

namespace hazard_desk {
namespace {

constexpr const char* kGood = "color:#55dda8;";
constexpr const char* kPending = "color:#f3c946;";
constexpr const char* kSquareFreeLine = "自由矩形模板 · 只读透传（SDK 正式 GUI 未开放）";
constexpr const char* kSquareFreeTooltip = "该模板是 squareFree；首版只读透传，不允许在正式 UI 中编辑";
constexpr const char* kLockedGroupStyle =
    "QGroupBox { background:#151d28; border-color:#394457; }QLabel { color:#8290a5; background:transparent; } "
    "QDoubleSpinBox:disabled,QComboBox:disabled { background:#111821; color:#68788e; }";
constexpr const char* kV1UploadStage = "上传 V1 掩码";

// Sets a flag for the lifetime of the guard, so change handlers know the
// window itself is writing the widgets.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = previous_; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
    bool previous_;
};

bool isTemplateIndex(int index) {
    return index >= 0 && index <= kMaxTemplateIndex;
}

bool isInside(const QWidget* widget, const QWidget* ancestor) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (widget == ancestor) {
            return true;
        }
    }
    return false;
}

}  // namespace

ParameterEditorController::ParameterEditorController(ParameterPanel& panel, WindowState& state, QObject* parent)
    : QObject(parent),
      panel_(panel),
      state_(state),
      dirtyLine_(QStringLiteral("草稿未下发 · 设备参数未回读")),
      dirtyStyle_(QString::fromLatin1(kPending)),
      validation_(panel.jsonValidationLabel(), &panel) {
    wirePanel();
}

void ParameterEditorController::wirePanel() {
    connect(panel_.geometryEditor(), &ZoneGeometryEditor::edited, this, &ParameterEditorController::onFieldEdited);
    connect(panel_.extrinsicsEditor(), &ExtrinsicsEditor::edited, this, &ParameterEditorController::onFieldEdited);
    connect(panel_.optionsEditor(), &OptionsEditor::edited, this, &ParameterEditorController::onFieldEdited);
    connect(panel_.zoneTypeCombo(), QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ParameterEditorController::onZoneTypeChanged);
    connect(panel_.algorithmVersionCombo(), QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ParameterEditorController::onAlgorithmChanged);
    connect(panel_.templateIndexSpin(), QOverload<int>::of(&QSpinBox::valueChanged), this,
            &ParameterEditorController::onTemplateIndexChanged);
    connect(panel_.editingModeSwitch(), &QPushButton::toggled, this, &ParameterEditorController::setEditMode);
    connect(panel_.resetExtrinsicsButton(), &QPushButton::clicked, this, &ParameterEditorController::resetExtrinsics);
    connect(panel_.restoreDefaultsButton(), &QPushButton::clicked, this, &ParameterEditorController::restoreDefaults);
}

QString ParameterEditorController::draftJson() const {
    return QString::fromStdString(dumpWorkstationDocument(draft_, 2));
}

QString ParameterEditorController::translate(const QString& text) const {
    return LanguageManager::instance().localizeMessage(text);
}

void ParameterEditorController::loadDocument(const WorkstationDocument& document) {
    backup_ = document;
    draft_ = document;
    editingIndex_ = qBound(0, document.activeIndex, static_cast<int>(kMaxTemplateIndex));
    {
        const FlagGuard syncing(syncing_);
        QComboBox* combo = panel_.algorithmVersionCombo();
        const int entry = combo->findData(document.algorithmVersion == AlgorithmVersion::V2 ? 4 : 1);
        if (entry >= 0) {
            combo->setCurrentIndex(entry);
        }
        panel_.templateIndexSpin()->setValue(editingIndex_);
    }
    refreshAdvancedVisibility();
    loadTemplateIntoEditor(editingIndex_);
    emit previewChanged();
}

void ParameterEditorController::loadTemplateIntoEditor(int index) {
    if (!isTemplateIndex(index)) {
        return;
    }
    const FlagGuard loading(loadingEditor_);
    const ZoneTemplate& shown = draft_.templates[static_cast<std::size_t>(index)];
    panel_.extrinsicsEditor()->showPose(draft_.extrinsics);
    state_.squareFreeTemplate = shown.type() == TemplateType::SquareFree;
    const int page = panel_.geometryEditor()->showTemplate(shown);
    panel_.zoneTypeCombo()->setCurrentIndex(page);
    if (state_.squareFreeTemplate) {
        for (QWidget* w : std::initializer_list<QWidget*>{panel_.zoneTypeCombo(), panel_.rectangleParametersGroup(),
                                                          panel_.sectorParametersGroup()}) {
            w->setEnabled(false);
        }
    }
    panel_.optionsEditor()->showOptions(shown.options);
    panel_.zoneTypeLabel()->setToolTip(state_.squareFreeTemplate ? translate(QString::fromUtf8(kSquareFreeTooltip))
                                                                 : QString());
    if (state_.squareFreeTemplate || dirtyLine_ == QString::fromUtf8(kSquareFreeLine)) {
        setDirtyState(dirty_, dirtyDetail_);
    }
    // Marks belong to values no longer shown.
    validation_.clearMarks();
    emit commandStatesChanged();
}

void ParameterEditorController::collectTemplateFromEditor(int index) {
    if (loadingEditor_ || !isTemplateIndex(index)) {
        return;
    }
    ZoneTemplate& edited = draft_.templates[static_cast<std::size_t>(index)];
    edited.index = index;
    if (edited.type() != TemplateType::SquareFree) {
        panel_.geometryEditor()->writeBody(edited, panel_.zoneTypeCombo()->currentIndex());
    }
    // A free-box template is read-only, but its options are still edited and sent.
    panel_.optionsEditor()->writeOptions(edited.options);
}

void ParameterEditorController::collectDraftFromEditor() {
    if (loadingEditor_) {
        return;
    }
    collectTemplateFromEditor(editingIndex_);
    draft_.algorithmVersion = panel_.selectedAlgorithmMode() == 4 ? AlgorithmVersion::V2 : AlgorithmVersion::V1;
    draft_.activeIndex = editingIndex_;
    draft_.extrinsics = panel_.extrinsicsEditor()->pose();
}

void ParameterEditorController::setEditMode(bool on) {
    state_.editMode = on;
    if (on && !state_.connected) {
        offlineEdit_ = true;
    }
    refreshLock();
    if (!on) {
        QScrollArea* area = panel_.scrollArea();
        QWidget* focus = QApplication::focusWidget();
        if (focus != nullptr && focus != area && isInside(focus, area)) {
            area->setFocus(Qt::OtherFocusReason);
        }
    }
    emit editModeChanged(on);
    emit previewChanged();
}

void ParameterEditorController::refreshLock() {
    const bool applying = state_.busy.applyBusy;
    const bool locked = !state_.editMode || applying;
    QPushButton* toggle = panel_.editingModeSwitch();
    {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(state_.editMode);
    }
    toggle->setEnabled(!applying);
    panel_.editingLockHint()->setVisible(locked);
    panel_.editingLockHint()->setText(translate(applying ? QStringLiteral("配置下发中，请稍候")
                                                         : QStringLiteral("参数已锁定，需打开编辑模式后修改")));
    const QString style = locked ? QString::fromLatin1(kLockedGroupStyle) : QString();
    for (QGroupBox* group : {panel_.rectangleParametersGroup(), panel_.sectorParametersGroup(), panel_.extrinsicsGroup()}) {
        group->setStyleSheet(style);
    }
    panel_.templateIndexSpin()->setEnabled(!applying && !state_.busy.templateSwitchBusy);
    panel_.setTemplateTargetLabel(
        translate(state_.editMode ? QStringLiteral("当前编辑模板") : QStringLiteral("目标运行模板")));
    emit commandStatesChanged();
}

void ParameterEditorController::setDirtyState(bool dirty, const QString& detail) {
    dirty_ = dirty;
    dirtyDetail_ = detail;
    if (state_.squareFreeTemplate) {
        dirtyLine_ = QString::fromUtf8(kSquareFreeLine);
        dirtyStyle_ = QString::fromLatin1(kPending);
    } else if (dirty) {
        dirtyLine_ = detail.isEmpty() ? QStringLiteral("草稿有未下发修改") : detail;
        dirtyStyle_ = QString::fromLatin1(kPending);
    } else {
        dirtyLine_ = detail.isEmpty() ? QStringLiteral("当前参数与备份一致") : detail;
        dirtyStyle_ = QString::fromLatin1(kGood);
    }
    showDirtyLine();
}

void ParameterEditorController::showDirtyLine() {
    panel_.dirtyStateLabel()->setText(translate(dirtyLine_));
    panel_.dirtyStateLabel()->setStyleSheet(dirtyStyle_);
}

bool ParameterEditorController::validateDraft(QString* message) {
    const ValidationIssueList issues = validateWorkstationDocument(draft_);
    validation_.showIssues(issues, editingIndex_, draft_.templates[static_cast<std::size_t>(editingIndex_)].type());
    if (message != nullptr) {
        *message = ValidationDisplay::issueLines(issues);
    }
    return issues.empty();
}

bool ParameterEditorController::extrinsicsDifferFromBackup() const {
    const Extrinsics& a = draft_.extrinsics;
    const Extrinsics& b = backup_.extrinsics;
    const auto apart = [](double x, double y) { return !(std::fabs(x - y) <= kExtrinsicsTolerance); };
    const auto turnApart = [](double x, double y) {
        return !(std::fabs(std::remainder(x - y, 360.0)) <= kExtrinsicsTolerance);
    };
    return apart(a.x, b.x) || apart(a.y, b.y) || apart(a.z, b.z) || turnApart(a.roll, b.roll) ||
           turnApart(a.pitch, b.pitch) || turnApart(a.yaw, b.yaw);
}

bool ParameterEditorController::deviceHasTemplate(int index) const {
    return hasTemplate(nlohmann::json::parse(lastDeviceJson_.toStdString(), nullptr, false), index);
}

void ParameterEditorController::selectTemplate(int index) {
    if (!isTemplateIndex(index)) {
        return;
    }
    draft_.templates = backup_.templates;
    draft_.activeIndex = index;
    editingIndex_ = index;
    if (panel_.templateIndexSpin()->value() != index) {
        const FlagGuard syncing(syncing_);
        panel_.templateIndexSpin()->setValue(index);
    }
    loadTemplateIntoEditor(index);
    refreshLock();
    if (extrinsicsDifferFromBackup()) {
        setDirtyState(true, QStringLiteral("共用外参有未下发修改"));
    } else {
        setDirtyState(false, QStringLiteral("当前模板已从备份加载"));
    }
    if (state_.connected && !lastDeviceJson_.isEmpty() && !deviceHasTemplate(index)) {
        setDirtyState(true, QStringLiteral("设备尚未配置模板 %1，请先下发该模板再切换。").arg(index));
    }
    emit previewChanged();
}

void ParameterEditorController::resetExtrinsics() {
    draft_.extrinsics = Extrinsics{};
    loadTemplateIntoEditor(editingIndex_);
    setDirtyState(true, QStringLiteral("外参已重置"));
    validateDraft(nullptr);
    emit previewChanged();
}

void ParameterEditorController::restoreDefaults() {
    const QMessageBox::StandardButton answer =
        QMessageBox::question(panel_.window(), translate(QStringLiteral("恢复默认")),
                              translate(QStringLiteral("恢复当前模板为默认值？")), QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    const bool sector = panel_.zoneTypeCombo()->currentIndex() == ZoneGeometryEditor::kSectorPage;
    draft_.templates[static_cast<std::size_t>(editingIndex_)] =
        defaultZoneTemplate(editingIndex_, sector ? TemplateType::Sector : TemplateType::Square);
    loadTemplateIntoEditor(editingIndex_);
    setDirtyState(true, QStringLiteral("当前模板已恢复默认"));
    validateDraft(nullptr);
    emit commandStatesChanged();
    emit previewChanged();
}

void ParameterEditorController::onFieldEdited() {
    if (syncing_ || loadingEditor_) {
        return;
    }
    if (!state_.connected) {
        offlineEdit_ = true;
    }
    collectDraftFromEditor();
    setDirtyState(true, QStringLiteral("当前模板参数已修改，切换模板将丢弃未下发修改"));
    validateDraft(nullptr);
    emit previewChanged();
}

void ParameterEditorController::onZoneTypeChanged(int entry) {
    if (syncing_ || loadingEditor_) {
        return;
    }
    ZoneTemplate& edited = draft_.templates[static_cast<std::size_t>(editingIndex_)];
    ZoneTemplate fresh = defaultZoneTemplate(
        editingIndex_, entry == ZoneGeometryEditor::kSectorPage ? TemplateType::Sector : TemplateType::Square);
    fresh.options = edited.options;
    edited = fresh;
    state_.squareFreeTemplate = false;
    loadTemplateIntoEditor(editingIndex_);
    setDirtyState(true, QStringLiteral("区域类型已修改"));
    refreshLock();
    validateDraft(nullptr);
    emit previewChanged();
}

void ParameterEditorController::onAlgorithmChanged() {
    if (syncing_) {
        return;
    }
    collectDraftFromEditor();
    draft_.algorithmVersion = panel_.selectedAlgorithmMode() == 1 ? AlgorithmVersion::V1 : AlgorithmVersion::V2;
    refreshAdvancedVisibility();
    setDirtyState(true, QStringLiteral("算法版本已修改"));
    emit commandStatesChanged();
}

void ParameterEditorController::onTemplateIndexChanged(int index) {
    if (syncing_) {
        return;
    }
    if (!state_.connected) {
        offlineEdit_ = true;
    }
    selectTemplate(index);
    emit statusRequested(QStringLiteral("当前选择模板：%1").arg(index), kTemplateSelectedStatusMs);
}

void ParameterEditorController::populateAlgorithmCombo(const algPlatform::CapabilityProfile& profile, int deviceType,
                                                       int preferredMode) {
    QList<int> preferred;
    if (preferredMode >= 0) {
        preferred << preferredMode;
    }
    preferred << panel_.selectedAlgorithmMode() << (draft_.algorithmVersion == AlgorithmVersion::V2 ? 4 : 1)
              << static_cast<int>(profile.recommendedMode);
    int mode = 0;
    {
        const FlagGuard syncing(syncing_);
        mode = panel_.populateAlgorithmCombo(profile, deviceType, preferred);
    }
    if (mode == 4) {
        draft_.algorithmVersion = AlgorithmVersion::V2;
    } else if (mode == 1) {
        draft_.algorithmVersion = AlgorithmVersion::V1;
    }
    refreshAdvancedVisibility();
}

void ParameterEditorController::refreshAdvancedVisibility() {
    panel_.updateAdvancedVisibility(state_.adminMode);
}

void ParameterEditorController::beginApply() {
    applyTemplateIndex_ = editingIndex_;
    setEditMode(state_.editMode);
}

int ParameterEditorController::finishApply(bool ok, const QString& stage, const QString& message,
                                           const QString& workstationJson, const QString& deviceJson) {
    const int applied = isTemplateIndex(applyTemplateIndex_) ? applyTemplateIndex_ : editingIndex_;
    applyTemplateIndex_ = -1;
    if (!ok) {
        setDirtyState(true, QStringLiteral("下发失败：%1").arg(message));
        refreshLock();
        const QString banner =
            stage == QString::fromUtf8(kV1UploadStage)
                ? QStringLiteral("模板 %1 的区域图上传失败，配置可能不完整。请检查网络后重新下发该模板。").arg(editingIndex_)
                : QStringLiteral("模板 %1 下发未完成（%2）。草稿已保留，请查看日志后重试。")
                      .arg(editingIndex_)
                      .arg(translate(stage));
        emit feedbackRequested(banner, true, message);
        validation_.showVerdict(QStringLiteral("%1：%2").arg(stage, message), false);
        return -1;
    }
    WorkstationDocument confirmed = draft_;
    try {
        confirmed = parseWorkstationDocumentText(workstationJson.toStdString());
    } catch (const ParameterValidationError& workstationError) {
        try {
            confirmed = parseDeviceDocumentText(deviceJson.toStdString(), draft_.algorithmVersion, false);
        } catch (const ParameterValidationError& deviceError) {
            // The camera confirmed the write; only its echo is unreadable.
            emit logRequested(2, QStringLiteral("Confirmed configuration unreadable, keeping the sent draft: %1 / %2")
                                     .arg(QString::fromUtf8(workstationError.what()),
                                          QString::fromUtf8(deviceError.what())));
        }
    }
    const auto slot = static_cast<std::size_t>(applied);
    backup_.templates[slot] = confirmed.templates[slot];
    backup_.extrinsics = confirmed.extrinsics;
    backup_.activeIndex = applied;
    draft_ = backup_;
    loadTemplateIntoEditor(editingIndex_);
    refreshLock();
    const QString done = QStringLiteral("模板 %1 已保存并下发，已切换为运行模板").arg(applied);
    setDirtyState(false, done);
    validation_.showVerdict(done, true);
    emit feedbackRequested(done, false, QString());
    emit previewChanged();
    return applied;
}

void ParameterEditorController::showDeviceConfiguration(const WorkstationDocument& document, const QString& deviceJson,
                                                        int mode, const algPlatform::CapabilityProfile& profile,
                                                        int deviceType) {
    lastDeviceJson_ = deviceJson;
    panel_.parameterJsonEdit()->setPlainText(deviceJson);
    populateAlgorithmCombo(profile, deviceType, mode);
    loadDocument(document);
    // The draft now is what the camera holds: no unsent edits remain.
    setDirtyState(false, QString());
    const QString text = QStringLiteral("设备配置已回读，模板参数已更新。");
    validation_.showVerdict(text, true);
    emit feedbackRequested(text, false, QString());
}

void ParameterEditorController::showTemplateSwitchResult(bool ok, const QString& message) {
    validation_.showVerdict(message, ok);
}

void ParameterEditorController::applyGroundCalibration(const QVariantMap& result, const QString& message) {
    if (!state_.editMode) {
        emit logRequested(1, QStringLiteral("地面标定结果未写入草稿：编辑模式已关闭"));
        return;
    }
    const QVariantMap initial = result.value(QStringLiteral("initialPose")).toMap();
    const Extrinsics shown = panel_.extrinsicsEditor()->pose();
    const std::pair<const char*, double> fields[6] = {{"x", shown.x},       {"y", shown.y},         {"z", shown.z},
                                                      {"roll", shown.roll}, {"pitch", shown.pitch}, {"yaw", shown.yaw}};
    bool stale = false;
    for (const auto& [key, value] : fields) {
        const QVariant sent = initial.value(QLatin1String(key));
        stale = stale || !sent.isValid() || !(std::fabs(sent.toDouble() - value) <= kCalibrationPoseTolerance);
    }
    if (stale) {
        emit logRequested(1, QStringLiteral("标定期间外参已变化，已忽略旧结果，请重新标定"));
        return;
    }
    const double z = result.value(QStringLiteral("z")).toDouble();
    const double roll = result.value(QStringLiteral("roll")).toDouble();
    const double pitch = result.value(QStringLiteral("pitch")).toDouble();
    if (!std::isfinite(z) || !std::isfinite(roll) || !std::isfinite(pitch)) {
        emit logRequested(2, QStringLiteral("地面标定结果无效，已忽略：z %1，roll %2，pitch %3").arg(z).arg(roll).arg(pitch));
        return;
    }
    emit logRequested(0, message);
    setEditMode(true);
    {
        const FlagGuard syncing(syncing_);
        panel_.extrinsicsEditor()->showCalibratedPose(z, roll, pitch);
    }
    draft_.extrinsics = panel_.extrinsicsEditor()->pose();
    setDirtyState(true, QStringLiteral("地面标定结果已写入草稿，尚未下发"));
    validateDraft(nullptr);
    emit previewChanged();
    emit sideViewRequested();
}

void ParameterEditorController::refreshIoModeCombo() {
    QComboBox* combo = panel_.ioHardwareModeCombo();
    const bool sending = state_.busy.ioModeBusy;
    if (!sending) {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(combo->findData(state_.ioHardwareMode));
    }
    QString tip;
    if (!state_.connected) {
        tip = QStringLiteral("连接相机后可选择 IO 模式");
    } else if (sending) {
        tip = QStringLiteral("正在下发 IO 模式…");
    } else if (state_.ioHardwareMode < 0) {
        tip = QStringLiteral("设备 IO 模式未获取");
    } else {
        tip = QStringLiteral("选择后立即下发；当前选项为设备回读的 IO 模式");
    }
    tip = translate(tip);
    if (!ioModeError_.isEmpty()) {
        tip += QLatin1Char('\n') + translate(ioModeError_);
    }
    combo->setToolTip(tip);
}

void ParameterEditorController::cameraDisconnected() {
    lastDeviceJson_.clear();
    ioModeError_.clear();
    applyTemplateIndex_ = -1;
}

void ParameterEditorController::retranslate() {
    showDirtyLine();
    validation_.retranslate();
    refreshLock();
    refreshIoModeCombo();
    if (state_.squareFreeTemplate) {
        panel_.zoneTypeLabel()->setToolTip(translate(QString::fromUtf8(kSquareFreeTooltip)));
    }
}

}  // namespace hazard_desk
