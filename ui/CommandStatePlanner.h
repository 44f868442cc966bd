#pragma once
// The window's command-state table as a pure function: from the window state,
// the camera's capability profile and a few facts about the widgets it
// derives, for every command control, whether it is enabled and visible and
// what it says. Texts are the untranslated source texts.
#include "WindowState.h"

#include "camera/CameraCapabilities.h"

#include <QString>
#include <QVariantMap>

namespace hazard_desk {

struct CommandPermissions {
    algPlatform::CapabilityProfile profile;
    bool supported = false;
    bool modeMatches = false;
    bool canStream = false;
    bool canAlgorithm = false;
    bool canRead = false;
    bool canSwitchTemplate = false;
    bool canApply = false;
    bool canIoMode = false;
    bool canGroundCalibrate = false;
};

struct ControlState {
    bool enabled = false;
    bool visible = true;
    QString text;
    QString toolTip;
};

// Facts the planner needs from the widgets rather than from the state.
struct CommandInputs {
    QVariantMap profileDescriptor;      // connected camera, else the selected visible device item
    bool hasUsableSelection = false;    // a selected, visible item with a non-empty descriptor
    int algorithmComboEntries = 0;
    int algorithmComboMode = 0;         // item data of the selected algorithm entry
};

struct CommandStatePlan {
    CommandPermissions permissions;
    ControlState switchAlgorithmButton;
    ControlState refreshButton;
    ControlState connectButton;
    ControlState deviceList;
    ControlState deviceFilterEdit;
    ControlState streamButton;
    ControlState algorithmButton;
    ControlState algorithmVersionCombo;
    ControlState readDeviceButton;
    ControlState templateIndexSpin;
    ControlState switchTemplateButton;
    ControlState applyCurrentButton;
    ControlState ioHardwareModeCombo;
    ControlState importJsonButton;
    ControlState editingModeSwitch;
    ControlState zoneGeometry;        // rectangle and sector groups, zone type combo
    ControlState editOptions;         // V2 advanced, ground hole, restore defaults, reset extrinsics, extrinsic spins
    ControlState imageSavingGroup;
    ControlState debugCheck;
    ControlState exportAvoidanceImagesButton;
    ControlState groundCalibrationButton;
};

class CommandStatePlanner {
public:
    static CommandPermissions permissions(const WindowState& state, const QVariantMap& profileDescriptor);
    static CommandStatePlan plan(const WindowState& state, const CommandInputs& inputs);
    // "V1" for a recommended mode of 1, else "V2".
    static QString recommendedModeName(const algPlatform::CapabilityProfile& profile);
};

}  // namespace hazard_desk
