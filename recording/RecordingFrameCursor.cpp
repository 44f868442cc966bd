#include "RecordingFrameCursor.h"

#include "RecordingChannels.h"

namespace hazard_desk::recording {

bool RecordingFrameCursor::open(const std::string& path) {
    if (!reader_.open(path)) {
        error_ = reader_.error();
        return false;
    }
    assembler_.setChannels(reader_.mcap().channels());
    for (const auto& [id, channel] : reader_.mcap().channels()) {
        if (channel.topic == channels::kPointsTopic) {
            reader_.mcap().indexedLogTimes(id, frameTimes_);
        }
    }
    return true;
}

double RecordingFrameCursor::recordedFps() const {
    if (frameTimes_.size() < 2 || frameTimes_.back() <= frameTimes_.front()) {
        return 0.0;
    }
    return static_cast<double>(frameTimes_.size() - 1) * 1.0e9 /
           static_cast<double>(frameTimes_.back() - frameTimes_.front());
}

bool RecordingFrameCursor::readNextChunk() {
    RecordingVisitor visitor;
    visitor.frame = [this](const RecordedFrame& frame) {
        ready_.push_back(frame);
        return true;
    };
    const std::size_t index = nextChunk_++;
    bool parsed = true;
    const bool ok = reader_.mcap().readChunk(index, [&](const McapMessageView& m) {
        parsed = assembler_.add(m, visitor);
        return parsed;
    });
    if (nextChunk_ >= reader_.mcap().chunkCount()) {
        assembler_.finish(visitor);
    }
    if (!ok || !parsed) {
        error_ = !parsed ? assembler_.error() : reader_.mcap().error();
        nextChunk_ = reader_.mcap().chunkCount();
        return false;
    }
    return true;
}

bool RecordingFrameCursor::next(RecordedFrame& frame) {
    while (ready_.empty() && nextChunk_ < reader_.mcap().chunkCount()) {
        if (!readNextChunk()) {
            break;
        }
    }
    if (ready_.empty()) {
        return false;
    }
    frame = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

void RecordingFrameCursor::rewind() {
    ready_.clear();
    nextChunk_ = 0;
    assembler_ = FrameAssembler();
    assembler_.setChannels(reader_.mcap().channels());
}

}  // namespace hazard_desk::recording
