#include "ConfigurationFileReader.h"

#include "DeviceJsonReader.h"
#include "DocumentValidator.h"
#include "JsonFieldReader.h"
#include "WorkstationJsonReader.h"

namespace hazard_desk {

std::optional<ConfigurationFile> readConfigurationFile(std::string_view text, AlgorithmVersion deviceGeneration)
{
    nlohmann::json root;
    if (!json_read::parseText(text, root) || !root.is_object()) {
        return std::nullopt;
    }
    ConfigurationFile file;
    if (root.contains("version") && root.contains("templates")) {
        file.format = ConfigurationFileFormat::Workstation;
        file.document = parseWorkstationDocument(root);
    } else {
        file.format = ConfigurationFileFormat::Device;
        file.document = parseDeviceDocument(root, deviceGeneration, /*requireAllTemplates=*/false);
    }
    requireValidDocument(file.document);
    return file;
}

}  // namespace hazard_desk
