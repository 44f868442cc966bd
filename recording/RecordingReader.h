#pragma once
// Reads a Hazard Desk recording back: the camera's descriptor, intrinsics and
// configurations from the attachments, then frames (the messages of one
// frame sequence joined again), runtime samples and calibration in file
// order. A recording cut short (crash, full disk, partial copy) reads up to
// its last complete chunk; a frame that lost its depth image or its points
// there is left out.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "McapReader.h"
#include "RecordingTypes.h"

namespace hazard_desk::recording {

class RecordingReader {
public:
    struct Visitor {
        std::function<bool(const RecordedFrame&)> frame;
        std::function<bool(const RuntimeRecord&)> runtime;
        std::function<bool(const CalibrationRecord&)> calibration;
    };

    bool open(const std::string& path);
    bool complete() const { return mcap_.complete(); }
    const std::string& recoveryNote() const { return mcap_.recoveryNote(); }
    const std::string& error() const { return error_.empty() ? mcap_.error() : error_; }

    const std::string& cameraJson() const { return cameraJson_; }
    const std::string& intrinsicsJson() const { return intrinsicsJson_; }
    // In recording order; the last one is the configuration in force at the end.
    const std::vector<ConfigurationRecord>& configurations() const { return configurations_; }

    // Visits everything once in file order; a visitor returning false stops.
    bool read(const Visitor& visitor);
    // Messages per topic, counted by reading every message.
    bool countMessages(std::map<std::string, std::uint64_t>& counts);

    McapReader& mcap() { return mcap_; }

private:
    McapReader mcap_;
    std::string error_;
    std::string cameraJson_;
    std::string intrinsicsJson_;
    std::vector<ConfigurationRecord> configurations_;
};

}  // namespace hazard_desk::recording
