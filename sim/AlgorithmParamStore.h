#pragma once
// The camera's stored algorithm parameter JSON (ZR_STRING_ALGORITHM_PARAMS).
// A write is checked, then takes effect only once the camera has saved it
// (after saveDelayMs); until then reads return the previous text. What is read
// back is the camera's own formatting of what it stored. Not thread-safe: the
// owning camera serialises access.

#include <chrono>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "FaultSet.h"

namespace zrsim {

class AlgorithmParamStore {
public:
    using Clock = std::chrono::steady_clock;

    explicit AlgorithmParamStore(const nlohmann::json& initial);

    /// Takes a written text; returns a ZrStatus (refused texts change nothing).
    int32_t write(const std::string& text, Clock::time_point now, const FaultSet& faults, std::string& error);

    /// The document the camera currently runs (a pending save settles first).
    const nlohmann::json& current(Clock::time_point now);
    /// The camera's text of the current document.
    std::string text(Clock::time_point now);

    /// The newest accepted document (pending or stored), for persistence.
    const nlohmann::json& latest() const { return pending_ ? *pending_ : stored_; }

    /// Running template change by special control: immediate, also applied to a pending save.
    void setZoneIndex(int index);

    /// True once since the last call when a save has settled (for persistence).
    bool takeSettledChange();

private:
    void settle(Clock::time_point now);

    nlohmann::json stored_;
    std::optional<nlohmann::json> pending_;
    Clock::time_point settleAt_{};
    bool settledChange_ = false;
};

}  // namespace zrsim
