#pragma once
// Optional "flash" of the virtual cameras (ZR_SIM_STATE_DIR): each camera's
// parameter JSON, modes and masks, written atomically on every change and
// read back when the library starts. Thread-safe.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zrsim {

class StateStore {
public:
    explicit StateStore(std::string directory);

    const std::string& directory() const { return directory_; }

    std::optional<nlohmann::json> loadState(const std::string& ip, std::string& error) const;
    bool saveState(const std::string& ip, const nlohmann::json& state, std::string& error);

    /// Mask files live beside the state, one per mask file name.
    bool saveMask(const std::string& ip, const std::string& fileName, int width, int height,
                  const std::vector<uint16_t>& pixels, std::string& error);
    std::string maskPath(const std::string& ip, const std::string& fileName) const;

private:
    std::string basePath(const std::string& ip) const;

    std::string directory_;
    mutable std::mutex mutex_;
};

/// Writes text to path through a temporary file and a rename.
bool writeFileAtomically(const std::string& path, const std::string& data, std::string& error);

}  // namespace zrsim
