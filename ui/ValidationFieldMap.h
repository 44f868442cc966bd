#pragma once
// Which editor fields a validation issue is about: from the path, the
// template being edited and that template's type to the object names of the
// spin boxes that hold the offending values. Issues of other templates, and values the editor does not
// show (a sector's near limit), name no field.
#include "ParameterEnums.h"

#include <QStringList>

#include <string>

namespace hazard_desk {

class ValidationFieldMap {
public:
    static QStringList fieldsFor(const std::string& path, int editingIndex, TemplateType type);
};

}  // namespace hazard_desk
