#include "AlgorithmParamStore.h"

#include "DeviceJson.h"
#include "ZrCameraTypes.h"

namespace zrsim {

AlgorithmParamStore::AlgorithmParamStore(const nlohmann::json& initial) : stored_(normalizeStored(initial, 0.0)) {}

int32_t AlgorithmParamStore::write(const std::string& text, Clock::time_point now, const FaultSet& faults,
                                   std::string& error) {
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        error = "algorithm parameters are not valid JSON (" + std::to_string(text.size()) + " bytes)";
        return ZR_STATUS_INVALID_ARGUMENT;
    }
    if (!checkParameterWrite(document, error)) return ZR_STATUS_INVALID_ARGUMENT;
    settle(now);
    if (faults.neverSaves) return ZR_STATUS_OK;  // acknowledged, never stored
    pending_ = normalizeStored(document, faults.readbackRounding);
    settleAt_ = now + std::chrono::milliseconds(faults.saveDelayMs);
    settle(now);
    return ZR_STATUS_OK;
}

void AlgorithmParamStore::settle(Clock::time_point now) {
    if (pending_ && now >= settleAt_) {
        stored_ = std::move(*pending_);
        pending_.reset();
        settledChange_ = true;
    }
}

const nlohmann::json& AlgorithmParamStore::current(Clock::time_point now) {
    settle(now);
    return stored_;
}

std::string AlgorithmParamStore::text(Clock::time_point now) { return formatStored(current(now)); }

void AlgorithmParamStore::setZoneIndex(int index) {
    stored_["ZoneIndex"] = index;
    if (pending_) (*pending_)["ZoneIndex"] = index;
    settledChange_ = true;
}

bool AlgorithmParamStore::takeSettledChange() {
    const bool changed = settledChange_;
    settledChange_ = false;
    return changed;
}

}  // namespace zrsim
