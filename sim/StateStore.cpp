#include "StateStore.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "MaskFiles.h"

namespace zrsim {

namespace fs = std::filesystem;

namespace {

// Moves a fully written temporary file over the target, so a reader never
// sees half a file; the temporary is removed when the move fails.
bool replaceWithTemporary(const std::string& temporary, const std::string& path, std::string& error) {
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        error = "cannot replace '" + path + "': " + ec.message();
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::string& data, std::string& error) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            error = "cannot write '" + temporary + "'";
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    return replaceWithTemporary(temporary, path, error);
}

StateStore::StateStore(std::string directory) : directory_(std::move(directory)) {
    std::error_code ec;
    fs::create_directories(directory_, ec);
}

std::string StateStore::basePath(const std::string& ip) const { return (fs::path(directory_) / ip).string(); }

std::string StateStore::maskPath(const std::string& ip, const std::string& fileName) const {
    return basePath(ip) + "_" + fileName;
}

std::optional<nlohmann::json> StateStore::loadState(const std::string& ip, std::string& error) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string path = basePath(ip) + ".json";
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    nlohmann::json state = nlohmann::json::parse(text, nullptr, false);
    if (state.is_discarded() || !state.is_object()) {
        error = "stored camera state '" + path + "' is not a JSON object; factory state used";
        return std::nullopt;
    }
    return state;
}

bool StateStore::saveState(const std::string& ip, const nlohmann::json& state, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    return writeFileAtomically(basePath(ip) + ".json", state.dump(2), error);
}

bool StateStore::saveMask(const std::string& ip, const std::string& fileName, int width, int height,
                          const std::vector<uint16_t>& pixels, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string path = maskPath(ip, fileName);
    const std::string temporary = path + ".tmp";
    if (!writePgm16(temporary, width, height, pixels, error)) {
        std::remove(temporary.c_str());
        return false;
    }
    return replaceWithTemporary(temporary, path, error);
}

}  // namespace zrsim
