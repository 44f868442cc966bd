#pragma once
// The parameter editor: the draft the right panel edits, the backup the
// camera last confirmed, which template is shown, the dirty-state and
// validation lines, the edit lock, and the editor's side of apply, device
// read, template switch, I/O mode and ground calibration. It fills and reads
// the panel's widgets and answers their changes. The window keeps the command
// protocol (busy flags, banner, signals to the worker) and hears from the
// editor through the signals below. Lives on the GUI thread.
#include "ValidationDisplay.h"
#include "WindowState.h"

#include "ValidationIssue.h"
#include "WorkstationDocument.h"
#include "camera/CameraCapabilities.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

namespace hazard_desk {

class ParameterPanel;

class ParameterEditorController : public QObject {
    Q_OBJECT
public:
    static constexpr int kTemplateSelectedStatusMs = 3000;
    // Shared extrinsics count as changed beyond this (mm, or degrees of the
    // difference taken modulo 360).
    static constexpr double kExtrinsicsTolerance = 0.0051;
    // A calibration result belongs to the pose it started from, to this much.
    static constexpr double kCalibrationPoseTolerance = 1e-6;

    // The editor reads and writes the editor fields of state (editMode,
    // squareFreeTemplate) and reads the rest.
    ParameterEditorController(ParameterPanel& panel, WindowState& state, QObject* parent = nullptr);

    const WorkstationDocument& draft() const { return draft_; }
    const WorkstationDocument& backup() const { return backup_; }
    int editingIndex() const { return editingIndex_; }
    bool isDirty() const { return dirty_; }
    const QString& dirtyDetail() const { return dirtyDetail_; }
    bool offlineEdit() const { return offlineEdit_; }
    int applyTemplateIndex() const { return applyTemplateIndex_; }
    const QString& lastDeviceJson() const { return lastDeviceJson_; }
    // The draft as workstation JSON (indent 2), the worker's request format.
    QString draftJson() const;
    // Fields marked by the last validation.
    QList<QWidget*> markedFields() const { return validation_.markedFields(); }

    // Backup and draft become the document; its active template is shown.
    void loadDocument(const WorkstationDocument& document);
    void loadTemplateIntoEditor(int index);
    void collectTemplateFromEditor(int index);
    void collectDraftFromEditor();
    void setEditMode(bool on);
    // The lock look for the current edit mode and apply state.
    void refreshLock();
    void setDirtyState(bool dirty, const QString& detail);
    // Validates the draft, marks the offending fields and shows the verdict.
    // On issues, message receives the first ten as "path：message" lines.
    bool validateDraft(QString* message);
    // Shows template index from the backup; unsent template edits are dropped,
    // the shared extrinsics are kept.
    void selectTemplate(int index);
    void resetExtrinsics();
    // Asks first; on Yes the template becomes its type's default.
    void restoreDefaults();

    // Fills the algorithm combo for a camera: preferredMode (when offered),
    // else the previous choice, the draft's generation, the recommended mode.
    void populateAlgorithmCombo(const algPlatform::CapabilityProfile& profile, int deviceType, int preferredMode = -1);
    void refreshAdvancedVisibility();

    // Apply: remembers the template being applied and locks the panel.
    void beginApply();
    // The worker's answer. Returns the template now running, -1 on failure.
    int finishApply(bool ok, const QString& stage, const QString& message, const QString& workstationJson,
                    const QString& deviceJson);
    // A device read: the camera's JSON, the combo for the mode read, the document.
    void showDeviceConfiguration(const WorkstationDocument& document, const QString& deviceJson, int mode,
                                 const algPlatform::CapabilityProfile& profile, int deviceType);
    void showTemplateSwitchResult(bool ok, const QString& message);
    // A successful calibration: written to the draft in edit mode unless the
    // pose changed since it started.
    void applyGroundCalibration(const QVariantMap& result, const QString& message);

    // The I/O hardware-mode combo: selection follows the camera's mode while
    // nothing is being sent; the tooltip says why it is or is not usable.
    void setIoModeError(const QString& error) { ioModeError_ = error; }
    void refreshIoModeCombo();

    // Forgets what belonged to the camera; the draft stays.
    void cameraDisconnected();
    // Re-shows every stored editor text in the current language.
    void retranslate();

signals:
    void feedbackRequested(QString text, bool isError, QString tooltip);
    void logRequested(int level, QString message);
    void statusRequested(QString text, int timeoutMs);
    // The draft shown in the 3D view and the region group changed.
    void previewChanged();
    void commandStatesChanged();
    void editModeChanged(bool on);
    void sideViewRequested();

private:
    void wirePanel();
    void onFieldEdited();
    void onZoneTypeChanged(int entry);
    void onAlgorithmChanged();
    void onTemplateIndexChanged(int index);
    void showDirtyLine();
    bool extrinsicsDifferFromBackup() const;
    bool deviceHasTemplate(int index) const;
    QString translate(const QString& text) const;

    ParameterPanel& panel_;
    WindowState& state_;
    WorkstationDocument draft_;
    WorkstationDocument backup_;
    int editingIndex_ = kDefaultActiveIndex;
    bool syncing_ = false;
    bool loadingEditor_ = false;
    bool dirty_ = false;
    QString dirtyDetail_;
    bool offlineEdit_ = false;
    int applyTemplateIndex_ = -1;
    QString lastDeviceJson_;
    QString ioModeError_;
    // What the two lines show, untranslated, so a language change can re-show them.
    QString dirtyLine_;
    QString dirtyStyle_;
    ValidationDisplay validation_;
};

}  // namespace hazard_desk
