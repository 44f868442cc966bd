#include "McapMessageOrder.h"

#include <algorithm>

namespace hazard_desk::recording {

namespace {

// Buffers kept for reuse: a chunk's worth of megabytes is not allocated (and faulted in) per chunk.
constexpr std::size_t kSpareBuffers = 4;

}  // namespace

std::string& McapMessageOrder::nextBuffer() {
    buffers_.emplace_back();
    if (!spare_.empty()) {
        buffers_.back().bytes = std::move(spare_.back());
        spare_.pop_back();
    }
    return buffers_.back().bytes;
}

void McapMessageOrder::add(const McapMessageView& message) {
    const std::size_t buffer = firstBuffer_ + buffers_.size() - 1;
    pending_.push_back(Pending{message, order_++, buffer});
    ++buffers_.back().pending;
}

bool McapMessageOrder::visitDue(std::uint64_t until, const std::function<bool(const McapMessageView&)>& visitor) {
    std::sort(pending_.begin(), pending_.end(), [](const Pending& a, const Pending& b) {
        return a.view.logTime != b.view.logTime ? a.view.logTime < b.view.logTime : a.order < b.order;
    });
    bool more = true;
    std::size_t visited = 0;
    while (more && visited < pending_.size() && pending_[visited].view.logTime <= until) {
        const Pending& p = pending_[visited++];
        --buffers_[p.buffer - firstBuffer_].pending;
        more = visitor(p.view);
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(visited));
    while (!buffers_.empty() && buffers_.front().pending == 0) {
        if (spare_.size() < kSpareBuffers) {
            spare_.push_back(std::move(buffers_.front().bytes));
        }
        buffers_.pop_front();
        ++firstBuffer_;
    }
    return more;
}

void McapMessageOrder::clear() {
    pending_.clear();
    while (!buffers_.empty()) {
        if (spare_.size() < kSpareBuffers) {
            spare_.push_back(std::move(buffers_.front().bytes));
        }
        buffers_.pop_front();
    }
    firstBuffer_ = 0;
    order_ = 0;
}

}  // namespace hazard_desk::recording
