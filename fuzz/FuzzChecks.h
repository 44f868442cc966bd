#pragma once

#include "WorkstationDocument.h"

#include <string_view>

namespace hazard_desk::fuzz {

// Prints what broke and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] void fail(std::string_view what);

// An accepted document is valid, and its workstation JSON parses back equal
// and writes the same text again.
void checkWorkstationRoundTrip(const WorkstationDocument& document);

// The device form keeps everything but: one option set (the active template's;
// for V1 only "debug"), no sector lowerLimit (read back as 0), and the pose as a
// rotation matrix, whose Euler triple may come back as another triple of the
// same pose. So `back` must equal `original` with those three reductions, the
// pose compared as rotation matrices within kPoseTolerance.
void checkDeviceRoundTrip(const WorkstationDocument& original, const WorkstationDocument& back);

// Near gimbal lock the triple loses up to ~1e-8 of the turn; beyond this is a fault.
inline constexpr double kPoseTolerance = 1e-6;

}  // namespace hazard_desk::fuzz
