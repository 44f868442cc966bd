#pragma once
// The scene the library runs when ZR_SIM_SCENE names none: four cameras on
// 127.0.10.x, a wall ahead, a pallet driving in and out of the K7's danger
// zone and a person-sized box beside the path.

#include <string>

namespace zrsim {

std::string defaultSceneText();

}  // namespace zrsim
