#include "FaultSet.h"

#include <cmath>
#include <cstdlib>

#include "ZrCameraTypes.h"

namespace zrsim {

namespace {

bool readInt(const nlohmann::json& v, const std::string& key, int32_t& out, std::string& error) {
    if (!v.is_number_integer()) {
        error = "fault '" + key + "' must be an integer, got " + v.dump();
        return false;
    }
    const auto n = v.get<int64_t>();
    if (n < INT32_MIN || n > INT32_MAX) {
        error = "fault '" + key + "' is outside the 32-bit range: " + v.dump();
        return false;
    }
    out = static_cast<int32_t>(n);
    return true;
}

bool readNonNegative(const nlohmann::json& v, const std::string& key, int32_t& out, std::string& error) {
    if (!readInt(v, key, out, error)) return false;
    if (out < 0) {
        error = "fault '" + key + "' must not be negative, got " + v.dump();
        return false;
    }
    return true;
}

// A boolean switch or an explicit status: true gives fallback, false gives 0.
bool readSwitchStatus(const nlohmann::json& v, const std::string& key, int32_t fallback, int32_t& out,
                      std::string& error) {
    if (v.is_boolean()) {
        out = v.get<bool>() ? fallback : 0;
        return true;
    }
    return readInt(v, key, out, error);
}

bool readBool(const nlohmann::json& v, const std::string& key, bool& out, std::string& error) {
    if (!v.is_boolean()) {
        error = "fault '" + key + "' must be a boolean, got " + v.dump();
        return false;
    }
    out = v.get<bool>();
    return true;
}

bool readUnsupported(const nlohmann::json& v, std::map<int32_t, int32_t>& out, std::string& error) {
    if (!v.is_object()) {
        error = "fault 'unsupported' must be an object of id -> status, got " + v.dump();
        return false;
    }
    std::map<int32_t, int32_t> result;
    for (auto it = v.begin(); it != v.end(); ++it) {
        char* end = nullptr;
        const long id = std::strtol(it.key().c_str(), &end, 10);
        if (it.key().empty() || *end != '\0' || id < 1000 || id > 99999) {
            error = "fault 'unsupported' has an invalid parameter id '" + it.key() + "'";
            return false;
        }
        int32_t status = 0;
        if (!readInt(it.value(), "unsupported." + it.key(), status, error)) return false;
        if (status == 0) {
            error = "fault 'unsupported." + it.key() + "' must name a non-zero status";
            return false;
        }
        result[static_cast<int32_t>(id)] = status;
    }
    out = std::move(result);
    return true;
}

// The faults that make one SDK call answer a status: true gives
// ZR_STATUS_FAILED, an integer that status.
int32_t* switchedStatus(FaultSet& faults, const std::string& key) {
    if (key == "streamStartFails") return &faults.streamStartStatus;
    if (key == "streamStopFails") return &faults.streamStopStatus;
    if (key == "callbackRegisterFails") return &faults.callbackRegisterStatus;
    if (key == "closeFails") return &faults.closeStatus;
    if (key == "gpuEnableFails") return &faults.gpuEnableStatus;
    if (key == "frameHandleReadFails") return &faults.frameHandleReadStatus;
    return nullptr;
}

bool readIdList(const nlohmann::json& v, const std::string& key, std::set<int32_t>& out, std::string& error) {
    if (!v.is_array()) {
        error = "fault '" + key + "' must be an array of parameter ids, got " + v.dump();
        return false;
    }
    std::set<int32_t> result;
    for (const nlohmann::json& id : v) {
        int32_t value = 0;
        if (!readInt(id, key, value, error)) return false;
        result.insert(value);
    }
    out = std::move(result);
    return true;
}

}  // namespace

bool mergeFaults(const nlohmann::json& object, FaultSet& faults, std::string& error) {
    if (!object.is_object()) {
        error = "faults must be a JSON object, got " + object.dump();
        return false;
    }
    FaultSet next = faults;
    const FaultSet defaults;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string& key = it.key();
        const nlohmann::json& v = it.value();
        const bool reset = v.is_null();
        bool ok = true;
        if (key == "openFails") {
            ok = reset ? (next.openStatus = 0, true)
                       : readSwitchStatus(v, key, ZR_STATUS_DEVICE_NOT_FOUND, next.openStatus, error);
        } else if (key == "reconnectAfterFrames") {
            ok = reset ? (next.reconnectAfterFrames = -1, true) : readInt(v, key, next.reconnectAfterFrames, error);
        } else if (key == "reconnectMs") {
            ok = reset ? (next.reconnectMs = defaults.reconnectMs, true)
                       : readNonNegative(v, key, next.reconnectMs, error);
        } else if (key == "frameStatus") {
            ok = reset ? (next.frameStatus = 0, true) : readInt(v, key, next.frameStatus, error);
        } else if (key == "colorUnavailable") {
            ok = reset ? (next.colorUnavailable = false, true) : readBool(v, key, next.colorUnavailable, error);
        } else if (key == "unsupported") {
            ok = reset ? (next.unsupported.clear(), true) : readUnsupported(v, next.unsupported, error);
        } else if (key == "nullTexts") {
            ok = reset ? (next.nullTexts.clear(), true) : readIdList(v, key, next.nullTexts, error);
        } else if (key == "saveDelayMs") {
            ok = reset ? (next.saveDelayMs = defaults.saveDelayMs, true)
                       : readNonNegative(v, key, next.saveDelayMs, error);
        } else if (key == "neverSaves") {
            ok = reset ? (next.neverSaves = false, true) : readBool(v, key, next.neverSaves, error);
        } else if (key == "readbackRounding") {
            if (reset) {
                next.readbackRounding = 0.0;
            } else if (!v.is_number() || !std::isfinite(v.get<double>()) || v.get<double>() < 0.0) {
                error = "fault 'readbackRounding' must be a non-negative number, got " + v.dump();
                ok = false;
            } else {
                next.readbackRounding = v.get<double>();
            }
        } else if (key == "templateSwitchReads") {
            ok = reset ? (next.templateSwitchReads = 0, true) : readNonNegative(v, key, next.templateSwitchReads, error);
        } else if (key == "modeConfirmReads") {
            ok = reset ? (next.modeConfirmReads = 0, true) : readNonNegative(v, key, next.modeConfirmReads, error);
        } else if (key == "uploadFails") {
            ok = reset ? (next.uploadStatus = 0, true)
                       : readSwitchStatus(v, key, ZR_STATUS_FAILED, next.uploadStatus, error);
        } else if (key == "framesStopAfterWrite") {
            ok = reset ? (next.framesStopAfterWrite = false, true) : readBool(v, key, next.framesStopAfterWrite, error);
        } else if (key == "ioHardwareModeIgnored") {
            ok = reset ? (next.ioHardwareModeIgnored = false, true) : readBool(v, key, next.ioHardwareModeIgnored, error);
        } else if (key == "algorithmState") {
            ok = reset ? (next.algorithmState = 0, true) : readInt(v, key, next.algorithmState, error);
        } else if (const auto status = switchedStatus(next, key)) {
            ok = reset ? (*status = 0, true) : readSwitchStatus(v, key, ZR_STATUS_FAILED, *status, error);
        } else {
            error = "unknown fault '" + key + "'";
            ok = false;
        }
        if (!ok) return false;
    }
    faults = std::move(next);
    return true;
}

}  // namespace zrsim
