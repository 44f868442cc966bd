#pragma once
// What one configuration write asks of the camera, and how it ended. Built by
// the apply transaction and the template switch, run by the worker's write
// runner (pause, DeviceWriteSequence, resume).
#include <QString>
#include <QStringList>

#include <nlohmann/json.hpp>

namespace hazard_desk {

struct DeviceWriteRequest {
    int mode = 0;                      // algorithm mode the camera must keep (1 or 4)
    int templateIndex = -1;            // template that must end up running, 0..19
    bool usesTemplateControl = false;  // the running template is chosen by "SetObstacleMode"
    bool wasStreaming = false;         // filled by the write runner
    bool checkFirst = false;           // template switch: write nothing when the camera already matches
    nlohmann::json deviceJson;         // the camera parameter document to write, "ZoneIndex" = templateIndex
    QStringList maskFiles;             // V1 mask files to upload; empty for V2
};

struct DeviceWriteResult {
    bool ok = false;              // the whole sequence was confirmed
    bool saved = false;           // the camera confirmed the parameter JSON (or already held it)
    bool masksAttempted = false;  // a mask upload was started
    bool masksUploaded = false;   // the mask upload succeeded
    bool streaming = false;       // pump state after the write (= wasStreaming)
    bool streamResumed = false;   // fresh frames were confirmed after the write
    int templateIndex = -1;       // template read back, -1 when unknown
    QString stage;                // the last stage entered
    QString message;              // error text; empty on success
    QString readbackJson;         // the parameter text last read by a read-back check
};

}  // namespace hazard_desk
