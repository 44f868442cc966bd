#include "RecordingWriter.h"

#include <cstring>

#include <nlohmann/json.hpp>

#include "McapFormat.h"
#include "ProtobufDescriptorSet.h"
#include "RecordingChannels.h"
#include "foxglove/CameraCalibration.pb.h"
#include "foxglove/PointCloud.pb.h"
#include "foxglove/RawImage.pb.h"
#include "hazard_desk/RuntimeSample.pb.h"

namespace hazard_desk::recording {

namespace {

// Field 6 (the data bytes of RawImage and PointCloud), length-delimited.
constexpr std::uint8_t kDataFieldKey = (6 << 3) | 2;

void setTimestamp(google::protobuf::Timestamp* stamp, std::uint64_t timeNs) {
    stamp->set_seconds(static_cast<std::int64_t>(timeNs / 1000000000ULL));
    stamp->set_nanos(static_cast<std::int32_t>(timeNs % 1000000000ULL));
}

// Protobuf fields may come in any order: the message's small fields are
// serialized by the library and the large data field is appended by hand,
// so the payload is copied once, into the chunk, instead of three times.
void appendDataFieldKey(std::string& out, std::size_t size) {
    out.push_back(static_cast<char>(kDataFieldKey));
    std::uint64_t v = size;
    while (v >= 0x80) {
        out.push_back(static_cast<char>((v & 0x7F) | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<char>(v));
}

std::string textOf(const nlohmann::json& value) {
    return value.is_string() ? value.get<std::string>() : value.dump();
}

}  // namespace

RecordingWriter::RecordingWriter() = default;
RecordingWriter::~RecordingWriter() = default;

const std::string& RecordingWriter::error() const { return mcap_.error(); }

bool RecordingWriter::open(const std::string& path, const McapWriterOptions& options) {
    McapWriterOptions o = options;
    o.profile = channels::kProfile;
    if (!mcap_.open(path, o)) {
        return false;
    }
    using namespace channels;
    const std::uint16_t image =
        mcap_.addSchema(kImageSchema, mcap::kEncodingProtobuf, descriptorSetOf(foxglove::RawImage::descriptor()));
    const std::uint16_t cloud = mcap_.addSchema(kPointCloudSchema, mcap::kEncodingProtobuf,
                                                descriptorSetOf(foxglove::PointCloud::descriptor()));
    const std::uint16_t calibration = mcap_.addSchema(kCalibrationSchema, mcap::kEncodingProtobuf,
                                                      descriptorSetOf(foxglove::CameraCalibration::descriptor()));
    const std::uint16_t runtime = mcap_.addSchema(kRuntimeSchema, mcap::kEncodingProtobuf,
                                                  descriptorSetOf(hazard_desk::RuntimeSample::descriptor()));
    depthChannel_ = mcap_.addChannel(kDepthTopic, image, mcap::kEncodingProtobuf, {{"unit", "mm"}});
    amplitudeChannel_ = mcap_.addChannel(kAmplitudeTopic, image, mcap::kEncodingProtobuf);
    colorChannel_ = mcap_.addChannel(kColorTopic, image, mcap::kEncodingProtobuf);
    // Points in chunks of their own, stored uncompressed: float XYZ barely
    // shrinks under zstd (about 1.1 times) but costs more to decompress than
    // to score, and a reader that wants points alone skips the images' chunks.
    const std::size_t pointGroup = mcap_.addChunkGroup(false);
    pointsChannel_ =
        mcap_.addChannel(kPointsTopic, cloud, mcap::kEncodingProtobuf, {{"unit", "m"}}, pointGroup);
    calibrationChannel_ = mcap_.addChannel(kCalibrationTopic, calibration, mcap::kEncodingProtobuf);
    runtimeChannel_ = mcap_.addChannel(kRuntimeTopic, runtime, mcap::kEncodingProtobuf);
    return mcap_.flush();
}

bool RecordingWriter::writeCameraInfo(const std::string& descriptorJson, const std::string& intrinsicsJson,
                                      std::uint64_t timeNs) {
    std::map<std::string, std::string> values;
    const nlohmann::json descriptor = nlohmann::json::parse(descriptorJson, nullptr, false);
    if (descriptor.is_object()) {
        for (auto it = descriptor.begin(); it != descriptor.end(); ++it) {
            values[it.key()] = textOf(it.value());
        }
    }
    return mcap_.writeAttachment(channels::kCameraAttachment, channels::kJsonMediaType, descriptorJson, timeNs,
                                 timeNs) &&
           mcap_.writeAttachment(channels::kIntrinsicsAttachment, channels::kJsonMediaType, intrinsicsJson, timeNs,
                                 timeNs) &&
           mcap_.writeMetadata(channels::kCameraMetadata, values);
}

bool RecordingWriter::writeConfiguration(const ConfigurationRecord& configuration) {
    return mcap_.writeAttachment(channels::kWorkstationConfigurationAttachment, channels::kJsonMediaType,
                                 configuration.workstationJson, configuration.timeNs, configuration.timeNs) &&
           mcap_.writeAttachment(channels::kDeviceConfigurationAttachment, channels::kJsonMediaType,
                                 configuration.deviceJson, configuration.timeNs, configuration.timeNs) &&
           mcap_.writeMetadata(channels::kConfigurationMetadata,
                               {{"mode", std::to_string(configuration.mode)},
                                {"timeNs", std::to_string(configuration.timeNs)}});
}

bool RecordingWriter::writeCalibration(const CalibrationRecord& c) {
    foxglove::CameraCalibration message;
    setTimestamp(message.mutable_timestamp(), c.timeNs);
    message.set_frame_id(channels::kCameraFrameId);
    message.set_width(static_cast<std::uint32_t>(c.width));
    message.set_height(static_cast<std::uint32_t>(c.height));
    message.set_distortion_model("plumb_bob");
    for (double d : c.distortion) {
        message.add_d(d);
    }
    for (double k : {c.fx, 0.0, c.cx, 0.0, c.fy, c.cy, 0.0, 0.0, 1.0}) {
        message.add_k(k);
    }
    for (double r : {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0}) {
        message.add_r(r);
    }
    for (double p : {c.fx, 0.0, c.cx, 0.0, 0.0, c.fy, c.cy, 0.0, 0.0, 0.0, 1.0, 0.0}) {
        message.add_p(p);
    }
    const std::string bytes = message.SerializeAsString();
    return mcap_.writeMessage(calibrationChannel_, ++calibrationSequence_, c.timeNs, c.timeNs, {bytes});
}

bool RecordingWriter::writeImage(std::uint16_t channel, const FrameRecord& frame, const ImagePlane& image) {
    if (image.empty()) {
        return true;
    }
    foxglove::RawImage message;
    setTimestamp(message.mutable_timestamp(), frame.timeNs);
    message.set_frame_id(channels::kCameraFrameId);
    message.set_width(static_cast<std::uint32_t>(image.width));
    message.set_height(static_cast<std::uint32_t>(image.height));
    message.set_encoding(image.encoding);
    message.set_step(image.step);
    header_.clear();
    message.AppendToString(&header_);
    appendDataFieldKey(header_, image.byteSize());
    return mcap_.writeMessage(channel, frame.sequence, frame.timeNs, frame.timeNs,
                              {header_, std::string_view(reinterpret_cast<const char*>(image.data), image.byteSize())});
}

bool RecordingWriter::writeFrame(const FrameRecord& frame) {
    if (!writeImage(depthChannel_, frame, frame.depth) || !writeImage(amplitudeChannel_, frame, frame.amplitude) ||
        !writeImage(colorChannel_, frame, frame.color)) {
        return false;
    }
    if (frame.points.data == nullptr || frame.points.count == 0) {
        return true;
    }
    // Only x, y and z are kept, packed (the camera's colour slots are empty),
    // in metres as point cloud viewers expect; the camera gives millimetres.
    points_.resize(frame.points.count * 12);
    char* out = points_.data();
    const std::uint8_t* in = frame.points.data;
    for (std::size_t i = 0; i < frame.points.count; ++i, out += 12, in += frame.points.stride) {
        float xyz[3];
        std::memcpy(xyz, in, 12);
        for (float& v : xyz) {
            v /= 1000.0F;
        }
        std::memcpy(out, xyz, 12);
    }
    foxglove::PointCloud message;
    setTimestamp(message.mutable_timestamp(), frame.timeNs);
    message.set_frame_id(channels::kCameraFrameId);
    auto* pose = message.mutable_pose();
    pose->mutable_position();
    pose->mutable_orientation()->set_w(1.0);
    message.set_point_stride(12);
    const char* names[3] = {"x", "y", "z"};
    for (int a = 0; a < 3; ++a) {
        auto* field = message.add_fields();
        field->set_name(names[a]);
        field->set_offset(static_cast<std::uint32_t>(4 * a));
        field->set_type(foxglove::PackedElementField::FLOAT32);
    }
    header_.clear();
    message.AppendToString(&header_);
    appendDataFieldKey(header_, points_.size());
    return mcap_.writeMessage(pointsChannel_, frame.sequence, frame.timeNs, frame.timeNs, {header_, points_});
}

bool RecordingWriter::writeRuntime(const RuntimeRecord& r) {
    hazard_desk::RuntimeSample message;
    setTimestamp(message.mutable_timestamp(), r.timeNs);
    message.set_io_status(r.ioStatus);
    message.set_input_status(r.inputStatus);
    message.set_output_status(r.outputStatus);
    message.set_input_channel_mask(r.inputChannelMask);
    message.set_output_channel_mask(r.outputChannelMask);
    message.set_algorithm_state(r.algorithmState);
    message.set_result_available(r.resultAvailable);
    message.set_result_error(r.resultError);
    message.set_camera_fps(r.cameraFps);
    message.set_measured_fps(r.measuredFps);
    message.set_latency_ms(r.latencyMs);
    message.set_algorithm_mode(r.algorithmMode);
    for (const BoxRecord& b : r.boxes) {
        auto* box = message.add_boxes();
        box->set_x(b.x);
        box->set_y(b.y);
        box->set_z(b.z);
        box->set_width(b.width);
        box->set_height(b.height);
        box->set_depth(b.depth);
        box->set_type_index(b.typeIndex);
        box->set_type_name(b.typeName);
    }
    const std::string bytes = message.SerializeAsString();
    return mcap_.writeMessage(runtimeChannel_, ++runtimeSequence_, r.timeNs, r.timeNs, {bytes});
}

bool RecordingWriter::close() { return mcap_.close(); }

}  // namespace hazard_desk::recording
