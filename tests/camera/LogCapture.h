#pragma once

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

#include <spdlog/logger.h>
#include <spdlog/sinks/ostream_sink.h>

// Copies everything a logger writes into a string while the object lives.
// Attach before any other thread logs through the logger.
class LogCapture {
public:
    explicit LogCapture(spdlog::logger& logger) : logger_(logger)
    {
        sink_ = std::make_shared<spdlog::sinks::ostream_sink_mt>(stream_);
        sink_->set_pattern("[%l] %v");
        logger_.sinks().push_back(sink_);
    }
    ~LogCapture()
    {
        auto& sinks = logger_.sinks();
        sinks.erase(std::remove(sinks.begin(), sinks.end(), sink_), sinks.end());
    }
    std::string text()
    {
        logger_.flush();
        return stream_.str();
    }
    bool contains(const std::string& piece) { return text().find(piece) != std::string::npos; }
    std::size_t count(const std::string& piece)
    {
        const std::string all = text();
        std::size_t n = 0;
        for (std::size_t at = all.find(piece); at != std::string::npos; at = all.find(piece, at + 1)) {
            ++n;
        }
        return n;
    }
    void clear() { stream_.str(std::string()); }

private:
    spdlog::logger& logger_;
    std::ostringstream stream_;
    std::shared_ptr<spdlog::sinks::ostream_sink_mt> sink_;
};
