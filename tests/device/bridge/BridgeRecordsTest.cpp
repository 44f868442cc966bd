// The bridge's pure parts on hand-built records: the algorithm output parser
// and its limits, the discovery list reader and the template tracker.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "DiscoveryListReader.h"
#include "ObstacleResultParser.h"
#include "TemplateTracker.h"
#include "ZrCameraTypes.h"

namespace hazard_desk {
namespace {

const QString kBadBoxes = QStringLiteral("障碍物结果中的框数量或指针无效");
const QString kNoResult = QStringLiteral("当前帧没有避障算法结果");

// A hand-built algorithm output with n boxes of the V1 (mode 1) or V2 layout;
// box i has every field its own value and (V2) the name "box<i>".
struct OutputRecord {
    ZrAlgorithmOutput output{};
    std::vector<ZrObstacleBoxV1> v1;
    std::vector<ZrObstacleBoxV2> v2;

    OutputRecord(int mode, int count, int state = 0)
    {
        output.state = state;
        output.boxCount = count;
        const auto n = static_cast<std::size_t>(count);
        mode == 1 ? v1.resize(n) : v2.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            mode == 1 ? fill(v1[i], i) : fill(v2[i], i);
        }
        output.boxes = mode == 1 ? static_cast<void*>(v1.data()) : static_cast<void*>(v2.data());
    }

    template <typename Box>
    static void fill(Box& box, std::size_t i)
    {
        std::memset(&box, 0, sizeof(box));
        const auto f = static_cast<float>(i);
        box.x = f;
        box.y = 10.0F + f;
        box.z = 20.0F + f;
        box.width = 100.0F + f;
        box.height = 200.0F + f;
        box.depth = 300.0F + f;
        box.typeIndex = static_cast<int>(i % 3);
    }
    static void fill(ZrObstacleBoxV2& box, std::size_t i)
    {
        fill<ZrObstacleBoxV2>(box, i);
        const std::string name = "box" + std::to_string(i);
        box.nameLength = static_cast<int32_t>(name.size());
        std::memcpy(box.name, name.data(), name.size());
    }
};

// Modes 1 (V1) and 4 (V2) carry boxes; any other mode has no result.
TEST(ObstacleResultParser, CopiesEveryBoxUpToTheCountLimitAndRejectsMissingRecords)
{
    struct Case {
        int mode;
        int count;
        QString error;   // empty: parsed
    };
    const std::vector<Case> cases = {
        {1, 5, {}},          {4, 5, {}},          {1, 4096, {}},       {4, 4096, {}},
        {1, 4097, kBadBoxes}, {4, 4097, kBadBoxes}, {1, 0, {}},          {4, -3, {}},
        {0, 2, kNoResult},   {2, 2, kNoResult},   {3, 2, kNoResult},   {5, 2, kNoResult},  {-1, 2, kNoResult},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.count));
        const bool ok = c.error.isEmpty();
        // 4097 entries are built too, so a parser ignoring the limit would read them.
        OutputRecord record(c.mode, std::max(c.count, 0), 7);
        record.output.boxCount = c.count;
        ObstacleRuntime runtime;
        runtime.boxes.resize(3);
        runtime.resultError = "stale";
        EXPECT_EQ(ObstacleResultParser::parse(&record.output, c.mode, runtime), ok);
        EXPECT_EQ(runtime.resultAvailable, ok);
        EXPECT_EQ(runtime.resultError, c.error);
        EXPECT_EQ(runtime.algorithmState, ok ? 7 : ObstacleRuntime::kNoAlgorithmState);
        ASSERT_EQ(runtime.boxes.size(), ok ? static_cast<std::size_t>(std::max(c.count, 0)) : 0U);
        for (std::size_t i = 0; i < runtime.boxes.size(); ++i) {
            const ObstacleBox& box = runtime.boxes[i];
            const auto f = static_cast<float>(i);
            ASSERT_EQ((std::array<float, 6>{box.x, box.y, box.z, box.width, box.height, box.depth}),
                      (std::array<float, 6>{f, 10.0F + f, 20.0F + f, 100.0F + f, 200.0F + f, 300.0F + f}));
            ASSERT_EQ(box.typeIndex, static_cast<int>(i % 3));
            ASSERT_EQ(box.typeName, c.mode == 4 ? QString("box%1").arg(i) : QString());
        }
    }
    ZrAlgorithmOutput noBoxes{};
    noBoxes.boxCount = 2;
    ObstacleRuntime runtime;
    EXPECT_FALSE(ObstacleResultParser::parse(&noBoxes, 4, runtime));
    EXPECT_EQ(runtime.resultError, kBadBoxes);
    EXPECT_FALSE(ObstacleResultParser::parse(nullptr, 1, runtime));
    EXPECT_EQ(runtime.resultError, kNoResult);
}

// The name is its stated length of UTF-8, zero bytes included, never more
// than the 512-byte field and never read past it.
TEST(ObstacleResultParser, V2NameIsItsLengthInUtf8ClampedToTheField)
{
    const std::string start("行人\0x", 8);   // 6 bytes of UTF-8, a zero byte, one more
    struct Case {
        int32_t length;
        int expectedBytes;
    };
    for (const Case& c : {Case{6, 6}, Case{8, 8}, Case{600, 512}, Case{512, 512}, Case{511, 511}, Case{0, 0},
                          Case{-5, 0}, Case{2147483647, 512}}) {
        SCOPED_TRACE(c.length);
        OutputRecord record(4, 2);
        char* field = record.v2[0].name;
        std::memset(field, 'n', sizeof(record.v2[0].name));
        std::memcpy(field, start.data(), start.size());
        record.v2[0].nameLength = c.length;
        std::memset(record.v2[0].reserved2, 'X', sizeof(record.v2[0].reserved2));
        ObstacleRuntime runtime;
        ASSERT_TRUE(ObstacleResultParser::parse(&record.output, 4, runtime));
        EXPECT_EQ(runtime.boxes[0].typeName, QString::fromUtf8(field, c.expectedBytes));
        EXPECT_EQ(runtime.boxes[1].typeName, QString("box1"));
    }
}

