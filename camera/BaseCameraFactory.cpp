#include "BaseCameraFactory.h"

#include "ZrLogger.h"

namespace algPlatform {

BaseCameraFactory& BaseCameraFactory::instance()
{
    static BaseCameraFactory factory;
    return factory;
}

bool BaseCameraFactory::registerCamera(CameraType type, Creator creator)
{
    const std::string typeName = cameraTypeName(static_cast<std::int32_t>(type));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (creators_.count(type) != 0) {
            ZrLogger::logAtStartup(spdlog::level::warn,
                                   "BaseCameraFactory register skipped type=" + typeName + " reason=duplicate");
            return false;
        }
        creators_[type] = std::move(creator);
    }
    // Registration runs before main: the line waits for the default logger
    // instead of creating it before the program chose where its logs go.
    ZrLogger::logAtStartup(spdlog::level::info, "BaseCameraFactory registered camera type=" + typeName);
    return true;
}

std::shared_ptr<BaseCamera> BaseCameraFactory::create(CameraType type, const DeviceInfo& info) const
{
    Creator creator;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = creators_.find(type);
        if (found == creators_.end() || !found->second) {
            return nullptr;
        }
        creator = found->second;
    }
    return creator(info);
}

bool BaseCameraFactory::hasCreator(CameraType type) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return creators_.count(type) != 0;
}

}  // namespace algPlatform
