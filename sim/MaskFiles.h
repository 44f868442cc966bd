#pragma once
// V1 zone-mask files as the camera takes them: 16-bit binary PGM images named
// <kind><template>.pgm with the kinds danger_far, danger_near, warn_far,
// warn_near, notify_far, notify_near.

#include <cstdint>
#include <string>
#include <vector>

namespace zrsim {

struct MaskFileName {
    int level = 0;      ///< 0 danger, 1 warn, 2 notify
    bool far = true;    ///< far (leave) or near (enter) boundary
    int templateIndex = 0;
};

/// Reads the kind and template from a file's base name; false when it is not a mask name.
bool parseMaskFileName(const std::string& path, MaskFileName& name);

/// Name of a mask file ("warn_near7.pgm").
std::string maskFileName(int level, bool far, int templateIndex);

/// Reads a binary 16-bit PGM (P5, maxval 256..65535, big-endian samples).
bool readPgm16(const std::string& path, int& width, int& height, std::vector<uint16_t>& pixels, std::string& error);

/// Writes a binary 16-bit PGM (maxval 65535).
bool writePgm16(const std::string& path, int width, int height, const std::vector<uint16_t>& pixels,
                std::string& error);

}  // namespace zrsim
