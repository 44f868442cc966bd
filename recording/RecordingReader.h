#pragma once
// Reads a Hazard Desk recording back: the camera's descriptor, intrinsics and
// configurations from the attachments, then frames (the messages of one
// frame sequence joined again), runtime samples and calibration in time
// order. Points come back in millimetres, the camera's unit, though the file
// holds them in metres. A recording cut short (crash, full disk, partial
// copy) reads up to its last complete chunk; a frame that lost its depth
// image or its points there is left out.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "McapReader.h"
#include "RecordingTypes.h"

namespace hazard_desk::recording {

struct RecordingVisitor {
    // Frames carry their points only (images are not decoded): for scoring.
    bool pointsOnly = false;
    std::function<bool(const RecordedFrame&)> frame;
    std::function<bool(const RuntimeRecord&)> runtime;
    std::function<bool(const CalibrationRecord&)> calibration;
};

// Joins the messages of one frame (same sequence on the image and point
// topics) and decodes runtime samples and calibration, handing each to the
// visitor; a visitor returning false sets more() false.
class FrameAssembler {
public:
    void setChannels(const std::map<std::uint16_t, McapChannel>& channels);
    // False when the message does not decode (error() says which).
    bool add(const McapMessageView& message, const RecordingVisitor& visitor);
    // Hands over the frame still being joined, when it has depth and points.
    void finish(const RecordingVisitor& visitor);
    bool more() const { return more_; }
    const std::string& error() const { return error_; }

private:
    enum class Topic { Other, Depth, Amplitude, Color, Points, Calibration, Runtime };
    std::map<std::uint16_t, Topic> topics_;
    std::map<std::uint16_t, std::string> names_;
    std::map<std::uint16_t, float> pointScales_;      // recorded unit to millimetres
    RecordedFrame pending_;
    bool havePending_ = false;
    bool hasDepth_ = false;
    bool hasPoints_ = false;
    bool more_ = true;
    std::string error_;
};

class RecordingReader {
public:
    using Visitor = RecordingVisitor;

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
