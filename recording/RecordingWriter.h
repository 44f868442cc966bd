#pragma once
// Writes a Hazard Desk recording: the channels of RecordingChannels.h over
// McapWriter, each message protobuf-encoded with the schemas common viewers
// know for images, point clouds and calibration, and our own for runtime
// samples. Synchronous; StreamRecorder runs it on a thread of its own.
#include <memory>
#include <string>

#include "McapWriter.h"
#include "RecordingTypes.h"

namespace hazard_desk::recording {

class RecordingWriter {
public:
    RecordingWriter();
    ~RecordingWriter();

    bool open(const std::string& path, const McapWriterOptions& options = {});
    // The camera descriptor and intrinsics (JSON objects) as attachments, the
    // descriptor's fields also as the "camera" metadata record.
    bool writeCameraInfo(const std::string& descriptorJson, const std::string& intrinsicsJson, std::uint64_t timeNs);
    // The configuration the camera runs (again whenever it changes).
    bool writeConfiguration(const ConfigurationRecord& configuration);
    bool writeCalibration(const CalibrationRecord& calibration);
    bool writeFrame(const FrameRecord& frame);
    bool writeRuntime(const RuntimeRecord& runtime);
    bool close();

    const std::string& error() const;
    std::uint64_t bytesWritten() const { return mcap_.bytesWritten(); }
    std::uint64_t messageCount() const { return mcap_.messageCount(); }

private:
    bool writeImage(std::uint16_t channel, const FrameRecord& frame, const ImagePlane& image);

    McapWriter mcap_;
    std::uint16_t depthChannel_ = 0;
    std::uint16_t amplitudeChannel_ = 0;
    std::uint16_t colorChannel_ = 0;
    std::uint16_t pointsChannel_ = 0;
    std::uint16_t calibrationChannel_ = 0;
    std::uint16_t runtimeChannel_ = 0;
    std::uint32_t runtimeSequence_ = 0;
    std::uint32_t calibrationSequence_ = 0;
    std::string header_;       // reused serialization buffers
    std::string points_;
};

}  // namespace hazard_desk::recording
