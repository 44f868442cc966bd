#include "ModelTestDocuments.h"

#include "ConfigurationFileReader.h"
#include "DeviceJsonWriter.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

namespace hazard_desk {
namespace {

using nlohmann::json;

std::string deviceText(const std::function<void(json&)>& mutate) {
    WorkstationDocument document = test::mixedDocument();
    document.algorithmVersion = AlgorithmVersion::V2;
    json device = buildDeviceDocument(document, json::object());
    mutate(device);
    return device.dump();
}

TEST(ConfigurationFileReader, TextThatIsNoJsonObjectIsRefused) {
    for (const char* text : {"[{\"version\": 1, \"templates\": []}]", "42", "null", "", "{\"version\": 1} trailing"}) {
        EXPECT_FALSE(readConfigurationFile(text, AlgorithmVersion::V2).has_value()) << text;
    }
}

TEST(ConfigurationFileReader, VersionAndTemplatesMakeAWorkstationDocumentAnyOtherObjectIsCameraJson) {
    const WorkstationDocument document = test::mixedDocument();
    struct Case {
        std::string text;
        ConfigurationFileFormat format;
    };
    const Case cases[] = {
        {dumpWorkstationDocument(document, 2), ConfigurationFileFormat::Workstation},
        {deviceText([](json& j) { j["version"] = 1; }), ConfigurationFileFormat::Device},
        {deviceText([](json& j) { j["templates"] = json::array(); }), ConfigurationFileFormat::Device},
        {deviceText([](json& j) { j["Zones"] = json{{"3", j["Zones"]["3"]}}; }), ConfigurationFileFormat::Device},
    };
    for (const Case& c : cases) {
        for (const AlgorithmVersion generation : {AlgorithmVersion::V1, AlgorithmVersion::V2}) {
            const auto file = readConfigurationFile(c.text, generation);
            ASSERT_TRUE(file.has_value()) << c.text;
            EXPECT_EQ(file->format, c.format);
            if (c.format == ConfigurationFileFormat::Workstation) {
                EXPECT_EQ(file->document, document);   // the file's own generation holds
            } else {
                EXPECT_EQ(file->document.algorithmVersion, generation);
                EXPECT_EQ(file->document.activeIndex, 7);
                EXPECT_EQ(file->document.templates[3].type(), TemplateType::Sector);
            }
        }
    }
}

TEST(ConfigurationFileReader, AnObjectThatDoesNotReadAsItsFormatThrowsItsIssues) {
    json workstation = json::parse(dumpWorkstationDocument(test::mixedDocument(), 2));
    workstation["version"] = 2;
    const std::pair<std::string, std::string> cases[] = {
        {workstation.dump(), "$.version"},
        {deviceText([](json& j) { j.erase("R"); }), "$device.R"},
        {deviceText([](json& j) { j["ZoneIndex"] = 25; }), "$device.ZoneIndex"},
    };
    for (const auto& [text, path] : cases) {
        const ValidationIssueList issues =
            test::issuesOf([&] { (void)readConfigurationFile(text, AlgorithmVersion::V1); });
        ASSERT_FALSE(issues.empty()) << path;
        EXPECT_EQ(issues[0].path, path);
    }
}

}  // namespace
}  // namespace hazard_desk
