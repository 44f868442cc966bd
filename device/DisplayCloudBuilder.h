#pragma once
// The cloud the 3D view draws from one frame: only real points (finite, not at
// the origin, and not under a black depth pixel when the depth image matches
// the cloud pixel for pixel), unlit points tinted grey-blue, and for each kept
// point the pixel it came from so the view can pick colours from the images.
// Pure function of its inputs; safe on any thread.
#include <QImage>
#include <QVector>

#include "camera/ColorCloud.h"

namespace hazard_desk {

class DisplayCloudBuilder {
public:
    static constexpr std::uint8_t kUnlitRed = 160;
    static constexpr std::uint8_t kUnlitGreen = 170;
    static constexpr std::uint8_t kUnlitBlue = 180;

    struct Result {
        corVane::ColorCloudPtr cloud;   // one row, not dense
        QVector<int> depthPixels;       // source index per kept point; empty without a matching depth image
    };

    // depthDisplay: the depth image as shown (black = no depth); may be null.
    static Result build(const corVane::ColorCloud* source, const QImage& depthDisplay);
};

}  // namespace hazard_desk
