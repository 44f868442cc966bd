#pragma once

#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

namespace corVane {

// The cloud type of frames, of the worker's frame hand-over and of the 3D view.
using ColorCloud = pcl::PointCloud<pcl::PointXYZRGB>;
using ColorCloudPtr = ColorCloud::Ptr;

}  // namespace corVane
