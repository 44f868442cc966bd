#pragma once
// Puts the messages of chunks read in file order into log-time order, as a
// reader must where chunks overlap in time (a writer that keeps some
// channels in chunks of their own): a message is due once no chunk still to
// come starts before it; equal times keep the file order. Holds the
// decompressed chunks whose messages are not all handed on yet, and reuses
// their buffers for the next chunks. Not thread-safe.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace hazard_desk::recording {

// One message while it is being visited; data points into a chunk buffer
// and is valid only during the visit.
struct McapMessageView {
    std::uint16_t channelId = 0;
    std::uint32_t sequence = 0;
    std::uint64_t logTime = 0;
    std::uint64_t publishTime = 0;
    std::string_view data;
};

class McapMessageOrder {
public:
    // A buffer for the next chunk's records; the messages added after it may point into it.
    std::string& nextBuffer();
    void add(const McapMessageView& message);
    // Visits, in order, the messages logged up to until (all of them with the
    // largest time); false when the visitor asked to stop.
    bool visitDue(std::uint64_t until, const std::function<bool(const McapMessageView&)>& visitor);
    void clear();

private:
    struct Buffer {
        std::string bytes;
        std::size_t pending = 0;    // its messages not handed on yet
    };
    struct Pending {
        McapMessageView view;
        std::uint64_t order = 0;    // file order
        std::size_t buffer = 0;     // serial number of its Buffer
    };

    std::deque<Buffer> buffers_;
    std::size_t firstBuffer_ = 0;   // serial number of buffers_.front()
    std::vector<Pending> pending_;
    std::vector<std::string> spare_;
    std::uint64_t order_ = 0;
};

}  // namespace hazard_desk::recording
