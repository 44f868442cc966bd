#pragma once
// One obstacle box of the camera's runtime result, as the camera delivers it.
#include <QString>

namespace hazard_desk {

struct ObstacleBox {
    float x = 0.0F;
    float y = 0.0F;
    float z = 0.0F;
    float width = 0.0F;
    float height = 0.0F;
    float depth = 0.0F;
    int typeIndex = 0;
    QString typeName;   // empty for V1 results
};

}  // namespace hazard_desk
