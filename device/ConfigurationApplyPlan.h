#pragma once
// What an apply does before it writes anything: the draft parsed and
// validated for the algorithm generation the camera runs, the camera's mode
// checked, its current parameters read as the baseline, the draft's active
// template merged into them and, for mask cameras, the template's V1 masks
// written as files into a temporary directory of their own. The directory
// lives exactly as long as the plan, so it is gone in every outcome of the
// transaction, an exception included.
//
// Thread: the camera worker's. The plan never writes to the camera and emits
// nothing; the worker reports its failure.
#include <QString>

#include <memory>

#include "DeviceWriteRequest.h"

namespace hazard_desk {

class ObstacleCameraBridge;
class V1MaskFileWriter;

class ConfigurationApplyPlan {
public:
    static constexpr const char* kStageParse = "解析草稿";
    static constexpr const char* kStageValidate = "参数校验";
    static constexpr const char* kStageReadMode = "回读算法模式";
    static constexpr const char* kStageSetMode = "设置算法模式";
    static constexpr const char* kStageBaseline = "回读设备基线";

    // targetMode: the mode the camera must run (1 or 4); v1MaskPath: the
    // camera takes V1 zones as uploaded masks.
    ConfigurationApplyPlan(ObstacleCameraBridge& camera, int targetMode, bool v1MaskPath);
    ~ConfigurationApplyPlan();
    ConfigurationApplyPlan(const ConfigurationApplyPlan&) = delete;
    ConfigurationApplyPlan& operator=(const ConfigurationApplyPlan&) = delete;

    // Builds the write request from the workstation JSON. False with stage()
    // and message() when a step fails; when the camera runs another mode,
    // cameraMode() tells which.
    bool prepare(const QString& workstationJson);

    const DeviceWriteRequest& request() const { return request_; }
    const QString& stage() const { return stage_; }
    const QString& message() const { return message_; }
    // The mode the camera reported, -1 before it was read.
    int cameraMode() const { return cameraMode_; }
    // The camera does not run the target algorithm (nothing was written).
    bool modeMismatch() const { return modeMismatch_; }
    // The mask directory while the plan holds one (empty otherwise).
    QString maskDirectory() const;

private:
    bool prepareSteps(const QString& workstationJson);
    bool fail(const QString& message);

    ObstacleCameraBridge& camera_;
    const int targetMode_;
    const bool v1MaskPath_;
    DeviceWriteRequest request_;
    QString stage_;
    QString message_;
    int cameraMode_ = -1;
    bool modeMismatch_ = false;
    std::unique_ptr<V1MaskFileWriter> masks_;
};

}  // namespace hazard_desk
