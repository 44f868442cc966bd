#pragma once

#include "WorkstationDocument.h"

#include <string_view>

namespace hazard_desk::fuzz {

// Prints what broke and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] void fail(std::string_view what);

// An accepted document is valid, and its workstation JSON parses back equal
// and writes the same text again.
void checkWorkstationRoundTrip(const WorkstationDocument& document);

// `back` equals `original` but for what the camera's JSON cannot carry
// (tests/support/DeviceRoundTrip.h), the pose within kPoseTolerance.
void checkDeviceRoundTrip(const WorkstationDocument& original, const WorkstationDocument& back);

// Near gimbal lock the triple loses up to ~1e-8 of the turn; beyond this is a fault.
inline constexpr double kPoseTolerance = 1e-6;

}  // namespace hazard_desk::fuzz
