#pragma once
// Pulls the frames of a recording one at a time, decompressing a chunk only
// when the frames already read run out, so a long recording is played
// without holding it in memory. rewind() starts again at the first frame.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "RecordingReader.h"

namespace hazard_desk::recording {

class RecordingFrameCursor {
public:
    bool open(const std::string& path);
    // The next frame; false at the end of the recording or on a damaged chunk (see error()).
    bool next(RecordedFrame& frame);
    void rewind();

    // Frame times from the indexes (no decompression), for the frame rate.
    const std::vector<std::uint64_t>& frameTimes() const { return frameTimes_; }
    // Frames per second over the recording, 0 with fewer than two frames.
    double recordedFps() const;
    RecordingReader& reader() { return reader_; }
    const std::string& error() const { return error_; }

private:
    bool readNextChunk();

    RecordingReader reader_;
    FrameAssembler assembler_;
    std::size_t nextChunk_ = 0;
    std::deque<RecordedFrame> ready_;
    std::vector<std::uint64_t> frameTimes_;
    std::string error_;
};

}  // namespace hazard_desk::recording
