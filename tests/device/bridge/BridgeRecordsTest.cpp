// The bridge's pure parts on hand-built records: the algorithm output parser
// and its limits, the discovery list reader and the template tracker.
#include <gtest/gtest.h>

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
// box i has x = i, typeIndex = i % 3 and (V2) the name "box<i>".
struct OutputRecord {
    ZrAlgorithmOutput output{};
    std::vector<ZrObstacleBoxV1> v1;
    std::vector<ZrObstacleBoxV2> v2;

    OutputRecord(int mode, int count, int state = 0)
    {
        output.state = state;
        output.boxCount = count;
        const auto n = static_cast<std::size_t>(count);
        if (mode == 1) {
            v1.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                fill(v1[i], static_cast<int>(i));
            }
            output.boxes = v1.empty() ? nullptr : v1.data();
            return;
        }
        v2.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            fill(v2[i], static_cast<int>(i));
            const std::string name = "box" + std::to_string(i);
            v2[i].nameLength = static_cast<int32_t>(name.size());
            std::memcpy(v2[i].name, name.data(), name.size());
        }
        output.boxes = v2.empty() ? nullptr : v2.data();
    }

    template <typename Box>
    static void fill(Box& box, int i)
    {
        std::memset(&box, 0, sizeof(box));
        box.x = static_cast<float>(i);
        box.y = 10.0F + static_cast<float>(i);
        box.z = 20.0F;
        box.width = 100.0F;
        box.height = 200.0F;
        box.depth = 300.0F;
        box.typeIndex = i % 3;
    }
};

TEST(ObstacleResultParser, CopiesEveryBoxUpToTheCountLimitAndRejectsMissingRecords)
{
    struct Case {
        int mode;
        int count;
        bool ok;
    };
    for (const Case& c : {Case{1, 5, true}, Case{4, 5, true}, Case{1, 4096, true}, Case{4, 4096, true}, Case{1, 4097, false},
                          Case{4, 4097, false}, Case{1, 0, true}, Case{4, -3, true}}) {
        SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.count));
        // 4097 entries are built too, so a parser ignoring the limit would read them.
        OutputRecord record(c.mode, std::max(c.count, 0), 7);
        record.output.boxCount = c.count;
        ObstacleRuntime runtime;
        runtime.boxes.resize(3);
        runtime.resultError = "stale";
        EXPECT_EQ(ObstacleResultParser::parse(&record.output, c.mode, runtime), c.ok);
        EXPECT_EQ(runtime.resultAvailable, c.ok);
        EXPECT_EQ(runtime.resultError, c.ok ? QString() : kBadBoxes);
        EXPECT_EQ(runtime.algorithmState, c.ok ? 7 : ObstacleRuntime::kNoAlgorithmState);
        ASSERT_EQ(runtime.boxes.size(), c.ok ? static_cast<std::size_t>(std::max(c.count, 0)) : 0U);
        // Every field of every box, of both layouts.
        for (std::size_t i = 0; i < runtime.boxes.size(); ++i) {
            const ObstacleBox& box = runtime.boxes[i];
            ASSERT_FLOAT_EQ(box.x, static_cast<float>(i));
            ASSERT_FLOAT_EQ(box.y, 10.0F + static_cast<float>(i));
            ASSERT_FLOAT_EQ(box.z, 20.0F);
            ASSERT_FLOAT_EQ(box.width, 100.0F);
            ASSERT_FLOAT_EQ(box.height, 200.0F);
            ASSERT_FLOAT_EQ(box.depth, 300.0F);
            ASSERT_EQ(box.typeIndex, static_cast<int>(i % 3));
            ASSERT_EQ(box.typeName, c.mode == 4 ? QString("box%1").arg(i) : QString());
        }
    }
    ZrAlgorithmOutput noBoxes{};
    noBoxes.boxCount = 2;
    ObstacleRuntime runtime;
    EXPECT_FALSE(ObstacleResultParser::parse(&noBoxes, 4, runtime));
    EXPECT_EQ(runtime.resultError, kBadBoxes);
    OutputRecord record(1, 2);
    for (int mode : {0, 2, 3, 5, -1}) {
        EXPECT_FALSE(ObstacleResultParser::parse(&record.output, mode, runtime)) << mode;
        EXPECT_EQ(runtime.resultError, kNoResult);
        EXPECT_FALSE(runtime.resultAvailable);
    }
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

TEST(ObstacleResultParser, ChannelMasks)
{
    struct Case {
        int32_t minimum;
        int32_t maximum;
        quint32 mask;
    };
    for (const Case& c : {Case{0, 40, 0x7FFFFFFFU}, Case{1, 2, 0x3U}, Case{1, 1, 0x1U}, Case{2, 4, 0xEU},
                          Case{3, 2, 0U}, Case{0, 0, 0U}, Case{-10, 31, 0x7FFFFFFFU}, Case{31, 31, 0x40000000U},
                          Case{32, 40, 0U}, Case{1, 0, 0U}}) {
        EXPECT_EQ(ObstacleResultParser::channelMask(c.minimum, c.maximum), c.mask)
            << c.minimum << ".." << c.maximum;
    }
}

