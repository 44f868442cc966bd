#include "RecordingReader.h"

#include <cstring>

#include <google/protobuf/io/coded_stream.h>
#include <google/protobuf/wire_format_lite.h>

#include "RecordingChannels.h"
#include "foxglove/CameraCalibration.pb.h"
#include "foxglove/PointCloud.pb.h"
#include "foxglove/RawImage.pb.h"
#include "hazard_desk/RuntimeSample.pb.h"

namespace hazard_desk::recording {

namespace {

std::uint64_t nanosOf(const google::protobuf::Timestamp& stamp) {
    return static_cast<std::uint64_t>(stamp.seconds()) * 1000000000ULL + static_cast<std::uint64_t>(stamp.nanos());
}

bool parseImage(std::string_view bytes, RecordedImage& image) {
    foxglove::RawImage message;
    if (!message.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()))) {
        return false;
    }
    image.width = static_cast<int>(message.width());
    image.height = static_cast<int>(message.height());
    image.step = message.step();
    image.encoding = message.encoding();
    image.data = std::move(*message.mutable_data());
    return image.data.size() >= static_cast<std::size_t>(image.step) * static_cast<std::size_t>(image.height);
}

// Points: the large data field is read in place (no copy of megabytes into
// the message); the small fields are parsed by protobuf. Only float x, y, z
// are read back, each multiplied by scale (to millimetres); another layout
// is refused.
bool parsePoints(std::string_view bytes, float scale, std::vector<float>& xyz) {
    google::protobuf::io::CodedInputStream input(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                 static_cast<int>(bytes.size()));
    std::string small;
    std::string_view data;
    const std::size_t total = bytes.size();
    while (true) {
        const int start = input.CurrentPosition();
        const std::uint32_t tag = input.ReadTag();
        if (tag == 0) {
            break;
        }
        if (tag == ((6U << 3) | 2U)) {
            std::uint32_t length = 0;
            if (!input.ReadVarint32(&length) || input.CurrentPosition() + static_cast<std::size_t>(length) > total) {
                return false;
            }
            data = bytes.substr(static_cast<std::size_t>(input.CurrentPosition()), length);
            if (!input.Skip(static_cast<int>(length))) {
                return false;
            }
            continue;
        }
        if (!google::protobuf::internal::WireFormatLite::SkipField(&input, tag)) {
            return false;
        }
        small.append(bytes.data() + start, static_cast<std::size_t>(input.CurrentPosition() - start));
    }
    foxglove::PointCloud message;
    if (!message.ParseFromString(small) || message.point_stride() < 12) {
        return false;
    }
    std::uint32_t offsets[3] = {0, 0, 0};
    int found = 0;
    for (const auto& field : message.fields()) {
        const int axis = field.name() == "x" ? 0 : field.name() == "y" ? 1 : field.name() == "z" ? 2 : -1;
        if (axis >= 0 && field.type() == foxglove::PackedElementField::FLOAT32 &&
            field.offset() + 4 <= message.point_stride()) {
            offsets[axis] = field.offset();
            ++found;
        }
    }
    if (found != 3) {
        return false;
    }
    const std::size_t stride = message.point_stride();
    const std::size_t count = data.size() / stride;
    xyz.resize(count * 3);
    float* out = xyz.data();
    if (stride == 12 && offsets[0] == 0 && offsets[1] == 4 && offsets[2] == 8) {
        std::memcpy(out, data.data(), count * 12);  // our own packed layout
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            for (int a = 0; a < 3; ++a) {
                std::memcpy(&out[i * 3 + a], data.data() + i * stride + offsets[a], 4);
            }
        }
    }
    if (scale != 1.0F) {
        for (std::size_t i = 0; i < count * 3; ++i) {
            out[i] *= scale;
        }
    }
    return true;
}

