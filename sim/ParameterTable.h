#pragma once
// The plain integer, float and boolean parameters of one virtual camera with
// their current value, limits and whether the camera accepts writes. Ids the
// camera does not have are simply absent. Not thread-safe: the owning camera
// serialises access.

#include <cstdint>
#include <map>

#include "SimScene.h"

namespace zrsim {

struct IntParameter {
    int32_t current = 0;
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t step = 1;
    bool writable = true;
};

struct FloatParameter {
    float current = 0.0f;
    float minimum = 0.0f;
    float maximum = 0.0f;
    bool writable = true;
};

class ParameterTable {
public:
    /// The parameters a camera of this setup has, with factory values.
    explicit ParameterTable(const CameraSetup& setup);

    IntParameter* intParameter(int32_t id);
    FloatParameter* floatParameter(int32_t id);
    /// Boolean parameter: present with its value, or null.
    bool* boolParameter(int32_t id);
    bool boolWritable(int32_t id) const;

    /// Range- and write-checked assignment; returns a ZrStatus.
    int32_t setInt(int32_t id, int32_t value);
    int32_t setFloat(int32_t id, float value);
    int32_t setBool(int32_t id, bool value);

    int32_t intValue(int32_t id, int32_t fallback) const;
    bool boolValue(int32_t id, bool fallback) const;

    /// Back to the factory values (ZR_CMD_RESET_PARAM); keeps the io levels.
    void reset();

private:
    void populate();

    CameraSetup setup_;
    std::map<int32_t, IntParameter> ints_;
    std::map<int32_t, FloatParameter> floats_;
    std::map<int32_t, bool> bools_;
    std::map<int32_t, bool> boolReadOnly_;
};

}  // namespace zrsim