ZrDeviceInfo discoveryEntry(int32_t type, const std::string& ip, uint64_t handle)
{
    ZrDeviceInfo info;
    std::memset(&info, 0, sizeof(info));
    info.handle = handle;
    info.deviceType = type;
    std::memcpy(info.ip, ip.data(), ip.size());
    const std::string id = "id-" + std::to_string(type);
    std::memcpy(info.id, id.data(), id.size());
    std::memcpy(info.serial, "SN", 2);
    std::memcpy(info.firmware, "FW1", 3);
    std::memcpy(info.algorithmVersion, "ALG2", 4);
    std::memcpy(info.name, "cam", 3);
    return info;
}

TEST(DiscoveryListReader, ListsOnlyKAndPSeriesInOrderWithEveryText)
{
    const std::vector<ZrDeviceInfo> list = {discoveryEntry(0, "127.0.0.10", 1), discoveryEntry(1500, "127.0.0.11", 2),
                                            discoveryEntry(2108, "127.0.0.12", 3), discoveryEntry(5001, "127.0.0.13", 4),
                                            discoveryEntry(9999, "127.0.0.14", 5)};
    const std::vector<CameraDescriptor> result = DiscoveryListReader::read(list.data(), 5);
    ASSERT_EQ(result.size(), 2U);
    EXPECT_EQ(result[0].ip, QString("127.0.0.11"));
    EXPECT_EQ(result[0].discoveryHandle, 2U);
    EXPECT_EQ(result[1].ip, QString("127.0.0.12"));
    EXPECT_EQ(result[1].cameraType, 2);
    for (const CameraDescriptor& d : result) {
        EXPECT_EQ(d.serial, QString("SN"));
        EXPECT_EQ(d.firmware, QString("FW1"));
        EXPECT_EQ(d.algorithmVersion, QString("ALG2"));
        EXPECT_EQ(d.name, QString("cam"));
        EXPECT_EQ(d.id, QString("id-%1").arg(d.sdkDeviceType));
    }
    EXPECT_TRUE(DiscoveryListReader::read(nullptr, 3).empty());
    EXPECT_TRUE(DiscoveryListReader::read(list.data(), 0).empty());
    EXPECT_TRUE(DiscoveryListReader::read(list.data(), -1).empty());
}

TEST(DiscoveryListReader, ModelNamesAndFamilies)
{
    struct Case {
        int32_t type;
        const char* model;
        int family;
    };
    for (const Case& c : {Case{1005, "K7", 0}, Case{2999, "ZR-2999", 2}, Case{2003, "P3 Wide V1", 2},
                          Case{1000, "ZR-1000", 0}, Case{1999, "ZR-1999", 0}, Case{2000, "ZR-2000", 2},
                          Case{5001, "R8", 1}, Case{3000, "ZR-3000", -1}, Case{-7, "ZR--7", -1}}) {
        EXPECT_EQ(DiscoveryListReader::modelOf(c.type), QString(c.model)) << c.type;
        EXPECT_EQ(DiscoveryListReader::cameraTypeOf(c.type), c.family) << c.type;
    }
}

TEST(DiscoveryListReader, DepthRangeAndColourAsTheRecordStatesThem)
{
    struct Case {
        int32_t maxDepthMm;
        int32_t colorSensor;
        int expectedDepth;
        bool expectedRgb;
    };
    for (const Case& c : {Case{6000, ZR_COLOR_SENSOR_NONE, 6000, false}, Case{8000, ZR_COLOR_SENSOR_PRESENT, 8000, true},
                          Case{0, ZR_COLOR_SENSOR_UNKNOWN, 0, true}, Case{-7, 9, 0, true}}) {
        ZrDeviceInfo record = discoveryEntry(2108, "127.0.0.12", 3);
        record.maxDepthMm = c.maxDepthMm;
        record.colorSensor = c.colorSensor;
        const std::vector<CameraDescriptor> result = DiscoveryListReader::read(&record, 1);
        ASSERT_EQ(result.size(), 1U);
        EXPECT_EQ(result[0].maxDepthMm, c.expectedDepth) << c.maxDepthMm;
        EXPECT_EQ(result[0].rgbAvailable, c.expectedRgb) << c.colorSensor;
    }
}

TEST(DiscoveryListReader, TextsNeverRunPastTheirField)
{
    ZrDeviceInfo info = discoveryEntry(1005, "127.0.0.1", 9);
    std::memset(info.id, 'A', sizeof(info.id));   // no terminating zero
    std::memset(info.serial, 'S', sizeof(info.serial));
    const std::vector<CameraDescriptor> result = DiscoveryListReader::read(&info, 1);
    ASSERT_EQ(result.size(), 1U);
    EXPECT_EQ(result[0].id, QString(32, QChar('A')));
    EXPECT_EQ(result[0].serial, QString(32, QChar('S')));
    EXPECT_EQ(result[0].ip, QString("127.0.0.1"));
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
            EXPECT_EQ(tracker.lastResolved(), s.expected);
            EXPECT_EQ(tracker.lastDeviceIndex(), s.device);
            EXPECT_EQ(tracker.lastJsonIndex(), s.json);
        }
        tracker.reset();
        EXPECT_EQ(tracker.lastResolved(), -1);
        EXPECT_EQ(tracker.lastJsonIndex(), -1);
        EXPECT_EQ(tracker.resolve(3, 5), 3);
    }
}

}  // namespace
}  // namespace hazard_desk