bool parseRuntime(std::string_view bytes, RuntimeRecord& r) {
    hazard_desk::RuntimeSample m;
    if (!m.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()))) {
        return false;
    }
    r.timeNs = nanosOf(m.timestamp());
    r.ioStatus = m.io_status();
    r.inputStatus = m.input_status();
    r.outputStatus = m.output_status();
    r.inputChannelMask = m.input_channel_mask();
    r.outputChannelMask = m.output_channel_mask();
    r.algorithmState = m.algorithm_state();
    r.resultAvailable = m.result_available();
    r.resultError = m.result_error();
    r.cameraFps = m.camera_fps();
    r.measuredFps = m.measured_fps();
    r.latencyMs = m.latency_ms();
    r.algorithmMode = m.algorithm_mode();
    for (const auto& b : m.boxes()) {
        r.boxes.push_back(BoxRecord{b.x(), b.y(), b.z(), b.width(), b.height(), b.depth(), b.type_index(),
                                    b.type_name()});
    }
    return true;
}

bool parseCalibration(std::string_view bytes, CalibrationRecord& c) {
    foxglove::CameraCalibration m;
    if (!m.ParseFromArray(bytes.data(), static_cast<int>(bytes.size())) || m.k_size() != 9) {
        return false;
    }
    c.timeNs = nanosOf(m.timestamp());
    c.width = static_cast<int>(m.width());
    c.height = static_cast<int>(m.height());
    c.fx = m.k(0);
    c.cx = m.k(2);
    c.fy = m.k(4);
    c.cy = m.k(5);
    c.distortion.assign(m.d().begin(), m.d().end());
    return true;
}

}  // namespace

bool RecordingReader::open(const std::string& path) {
    if (!mcap_.open(path)) {
        return false;
    }
    std::vector<McapAttachment> attachments;
    if (!mcap_.readAttachments(attachments)) {
        return false;
    }
    std::vector<std::string> devices;
    for (McapAttachment& a : attachments) {
        if (a.name == channels::kCameraAttachment) {
            cameraJson_ = std::move(a.data);
        } else if (a.name == channels::kIntrinsicsAttachment) {
            intrinsicsJson_ = std::move(a.data);
        } else if (a.name == channels::kWorkstationConfigurationAttachment) {
            ConfigurationRecord c;
            c.timeNs = a.logTime;
            c.workstationJson = std::move(a.data);
            configurations_.push_back(std::move(c));
        } else if (a.name == channels::kDeviceConfigurationAttachment) {
            devices.push_back(std::move(a.data));
        }
    }
    std::vector<int> modes;
    for (const McapMetadata& m : mcap_.metadata()) {
        if (m.name == channels::kConfigurationMetadata) {
            const auto it = m.values.find("mode");
            modes.push_back(it == m.values.end() ? -1 : std::atoi(it->second.c_str()));
        }
    }
    for (std::size_t i = 0; i < configurations_.size(); ++i) {
        if (i < devices.size()) {
            configurations_[i].deviceJson = devices[i];
        }
        if (i < modes.size()) {
            configurations_[i].mode = modes[i];
        }
    }
    return true;
}

void FrameAssembler::setChannels(const std::map<std::uint16_t, McapChannel>& channels) {
    using namespace channels;
    topics_.clear();
    pointScales_.clear();
    for (const auto& [id, channel] : channels) {
        const std::string& t = channel.topic;
        names_[id] = t;
        // Point clouds are in metres; recordings made before the points were
        // written in metres say "unit": "mm" on the channel.
        const auto unit = channel.metadata.find("unit");
        pointScales_[id] = unit != channel.metadata.end() && unit->second == "mm" ? 1.0F : 1000.0F;
        topics_[id] = t == kDepthTopic         ? Topic::Depth
                      : t == kAmplitudeTopic   ? Topic::Amplitude
                      : t == kColorTopic       ? Topic::Color
                      : t == kPointsTopic      ? Topic::Points
                      : t == kCalibrationTopic ? Topic::Calibration
                      : t == kRuntimeTopic     ? Topic::Runtime
                                               : Topic::Other;
    }
}

