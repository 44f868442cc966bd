#pragma once
// Everything the window knows about the camera and its own commands. Owned by
// HazardDeskWindow and touched on the GUI thread only.
#include <QString>
#include <QVariantMap>

namespace hazard_desk {

struct BusyFlags {
    bool discovering = false;
    bool connectBusy = false;
    bool streamBusy = false;
    bool readBusy = false;
    bool applyBusy = false;
    bool templateSwitchBusy = false;
    bool ioModeBusy = false;
    bool groundCalibrationBusy = false;
    bool algorithmSwitching = false;
    bool imageExportBusy = false;

    bool any() const {
        return discovering || connectBusy || streamBusy || readBusy || applyBusy || templateSwitchBusy ||
               ioModeBusy || groundCalibrationBusy || algorithmSwitching || imageExportBusy;
    }
};

struct WindowState {
    bool connected = false;
    bool streaming = false;
    bool cloudReady = false;
    bool editMode = false;
    bool adminMode = false;
    bool squareFreeTemplate = false;
    int deviceAlgorithmMode = -1;
    int ioHardwareMode = -1;
    int activeTemplateIndex = -1;
    QVariantMap connectedDescriptor;
    QVariantMap runtimeSnapshot;
    QString sdkVersion;
    QString algorithmVersion;
    BusyFlags busy;
    // Kept untranslated so a language change can translate them again.
    QString feedbackMessage;
    QString feedbackTooltip;
    QString statusMessage;
    QString viewStatusText;

    bool isBusy() const { return busy.any(); }
};

}  // namespace hazard_desk
