#pragma once
// Projection of a volume's triangles onto the pixel rays: far = the largest
// and near = the smallest hit value of each pixel over all triangles.
//
// Two loops give the same bits. The reference evaluates every (triangle,
// pixel) pair. The fast one evaluates, per triangle, a superset of the pixels
// the triangle can hit (see MaskProjection.cpp), with the same per-pair
// evaluation; as far is a maximum and near a minimum, neither the order of the
// pairs nor the pairs that cannot hit change the result.
#include "MaskTriangle.h"

#include <opencv2/core/mat.hpp>

#include <vector>

namespace zavov {

// Bounds of u and v over blocks of pixels, computed once per ray image and
// shared by all levels of a template: cells of kCellSize x kCellSize pixels,
// tiles of kTileRows x kTileCols pixels, groups of kTilesPerGroup tiles along
// a row of tiles, and whole rows of tiles ("bands"). Rays must be finite
// CV_32FC3.
class RayTiles {
public:
    static constexpr int kTileRows = 8;
    static constexpr int kTileCols = 8;
    static constexpr int kTilesPerGroup = 8;
    static constexpr int kCellSize = 4;
    static constexpr int kCellsPerTileSide = kTileRows / kCellSize;

    explicit RayTiles(const cv::Mat& rays);

    struct Bounds {
        float minU, maxU, minV, maxV;
    };

    const cv::Mat& rays() const { return rays_; }
    int bandCount() const { return bandCount_; }
    int tilesPerBand() const { return tilesPerBand_; }
    int groupsPerBand() const { return groupsPerBand_; }
    const Bounds& band(int band) const { return bands_[static_cast<std::size_t>(band)]; }
    const Bounds& group(int band, int group) const { return groups_[index(band, group, groupsPerBand_)]; }
    const Bounds& tile(int band, int tile) const { return tiles_[index(band, tile, tilesPerBand_)]; }
    // Cell (cellRow, cellCol) of the image, in units of kCellSize pixels.
    const Bounds& cell(int cellRow, int cellCol) const { return cells_[index(cellRow, cellCol, cellsPerRow_)]; }
    // Largest |u| and |v| of any ray: the scale of the culling's rounding margin.
    double maxAbsU() const { return maxAbsU_; }
    double maxAbsV() const { return maxAbsV_; }

private:
    static std::size_t index(int band, int column, int perBand)
    {
        return static_cast<std::size_t>(band) * static_cast<std::size_t>(perBand) + static_cast<std::size_t>(column);
    }

    cv::Mat rays_;
    int bandCount_ = 0;
    int tilesPerBand_ = 0;
    int groupsPerBand_ = 0;
    int cellsPerRow_ = 0;
    std::vector<Bounds> bands_;
    std::vector<Bounds> groups_;
    std::vector<Bounds> tiles_;
    std::vector<Bounds> cells_;
    double maxAbsU_ = 0.0;
    double maxAbsV_ = 0.0;
};

// farMask and nearMask: CV_16UC1 of the rays' size, filled with 0 and 65535
// by the caller; hits are merged into them. The inside rule (near = 0 where far
// is set, when the camera is inside) is the caller's; the fast loop only uses
// cameraInside to skip pairs that rule makes irrelevant.
void projectTrianglesReference(const cv::Mat& rays, const std::vector<MaskTriangle>& triangles, double epsilon,
                               cv::Mat& farMask, cv::Mat& nearMask);
void projectTrianglesFast(const RayTiles& tiles, const std::vector<MaskTriangle>& triangles, double epsilon,
                          bool cameraInside, cv::Mat& farMask, cv::Mat& nearMask);

}  // namespace zavov
