#pragma once

#include "WorkstationDocument.h"

#include <optional>
#include <string_view>

namespace hazard_desk {

// Which of the two configuration formats a file held.
enum class ConfigurationFileFormat { Workstation, Device };

struct ConfigurationFile {
    ConfigurationFileFormat format = ConfigurationFileFormat::Workstation;
    WorkstationDocument document;
};

// The text of a configuration file. An object holding both "version" and
// "templates" is a workstation document; any other object is the camera's
// parameter JSON, converted for deviceGeneration (templates it lacks keep
// their defaults). Returns nothing when the text is not a JSON object.
// Throws ParameterValidationError when the object does not parse as its
// format or the document breaks a validation rule.
std::optional<ConfigurationFile> readConfigurationFile(std::string_view text, AlgorithmVersion deviceGeneration);

}  // namespace hazard_desk
