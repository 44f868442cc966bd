// What an engineer waits for when a configuration is imported, checked and
// written: the full parse-validate-serialize round trip of a 20-template
// document, and the merge of one template into the camera's JSON.
#include "DeviceJsonWriter.h"
#include "DocumentValidator.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace hazard_desk;
using nlohmann::json;

// Twenty templates of all three types, options set, as an engineer would leave them.
WorkstationDocument mixedDocument()
{
    WorkstationDocument document;
    document.activeIndex = 4;
    for (std::size_t slot = 0; slot < kTemplateCount; ++slot) {
        const auto index = static_cast<std::int32_t>(slot);
        ZoneTemplate& t = document.templates[slot];
        switch (slot % 3) {
        case 0:
            t = defaultZoneTemplate(index, TemplateType::Square);
            break;
        case 1:
            t = defaultZoneTemplate(index, TemplateType::SquareFree);
            break;
        default: {
            t = defaultZoneTemplate(index, TemplateType::Sector);
            auto& sector = std::get<SectorZones>(t.body);
            sector.notify = SectorZone{2300.0, -30.0, 30.0, 50.0, 1000.0, 0.0, 0.0};
            break;
        }
        }
        t.options.groundVoid.enabled = slot % 2 == 0;
        t.options.semantic.enabled = true;
        t.options.semantic.maxX = 2000.0 + static_cast<double>(slot);
        t.options.semantic.maxY = 800.0;
    }
    return document;
}

void BM_ParseValidateSerialize(benchmark::State& state)
{
    const std::string text = dumpWorkstationDocument(mixedDocument(), 2);
    for (auto _ : state) {
        const WorkstationDocument document = parseWorkstationDocumentText(text);   // validates too
        std::string written = dumpWorkstationDocument(document, 2);
        benchmark::DoNotOptimize(written);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseValidateSerialize)->Unit(benchmark::kMicrosecond);

// Baseline in the same run: the JSON library alone parsing and dumping the same text.
void BM_JsonParseDumpBaseline(benchmark::State& state)
{
    const std::string text = dumpWorkstationDocument(mixedDocument(), 2);
    for (auto _ : state) {
        std::string written = json::parse(text).dump(2);
        benchmark::DoNotOptimize(written);
    }
}
BENCHMARK(BM_JsonParseDumpBaseline)->Unit(benchmark::kMicrosecond);

void BM_Validate(benchmark::State& state)
{
    const WorkstationDocument document = mixedDocument();
    for (auto _ : state) {
        benchmark::DoNotOptimize(validateWorkstationDocument(document));
    }
}
BENCHMARK(BM_Validate)->Unit(benchmark::kMicrosecond);

void BM_MergeOneTemplate(benchmark::State& state)
{
    const WorkstationDocument document = mixedDocument();
    const json base = buildDeviceDocument(document, json{{"vendor", {{"build", 7}}}});
    DeviceMergeOptions options;
    options.selectedIndex = 5;
    for (auto _ : state) {
        json merged = mergeIntoDeviceDocument(document, base, options);
        benchmark::DoNotOptimize(merged);
    }
}
BENCHMARK(BM_MergeOneTemplate)->Unit(benchmark::kMicrosecond);

// The stages of the round trip on their own, to see where the time goes.
void BM_StageTextToJsonTree(benchmark::State& state)
{
    const std::string text = dumpWorkstationDocument(mixedDocument(), 2);
    for (auto _ : state) {
        json j = json::parse(text);
        benchmark::DoNotOptimize(j);
    }
}
BENCHMARK(BM_StageTextToJsonTree)->Unit(benchmark::kMicrosecond);

void BM_StageJsonTreeToDocument(benchmark::State& state)
{
    const json j = serializeWorkstationDocument(mixedDocument());
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseWorkstationDocument(j));
    }
}
BENCHMARK(BM_StageJsonTreeToDocument)->Unit(benchmark::kMicrosecond);

void BM_StageDocumentToJsonTree(benchmark::State& state)
{
    const WorkstationDocument d = mixedDocument();
    for (auto _ : state) {
        benchmark::DoNotOptimize(serializeWorkstationDocument(d));
    }
}
BENCHMARK(BM_StageDocumentToJsonTree)->Unit(benchmark::kMicrosecond);

void BM_StageJsonTreeToText(benchmark::State& state)
{
    const json j = serializeWorkstationDocument(mixedDocument());
    for (auto _ : state) {
        benchmark::DoNotOptimize(j.dump(2));
    }
}
BENCHMARK(BM_StageJsonTreeToText)->Unit(benchmark::kMicrosecond);

}  // namespace