void FrameAssembler::finish(const RecordingVisitor& visitor) {
    if (havePending_ && (hasDepth_ || visitor.pointsOnly) && hasPoints_ && visitor.frame && more_) {
        more_ = visitor.frame(pending_);
    }
    // The buffers stay for the next frame: no megabytes allocated (and faulted in) per frame.
    pending_.xyz.clear();
    pending_.depth = RecordedImage{};
    pending_.amplitude = RecordedImage{};
    pending_.color = RecordedImage{};
    havePending_ = hasDepth_ = hasPoints_ = false;
}

bool FrameAssembler::add(const McapMessageView& m, const RecordingVisitor& visitor) {
    const auto it = topics_.find(m.channelId);
    const Topic topic = it == topics_.end() ? Topic::Other : it->second;
    bool parsed = true;
    if (topic == Topic::Depth || topic == Topic::Amplitude || topic == Topic::Color || topic == Topic::Points) {
        if (havePending_ && m.sequence != pending_.sequence) {
            finish(visitor);
        }
        havePending_ = true;
        pending_.sequence = m.sequence;
        pending_.timeNs = m.logTime;
        if (visitor.pointsOnly && topic != Topic::Points) {
            // images are not needed
        } else if (topic == Topic::Depth) {
            parsed = hasDepth_ = parseImage(m.data, pending_.depth);
        } else if (topic == Topic::Amplitude) {
            parsed = parseImage(m.data, pending_.amplitude);
        } else if (topic == Topic::Color) {
            parsed = parseImage(m.data, pending_.color);
        } else {
            parsed = hasPoints_ = parsePoints(m.data, pointScales_[m.channelId], pending_.xyz);
        }
    } else if (topic == Topic::Runtime && visitor.runtime) {
        RuntimeRecord r;
        parsed = parseRuntime(m.data, r);
        more_ = more_ && (!parsed || visitor.runtime(r));
    } else if (topic == Topic::Calibration && visitor.calibration) {
        CalibrationRecord c;
        parsed = parseCalibration(m.data, c);
        more_ = more_ && (!parsed || visitor.calibration(c));
    }
    if (!parsed) {
        error_ = "message on " + names_[m.channelId] + " at " + std::to_string(m.logTime) + " ns does not decode";
    }
    return parsed;
}

bool RecordingReader::read(const Visitor& visitor) {
    FrameAssembler assembler;
    assembler.setChannels(mcap_.channels());
    // Frames of points only need the chunks that hold points (and runtime
    // samples or calibration when those are visited too): the images' chunks are skipped.
    std::vector<std::uint16_t> wanted;
    if (visitor.pointsOnly) {
        for (const auto& [id, channel] : mcap_.channels()) {
            const std::string& t = channel.topic;
            if (t == channels::kPointsTopic || (visitor.runtime && t == channels::kRuntimeTopic) ||
                (visitor.calibration && t == channels::kCalibrationTopic)) {
                wanted.push_back(id);
            }
        }
    }
    bool parsed = true;
    const bool ok = mcap_.readMessages(
        [&](const McapMessageView& m) {
            parsed = assembler.add(m, visitor);
            return parsed && assembler.more();
        },
        wanted);
    // A damaged chunk ends the read; the frame completed before it still counts.
    if (parsed) {
        assembler.finish(visitor);
    }
    if (!parsed) {
        error_ = assembler.error();
    }
    return ok && parsed;
}

bool RecordingReader::countMessages(std::map<std::string, std::uint64_t>& counts) {
    counts.clear();
    for (const auto& [id, channel] : mcap_.channels()) {
        counts[channel.topic] = 0;
    }
    return mcap_.readMessages([&](const McapMessageView& m) {
        const auto it = mcap_.channels().find(m.channelId);
        if (it != mcap_.channels().end()) {
            ++counts[it->second.topic];
        }
        return true;
    });
}

}  // namespace hazard_desk::recording
