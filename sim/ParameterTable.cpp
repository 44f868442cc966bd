#include "ParameterTable.h"

#include <cmath>

#include "ZrCameraParams.h"
#include "ZrCameraTypes.h"

namespace zrsim {

namespace {

IntParameter rw(int32_t current, int32_t minimum, int32_t maximum) { return {current, minimum, maximum, 1, true}; }
IntParameter ro(int32_t current) { return {current, current, current, 1, false}; }
IntParameter ro(int32_t current, int32_t minimum, int32_t maximum) { return {current, minimum, maximum, 1, false}; }

}  // namespace

ParameterTable::ParameterTable(const CameraSetup& setup) : setup_(setup) { populate(); }

void ParameterTable::reset() {
    ints_.clear();
    floats_.clear();
    bools_.clear();
    boolReadOnly_.clear();
    populate();
}

void ParameterTable::populate() {
    const DepthSensorSpec& d = setup_.depth;
    ints_[ZR_INT_FIRST_EXPOSURE] = rw(1000, 10, 4000);
    ints_[ZR_INT_SECOND_EXPOSURE] = rw(200, 10, 4000);
    ints_[ZR_INT_THIRD_EXPOSURE] = rw(50, 10, 4000);
    ints_[ZR_INT_FOURTH_EXPOSURE] = rw(20, 10, 4000);
    ints_[ZR_INT_GAIN] = rw(1, 1, 16);
    ints_[ZR_INT_MIN_DEPTH] = rw(100, 0, d.maxDepthMm);
    ints_[ZR_INT_MAX_DEPTH] = rw(d.maxDepthMm, 100, d.maxDepthMm);
    ints_[ZR_INT_MIN_AMPLITUDE] = rw(0, 0, 65535);
    ints_[ZR_INT_MAX_AMPLITUDE] = rw(65535, 0, 65535);
    ints_[ZR_INT_CODE_MODE] = rw(0, 0, 3);
    ints_[ZR_INT_WORK_MODE] = rw(0, 0, 3);
    ints_[ZR_INT_LINK_SPEED] = ro(1000);
    ints_[ZR_INT_3D_IMAGE_WIDTH] = ro(d.width);
    ints_[ZR_INT_3D_IMAGE_HEIGHT] = ro(d.height);
    ints_[ZR_INT_3D_IMAGE_OFFSET_X] = ro(0);
    ints_[ZR_INT_3D_IMAGE_OFFSET_Y] = ro(0);
    ints_[ZR_INT_3D_BINNING_MODE] = rw(0, 0, 1);  // 1: 2x2 binning, half the width and height
    ints_[ZR_INT_3D_DEPTH_DATA_TYPE] = ro(ZR_DATA_TYPE_U16);
    ints_[ZR_INT_3D_FREQ_MODE] = rw(0, 0, 2);
    ints_[ZR_INT_3D_AMPLITUDE_CHANNEL] = ro(1);
    ints_[ZR_INT_3D_AMPLITUDE_DATA_TYPE] = ro(ZR_DATA_TYPE_U16);
    ints_[ZR_INT_3D_AUTO_EXPOSURE_LEVEL] = rw(2, 0, 5);
    ints_[ZR_INT_3D_AUTO_EXPOSURE_MAX] = rw(2000, 10, 4000);
    ints_[ZR_INT_3D_AUTO_EXPOSURE_MIN] = rw(20, 10, 4000);
    if (setup_.color) {
        ints_[ZR_INT_2D_IMAGE_WIDTH] = ro(setup_.color->width);
        ints_[ZR_INT_2D_IMAGE_HEIGHT] = ro(setup_.color->height);
        ints_[ZR_INT_2D_IMAGE_OFFSET_X] = ro(0);
        ints_[ZR_INT_2D_IMAGE_OFFSET_Y] = ro(0);
        ints_[ZR_INT_2D_BINNING_MODE] = ro(0);
        ints_[ZR_INT_2D_IMAGE_CHANNEL] = ro(3);
        ints_[ZR_INT_2D_IMAGE_DATA_TYPE] = ro(ZR_DATA_TYPE_U8);
        ints_[ZR_INT_2D_IMAGE_OUTPUT_FORMAT] = rw(0, 0, 2);
        ints_[ZR_INT_2D_ENCODE_RATIO] = rw(80, 10, 100);
        ints_[ZR_INT_2D_MANUAL_EXPOSURE] = rw(10000, 100, 100000);
        ints_[ZR_INT_2D_MANUAL_GAIN] = rw(1, 1, 16);
        ints_[ZR_INT_2D_AUTO_EXPOSURE_LEVEL] = rw(2, 0, 5);
        ints_[ZR_INT_2D_UNDISTORT_SCALE] = rw(0, 0, 100);
    }
    ints_[ZR_INT_TOF_GLOBAL_OFFSET] = rw(0, -1000, 1000);
    ints_[ZR_INT_3D_UNDISTORT_SCALE] = rw(0, 0, 100);
    ints_[ZR_INT_ALGORITHM_MODE] = rw(0, 0, 4);
    ints_[ZR_INT_MODBUS_ADDR] = rw(1, 1, 247);
    ints_[ZR_INT_HEART_TIME] = rw(3000, 500, 60000);
    ints_[ZR_INT_GVSP_PACKET_SIZE] = rw(1440, 576, 9000);
    ints_[ZR_INT_TRIGGER_MODE] = rw(0, 0, 2);
    ints_[ZR_INT_CALCULATE_UP] = rw(0, 0, 1);
    ints_[ZR_INT_CAN_BAUD_RATE] = rw(500, 125, 1000);
    ints_[ZR_INT_CAN_NODE_ID] = rw(1, 1, 127);
    ints_[ZR_INT_CAN_PROTOCOL_TYPE] = rw(0, 0, 2);
    ints_[ZR_INT_SAVE_PARAMS_GROUP] = rw(0, 0, 3);
    ints_[ZR_INT_LOAD_PARAMS_GROUP] = rw(0, 0, 3);
    ints_[ZR_INT_RGBD_ALIGN_MODE] = rw(0, 0, setup_.color ? 2 : 0);
    ints_[ZR_INT_XYZ_COORDINATE] = rw(0, 0, 1);
    ints_[ZR_INT_XYZ_UNIT] = rw(0, 0, 1);  // 0 millimetres, 1 metres
    ints_[ZR_INT_GVCP_TIME_OUT] = rw(1000, 100, 10000);
    ints_[ZR_INT_HARDWARE_TRIGGER_FILTER_TIME] = rw(10, 0, 1000);
    ints_[ZR_INT_TRIGGER_MIN_PERIOD_TIME] = rw(50, 0, 10000);
    ints_[ZR_INT_TRIGGER_DELAY_TIME] = rw(0, 0, 10000);
    ints_[ZR_INT_TRIGGER_FRAME_COUNT] = rw(1, 1, 100);
    ints_[ZR_INT_FILTER_MODE] = rw(1, 0, 3);
    ints_[ZR_INT_FILTER_SMOOTH_LEVEL] = rw(2, 0, 5);
    ints_[ZR_INT_FILTER_NOISE_LEVEL] = rw(2, 0, 5);
    ints_[ZR_INT_FILTER_TIME_LEVEL] = rw(1, 0, 5);
    ints_[ZR_INT_FILTER_DETECT_LOW_SIGNAL] = rw(1, 0, 5);
    ints_[ZR_INT_FILTER_FILL_LEVEL] = rw(0, 0, 5);
    ints_[ZR_INT_MAX_TOLERANT_LOST_PACKETS] = rw(8, 0, 256);
    ints_[ZR_INT_3D_FPS] = rw(d.fps, 1, 60);
    ints_[ZR_INT_3D_GLARE_LEVEL] = rw(0, 0, 5);
    ints_[ZR_INT_POWER_MODE] = rw(0, 0, 2);
    ints_[ZR_INT_3D_NATIVE_WIDTH] = ro(d.width);
    ints_[ZR_INT_3D_NATIVE_HEIGHT] = ro(d.height);
    if (setup_.io.inputs > 0 || setup_.io.outputs > 0) {
        int32_t levels = 0;
        for (size_t i = 0; i < setup_.io.inputLevels.size(); ++i) levels |= setup_.io.inputLevels[i] << i;
        ints_[ZR_INT_IO_WORK_MODE] = rw(0, 0, 1);  // 0 outputs follow the verdict, 1 manual
        ints_[ZR_INT_IO_OUTPUT_STATE] = rw(0, 0, (1 << setup_.io.outputs) - 1);
        ints_[ZR_INT_IO_HARDWARE_WORK_MODE] = rw(setup_.io.hardwareMode, 0, 1);
        ints_[ZR_INT_IO_INPUT_STATUS] = ro(levels, 1, setup_.io.inputs);
        ints_[ZR_INT_IO_OUTPUT_STATUS] = ro(0, 1, setup_.io.outputs);
    }

    floats_[ZR_FLOAT_FILTER_LEVEL] = {0.5f, 0.0f, 1.0f, true};
    floats_[ZR_FLOAT_EST_OUT_EXPOSURE] = {1000.0f, 0.0f, 4000.0f, false};
    floats_[ZR_FLOAT_LIGHT_INTENSITY] = {0.8f, 0.0f, 1.0f, false};
    floats_[ZR_FLOAT_3D_DEPTH_FPS] = {0.0f, 0.0f, static_cast<float>(d.fps), false};
    floats_[ZR_FLOAT_3D_AMPLITUDE_FPS] = {0.0f, 0.0f, static_cast<float>(d.fps), false};
    if (setup_.color) floats_[ZR_FLOAT_2D_IMAGE_FPS] = {0.0f, 0.0f, static_cast<float>(d.fps), false};
    floats_[ZR_FLOAT_DEVICE_TEMPERATURE] = {46.5f, -40.0f, 105.0f, false};
    floats_[ZR_FLOAT_CONFIDENCE] = {0.3f, 0.0f, 1.0f, true};

    for (int32_t id : {ZR_BOOL_ENABLE_3D_DEPTH_STREAM, ZR_BOOL_ENABLE_3D_AMP_STREAM, ZR_BOOL_ENABLE_3D_AUTO_EXPOSURE,
                       ZR_BOOL_ENABLE_3D_UNDISTORT, ZR_BOOL_ENABLE_ANTI_FLICKER, ZR_BOOL_ENABLE_BACKGROUND_AMP,
                       ZR_BOOL_ENABLE_MULTI_MACHINE, ZR_BOOL_ENABLE_MULTI_EXPOSURE_HDR, ZR_BOOL_ENABLE_SYNC_FRAME,
                       ZR_BOOL_ENABLE_TERM_RESISTOR, ZR_BOOL_ENABLE_LASER_BRIGHT}) {
        bools_[id] = false;
    }
    bools_[ZR_BOOL_ENABLE_3D_DEPTH_STREAM] = true;
    bools_[ZR_BOOL_ENABLE_3D_UNDISTORT] = true;
    bools_[ZR_BOOL_CONNECT_STATE] = true;
    boolReadOnly_[ZR_BOOL_CONNECT_STATE] = true;
    if (setup_.color) {
        bools_[ZR_BOOL_ENABLE_2D_STREAM] = false;
        bools_[ZR_BOOL_ENABLE_2D_AUTO_EXPOSURE] = true;
        bools_[ZR_BOOL_ENABLE_2D_UNDISTORT] = false;
        bools_[ZR_BOOL_ENABLE_2D_TO_DEPTH] = false;
    }
}

IntParameter* ParameterTable::intParameter(int32_t id) {
    auto it = ints_.find(id);
    return it == ints_.end() ? nullptr : &it->second;
}

FloatParameter* ParameterTable::floatParameter(int32_t id) {
    auto it = floats_.find(id);
    return it == floats_.end() ? nullptr : &it->second;
}

bool* ParameterTable::boolParameter(int32_t id) {
    auto it = bools_.find(id);
    return it == bools_.end() ? nullptr : &it->second;
}

bool ParameterTable::boolWritable(int32_t id) const { return boolReadOnly_.count(id) == 0; }

int32_t ParameterTable::setInt(int32_t id, int32_t value) {
    IntParameter* p = intParameter(id);
    if (!p) return ZR_STATUS_NOT_SUPPORTED;
    if (!p->writable) return ZR_STATUS_REFUSED;
    if (value < p->minimum || value > p->maximum) return ZR_STATUS_INVALID_ARGUMENT;
    p->current = value;
    return ZR_STATUS_OK;
}

int32_t ParameterTable::setFloat(int32_t id, float value) {
    FloatParameter* p = floatParameter(id);
    if (!p) return ZR_STATUS_NOT_SUPPORTED;
    if (!p->writable) return ZR_STATUS_REFUSED;
    if (!std::isfinite(value) || value < p->minimum || value > p->maximum) return ZR_STATUS_INVALID_ARGUMENT;
    p->current = value;
    return ZR_STATUS_OK;
}

int32_t ParameterTable::setBool(int32_t id, bool value) {
    bool* p = boolParameter(id);
    if (!p) return ZR_STATUS_NOT_SUPPORTED;
    if (!boolWritable(id)) return ZR_STATUS_REFUSED;
    *p = value;
    return ZR_STATUS_OK;
}

int32_t ParameterTable::intValue(int32_t id, int32_t fallback) const {
    auto it = ints_.find(id);
    return it == ints_.end() ? fallback : it->second.current;
}

bool ParameterTable::boolValue(int32_t id, bool fallback) const {
    auto it = bools_.find(id);
    return it == bools_.end() ? fallback : it->second;
}

}  // namespace zrsim
