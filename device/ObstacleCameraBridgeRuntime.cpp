// The runtime sample of ObstacleCameraBridge: I/O state, channel masks, frame
// rate and the algorithm output of the current frame.
#include <cstring>
#include <mutex>
#include <shared_mutex>

#include "FormatSdkError.h"
#include "ObstacleCameraBridge.h"
#include "ObstacleResultParser.h"
#include "ZrCameraApi.h"

namespace hazard_desk {

namespace {

constexpr std::size_t kAlgorithmBlockTypeOffset = 136;
constexpr std::size_t kAlgorithmBlockDataOffset = 152;

static_assert(kAlgorithmBlockTypeOffset == offsetof(ZrFrameData, blocks) + ZR_BLOCK_ALGORITHM * sizeof(ZrFrameBlock),
              "algorithm block type offset");
static_assert(kAlgorithmBlockDataOffset ==
                  kAlgorithmBlockTypeOffset + offsetof(ZrFrameBlock, data),
              "algorithm block data offset");

// The frame block type that carries the output of the given mode, 0 for none.
std::int32_t algorithmBlockTypeOf(int mode)
{
    if (mode == ObstacleCameraBridge::kModeV1) {
        return ZR_FRAME_TYPE_ALGORITHM_V1;
    }
    if (mode == ObstacleCameraBridge::kModeV2) {
        return ZR_FRAME_TYPE_ALGORITHM_V2;
    }
    return ZR_FRAME_TYPE_NONE;
}

}  // namespace

bool ObstacleCameraBridge::readFloat(std::int32_t id, float& value)
{
    ZrFloatValue record{};
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    if (DcGetFloatValue(handle(), id, &record) != ZR_STATUS_OK) {
        return false;
    }
    value = record.current;
    return true;
}

void ObstacleCameraBridge::readChannel(std::int32_t id, int& status, quint32& mask)
{
    ZrIntValue value{};
    if (!readIntParameter(id, value, nullptr)) {
        return;
    }
    status = value.current;
    mask = ObstacleResultParser::channelMask(value.minimum, value.maximum);
}

bool ObstacleCameraBridge::readRuntime(int mode, ObstacleRuntime& runtime, QString* error)
{
    runtime = ObstacleRuntime();

    std::int32_t ioStatus = -1;
    const bool ioRead = specialControl(ZR_SPECIAL_GET_OBSTACLE_IO, ioStatus) == ZR_STATUS_OK;
    if (ioRead) {
        runtime.ioStatus = ioStatus;
    }
    readChannel(ZR_INT_IO_INPUT_STATUS, runtime.inputStatus, runtime.inputChannelMask);
    readChannel(ZR_INT_IO_OUTPUT_STATUS, runtime.outputStatus, runtime.outputChannelMask);
    float fps = 0.0F;
    if (readFloat(ZR_FLOAT_3D_DEPTH_FPS, fps)) {
        runtime.cameraFps = fps;
    }

    // The SDK's buffers stay valid until the next frame; the parse copies
    // everything while the shared lock is held.
    bool attempted = false;
    bool parsed = false;
    std::int32_t outputStatus = ZR_STATUS_OK;
    {
        std::shared_lock<std::shared_mutex> lock(apiMutex_);
        void* output = nullptr;
        outputStatus = DcGetPtrValue(handle(), ZR_PTR_ALGORITHM_OUTPUT, &output);
        if (outputStatus == ZR_STATUS_OK && output != nullptr) {
            attempted = true;
            parsed = ObstacleResultParser::parse(output, mode, runtime);
        } else if (algorithmBlockTypeOf(mode) != ZR_FRAME_TYPE_NONE) {
            void* frame = nullptr;
            if (DcGetPtrValue(handle(), ZR_PTR_FRAME_DATA, &frame) == ZR_STATUS_OK && frame != nullptr) {
                const auto* record = static_cast<const unsigned char*>(frame);
                std::int32_t blockType = 0;
                void* blockData = nullptr;
                std::memcpy(&blockType, record + kAlgorithmBlockTypeOffset, sizeof(blockType));
                std::memcpy(&blockData, record + kAlgorithmBlockDataOffset, sizeof(blockData));
                if (blockType == algorithmBlockTypeOf(mode) && blockData != nullptr) {
                    attempted = true;
                    parsed = ObstacleResultParser::parse(blockData, mode, runtime);
                }
            }
        }
    }
    if (!attempted) {
        runtime.resultError = outputStatus != ZR_STATUS_OK
                                  ? formatSdkError(QStringLiteral("读取避障运行结果"), outputStatus)
                                  : QString::fromUtf8(ObstacleResultParser::kNoResultMessage);
    }
    if (error != nullptr) {
        *error = runtime.resultError;
    }
    return parsed || ioRead;
}

}  // namespace hazard_desk
