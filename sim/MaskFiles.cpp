#include "MaskFiles.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace zrsim {

namespace {

const char* const kKinds[6] = {"danger_far", "danger_near", "warn_far", "warn_near", "notify_far", "notify_near"};

// Next header token of a PGM, skipping white space and '#' comments.
bool nextToken(const std::string& data, size_t& pos, std::string& token) {
    token.clear();
    while (pos < data.size()) {
        const unsigned char c = static_cast<unsigned char>(data[pos]);
        if (c == '#') {
            while (pos < data.size() && data[pos] != '\n') ++pos;
        } else if (std::isspace(c)) {
            ++pos;
        } else {
            break;
        }
    }
    while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) token += data[pos++];
    return !token.empty();
}

bool parsePositive(const std::string& token, long limit, long& value) {
    if (token.empty() || token.size() > 9) return false;
    for (char c : token) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    value = std::stol(token);
    return value >= 1 && value <= limit;
}

}  // namespace

bool parseMaskFileName(const std::string& path, MaskFileName& name) {
    const size_t slash = path.find_last_of("/\\");
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int kind = 0; kind < 6; ++kind) {
        const std::string prefix = kKinds[kind];
        if (base.size() <= prefix.size() + 4 || base.compare(0, prefix.size(), prefix) != 0 ||
            base.compare(base.size() - 4, 4, ".pgm") != 0) {
            continue;
        }
        const std::string digits = base.substr(prefix.size(), base.size() - prefix.size() - 4);
        if (digits.empty() || digits.size() > 2) continue;
        bool numeric = true;
        for (char c : digits) numeric = numeric && std::isdigit(static_cast<unsigned char>(c));
        if (!numeric || (digits.size() == 2 && digits[0] == '0')) continue;
        const int index = std::stoi(digits);
        if (index > 19) continue;
        name.level = kind / 2;
        name.far = kind % 2 == 0;
        name.templateIndex = index;
        return true;
    }
    return false;
}

std::string maskFileName(int level, bool far, int templateIndex) {
    return std::string(kKinds[level * 2 + (far ? 0 : 1)]) + std::to_string(templateIndex) + ".pgm";
}

bool readPgm16(const std::string& path, int& width, int& height, std::vector<uint16_t>& pixels, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open mask file '" + path + "'";
        return false;
    }
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t pos = 0;
    std::string magic, w, h, maxval;
    if (!nextToken(data, pos, magic) || magic != "P5") {
        error = "mask file '" + path + "' is not a binary PGM (P5)";
        return false;
    }
    long wv = 0, hv = 0, mv = 0;
    if (!nextToken(data, pos, w) || !nextToken(data, pos, h) || !nextToken(data, pos, maxval) ||
        !parsePositive(w, 16384, wv) || !parsePositive(h, 16384, hv) || !parsePositive(maxval, 65535, mv)) {
        error = "mask file '" + path + "' has a malformed PGM header";
        return false;
    }
    if (mv < 256) {
        error = "mask file '" + path + "' is 8-bit (maxval " + maxval + "), the camera needs 16-bit masks";
        return false;
    }
    ++pos;  // the single white-space byte after maxval
    const size_t count = static_cast<size_t>(wv) * static_cast<size_t>(hv);
    if (pos > data.size() || data.size() - pos != count * 2) {
        error = "mask file '" + path + "' holds " + std::to_string(pos > data.size() ? 0 : data.size() - pos) +
                " data bytes, expected " + std::to_string(count * 2);
        return false;
    }
    pixels.resize(count);
    for (size_t i = 0; i < count; ++i) {
        pixels[i] = static_cast<uint16_t>((static_cast<uint8_t>(data[pos + 2 * i]) << 8) |
                                          static_cast<uint8_t>(data[pos + 2 * i + 1]));
    }
    width = static_cast<int>(wv);
    height = static_cast<int>(hv);
    return true;
}

bool writePgm16(const std::string& path, int width, int height, const std::vector<uint16_t>& pixels,
                std::string& error) {
    if (width < 1 || height < 1 || pixels.size() != static_cast<size_t>(width) * height) {
        error = "mask of " + std::to_string(width) + "x" + std::to_string(height) + " does not match " +
                std::to_string(pixels.size()) + " pixels";
        return false;
    }
    std::string data = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n65535\n";
    const size_t header = data.size();
    data.resize(header + pixels.size() * 2);
    for (size_t i = 0; i < pixels.size(); ++i) {
        data[header + 2 * i] = static_cast<char>(pixels[i] >> 8);
        data[header + 2 * i + 1] = static_cast<char>(pixels[i] & 0xFF);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
        error = "cannot write mask file '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace zrsim
