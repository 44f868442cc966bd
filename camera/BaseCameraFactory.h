#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "BaseCamera.h"
#include "CameraType.h"
#include "DeviceInfo.h"

namespace algPlatform {

// Process-wide registry mapping a camera family to a constructor. Filled by
// static initialisers before main runs (ZrCameraK7 registers family 0).
class BaseCameraFactory {
public:
    using Creator = std::function<std::shared_ptr<BaseCamera>(const DeviceInfo&)>;

    static BaseCameraFactory& instance();

    // False (and a warning) when the family already has a creator.
    bool registerCamera(CameraType type, Creator creator);

    // A new camera of the family, or null when none is registered.
    std::shared_ptr<BaseCamera> create(CameraType type, const DeviceInfo& info) const;
    bool hasCreator(CameraType type) const;

private:
    BaseCameraFactory() = default;

    mutable std::mutex mutex_;
    std::map<CameraType, Creator> creators_;
};

}  // namespace algPlatform
