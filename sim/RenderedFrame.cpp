#include "RenderedFrame.h"

namespace zrsim {

namespace {

void setBlock(ZrFrameBlock& block, int32_t type, int width, int height, int channels, void* data, uint64_t stampUs) {
    block.type = type;
    block.width = width;
    block.height = height;
    block.channels = channels;
    block.data = data;
    block.sensorTimestamp = stampUs;
    block.receiveTimestamp = stampUs + 2000;  // the link adds ~2 ms
}

}  // namespace

namespace {

template <typename Buffer>
Buffer keepEverySecondPixel(const Buffer& full, int width, int height, int perPixel) {
    const int binnedWidth = width / 2;
    const int binnedHeight = height / 2;
    Buffer binned(static_cast<size_t>(binnedWidth) * binnedHeight * perPixel);
    for (int row = 0; row < binnedHeight; ++row) {
        for (int col = 0; col < binnedWidth; ++col) {
            const size_t from = (static_cast<size_t>(2 * row) * width + 2 * col) * perPixel;
            const size_t to = (static_cast<size_t>(row) * binnedWidth + col) * perPixel;
            for (int k = 0; k < perPixel; ++k) binned[to + k] = full[from + k];
        }
    }
    return binned;
}

}  // namespace

void RenderedFrame::binDepthTwoByTwo() {
    depth = keepEverySecondPixel(depth, width, height, 1);
    amplitude = keepEverySecondPixel(amplitude, width, height, 1);
    xyz = keepEverySecondPixel(xyz, width, height, 3);
    hitObject = keepEverySecondPixel(hitObject, width, height, 1);
    width /= 2;
    height /= 2;
}

void RenderedFrame::bindRecord(int32_t algorithmFrameType) {
    record = ZrFrameData{};
    record.status = status;
    record.frameHandle = frameHandle;
    setBlock(record.blocks[ZR_BLOCK_DEPTH], ZR_DATA_TYPE_U16, width, height, 1, depth.data(), timestampUs);
    setBlock(record.blocks[ZR_BLOCK_AMPLITUDE], ZR_DATA_TYPE_U16, width, height, 1, amplitude.data(), timestampUs);
    if (!color.empty()) {
        setBlock(record.blocks[ZR_BLOCK_COLOR], ZR_DATA_TYPE_U8, colorWidth, colorHeight, 3, color.data(),
                 timestampUs);
    }
    if (algorithmRan) {
        output.boxes = algorithmFrameType == ZR_FRAME_TYPE_ALGORITHM_V2
                           ? static_cast<void*>(boxesV2.data())
                           : static_cast<void*>(boxesV1.data());
        if (output.boxCount == 0) output.boxes = nullptr;
        setBlock(record.blocks[ZR_BLOCK_ALGORITHM], algorithmFrameType, 1, 1, 1, &output, timestampUs);
    }
}

}  // namespace zrsim