// A discovery record whose id and serial fill their whole field (no zero
// byte to end them); its handle is beyond 32 bits.
ZrDeviceInfo discoveryEntry(int32_t type, int32_t maxDepthMm, int32_t colorSensor)
{
    ZrDeviceInfo info;
    std::memset(&info, 0, sizeof(info));
    info.handle = static_cast<uint64_t>(type) << 32;
    info.deviceType = type;
    info.maxDepthMm = maxDepthMm;
    info.colorSensor = colorSensor;
    const std::string ip = "127.0.0." + std::to_string(type & 0xFF);
    std::memcpy(info.ip, ip.data(), ip.size());
    std::memset(info.id, 'A', sizeof(info.id));
    std::memset(info.serial, 'S', sizeof(info.serial));
    std::memcpy(info.firmware, "FW1", 3);
    return info;
}

// Only K and P series cameras are listed, in their order, each with its model
// name and family, its texts never read past their fields, and its depth
// range and colour as the connection reads them.
TEST(DiscoveryListReader, ListsKAndPSeriesAsTheConnectionDescribesThem)
{
    struct Case {
        int32_t type;
        const char* model;   // nullptr: not listed
        int family;
        int32_t maxDepthMm;
        int32_t colorSensor;
        int expectedDepth;
        bool expectedRgb;
    };
    const std::vector<Case> cases = {
        {0, nullptr, -1, 6000, 0, 0, false},
        {1005, "K7", 0, 6000, ZR_COLOR_SENSOR_NONE, 6000, false},
        {1000, "ZR-1000", 0, 8000, ZR_COLOR_SENSOR_PRESENT, 8000, true},
        {1999, "ZR-1999", 0, 0, ZR_COLOR_SENSOR_UNKNOWN, 0, true},
        {2000, "ZR-2000", 2, -7, 9, 0, true},
        {2003, "P3 Wide V1", 2, 5000, ZR_COLOR_SENSOR_NONE, 5000, false},
        {2999, "ZR-2999", 2, 1, ZR_COLOR_SENSOR_PRESENT, 1, true},
        {5001, nullptr, 1, 6000, 0, 0, false},
        {3000, nullptr, -1, 6000, 0, 0, false},
    };
    std::vector<ZrDeviceInfo> list;
    std::vector<Case> listed;
    for (const Case& c : cases) {
        list.push_back(discoveryEntry(c.type, c.maxDepthMm, c.colorSensor));
        if (c.model != nullptr) {
            listed.push_back(c);
        }
        EXPECT_EQ(DiscoveryListReader::cameraTypeOf(c.type), c.family) << c.type;
    }
    const std::vector<CameraDescriptor> result = DiscoveryListReader::read(list.data(), static_cast<int>(list.size()));
    ASSERT_EQ(result.size(), listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const Case& c = listed[i];
        SCOPED_TRACE(c.type);
        EXPECT_EQ(result[i].model, QString(c.model));
        EXPECT_EQ(result[i].cameraType, c.family);
        EXPECT_EQ(result[i].sdkDeviceType, c.type);
        EXPECT_EQ(result[i].discoveryHandle, static_cast<uint64_t>(c.type) << 32);
        EXPECT_EQ(result[i].ip, QString("127.0.0.%1").arg(c.type & 0xFF));
        EXPECT_EQ(result[i].id, QString(32, QChar('A')));
        EXPECT_EQ(result[i].serial, QString(32, QChar('S')));
        EXPECT_EQ(result[i].firmware, QString("FW1"));
        EXPECT_EQ(result[i].maxDepthMm, c.expectedDepth);
        EXPECT_EQ(result[i].rgbAvailable, c.expectedRgb);
    }
    EXPECT_TRUE(DiscoveryListReader::read(nullptr, 3).empty());
    EXPECT_TRUE(DiscoveryListReader::read(list.data(), -1).empty());
}

TEST(TemplateTracker, ChangedJsonIndexWinsSteadyDeviceIndexKeepsTheDecision)
{
    struct Step {
        int device;
        int json;
        int expected;
    };
    struct Sequence {
        bool startsResolved;   // from a last decision of 3 (device 3, JSON 3)
        std::vector<Step> steps;
    };
    const std::vector<Sequence> sequences = {
        {true, {{3, 5, 5}, {3, 5, 5}, {7, 5, 7}}},
        // Nothing resolved yet: the device answer; a JSON index appearing from
        // none leaves the device's; a changed JSON index wins.
        {false, {{4, 9, 4}, {4, 9, 4}, {4, 4, 4}, {6, -1, 6}, {6, 2, 6}, {6, 8, 8}}},
    };
    for (const Sequence& sequence : sequences) {
        TemplateTracker tracker;
        if (sequence.startsResolved) {
            tracker.set(3, 3, 3);
        }
        for (const Step& s : sequence.steps) {
            SCOPED_TRACE(std::to_string(s.device) + "/" + std::to_string(s.json));
            EXPECT_EQ(tracker.resolve(s.device, s.json), s.expected);
        }
        tracker.reset();
        EXPECT_EQ(tracker.lastResolved(), -1);
        EXPECT_EQ(tracker.resolve(3, 5), 3);
    }
}

}  // namespace
}  // namespace hazard_desk
