#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ObstacleResultParser.h"
#include "ZrCameraTypes.h"

using hazard_desk::ObstacleResultParser;
using hazard_desk::ObstacleRuntime;

namespace {

// A hand-built algorithm output with n boxes of the V1 or V2 layout; box i has
// x = i, typeIndex = i % 3 and (V2) the name "box<i>".
struct OutputRecord {
    ZrAlgorithmOutput output{};
    std::vector<ZrObstacleBoxV1> v1;
    std::vector<ZrObstacleBoxV2> v2;

    OutputRecord(int mode, int count, int state = 0)
    {
        output.state = state;
        output.boxCount = count;
        if (mode == 1) {
            v1.resize(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i) {
                fill(v1[static_cast<std::size_t>(i)], i);
            }
            output.boxes = v1.empty() ? nullptr : v1.data();
        } else {
            v2.resize(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i) {
                ZrObstacleBoxV2& box = v2[static_cast<std::size_t>(i)];
                fill(box, i);
                const std::string name = "box" + std::to_string(i);
                box.nameLength = static_cast<int32_t>(name.size());
                std::memcpy(box.name, name.data(), name.size());
            }
            output.boxes = v2.empty() ? nullptr : v2.data();
        }
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

}  // namespace

TEST(ObstacleResultParser, CopiesEveryFieldOfBothLayouts)
{
    for (int mode : {1, 4}) {
        SCOPED_TRACE(mode);
        OutputRecord record(mode, 5, 7);
        ObstacleRuntime runtime;
        runtime.resultError = "stale";
        ASSERT_TRUE(ObstacleResultParser::parse(&record.output, mode, runtime));
        EXPECT_TRUE(runtime.resultAvailable);
        EXPECT_TRUE(runtime.resultError.isEmpty());
        EXPECT_EQ(runtime.algorithmState, 7);
        ASSERT_EQ(runtime.boxes.size(), 5U);
        for (int i = 0; i < 5; ++i) {
            const auto& box = runtime.boxes[static_cast<std::size_t>(i)];
            EXPECT_FLOAT_EQ(box.x, static_cast<float>(i));
            EXPECT_FLOAT_EQ(box.y, 10.0F + static_cast<float>(i));
            EXPECT_FLOAT_EQ(box.z, 20.0F);
            EXPECT_FLOAT_EQ(box.width, 100.0F);
            EXPECT_FLOAT_EQ(box.height, 200.0F);
            EXPECT_FLOAT_EQ(box.depth, 300.0F);
            EXPECT_EQ(box.typeIndex, i % 3);
            EXPECT_EQ(box.typeName, mode == 4 ? QString("box%1").arg(i) : QString());
        }
    }
}

TEST(ObstacleResultParser, BoxCountLimit)
{
    struct Case {
        int mode;
        int count;
        bool ok;
    };
    for (const Case& c : {Case{1, 4096, true}, Case{4, 4096, true}, Case{1, 4097, false}, Case{4, 4097, false},
                          Case{1, 0, true}, Case{4, -3, true}}) {
        SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.count));
        // 4097 entries are built too, so a parser ignoring the limit would read them.
        OutputRecord record(c.mode, std::max(c.count, 0));
        record.output.boxCount = c.count;
        ObstacleRuntime runtime;
        runtime.boxes.resize(3);
        EXPECT_EQ(ObstacleResultParser::parse(&record.output, c.mode, runtime), c.ok);
        EXPECT_EQ(runtime.resultAvailable, c.ok);
        if (c.ok) {
            EXPECT_EQ(runtime.boxes.size(), static_cast<std::size_t>(std::max(c.count, 0)));
            if (c.count == 4096) {
                EXPECT_FLOAT_EQ(runtime.boxes.back().x, 4095.0F);
            }
        } else {
            EXPECT_TRUE(runtime.boxes.empty());
            EXPECT_EQ(runtime.resultError, QString("障碍物结果中的框数量或指针无效"));
            EXPECT_EQ(runtime.algorithmState, ObstacleRuntime::kNoAlgorithmState);
        }
    }
}

TEST(ObstacleResultParser, RejectsMissingOutputArraysAndModes)
{
    ZrAlgorithmOutput output{};
    output.boxCount = 2;
    output.boxes = nullptr;
    ObstacleRuntime runtime;
    EXPECT_FALSE(ObstacleResultParser::parse(&output, 4, runtime));
    EXPECT_EQ(runtime.resultError, QString("障碍物结果中的框数量或指针无效"));

    OutputRecord record(1, 2);
    for (int mode : {0, 2, 3, 5, -1}) {
        EXPECT_FALSE(ObstacleResultParser::parse(&record.output, mode, runtime)) << mode;
        EXPECT_EQ(runtime.resultError, QString("当前帧没有避障算法结果"));
        EXPECT_FALSE(runtime.resultAvailable);
    }
    EXPECT_FALSE(ObstacleResultParser::parse(nullptr, 1, runtime));
    EXPECT_EQ(runtime.resultError, QString("当前帧没有避障算法结果"));
}

TEST(ObstacleResultParser, V2NameLengthIsClampedTo512Bytes)
{
    struct Case {
        int32_t length;
        int expected;
    };
    for (const Case& c : {Case{600, 512}, Case{512, 512}, Case{511, 511}, Case{1, 1}, Case{0, 0}, Case{-5, 0},
                          Case{2147483647, 512}}) {
        SCOPED_TRACE(c.length);
        OutputRecord record(4, 2);
        std::memset(record.v2[0].name, 'n', sizeof(record.v2[0].name));
        record.v2[0].nameLength = c.length;
        // The bytes after the name field must never be read as part of it.
        std::memset(record.v2[0].reserved2, 'X', sizeof(record.v2[0].reserved2));
        ObstacleRuntime runtime;
        ASSERT_TRUE(ObstacleResultParser::parse(&record.output, 4, runtime));
        EXPECT_EQ(runtime.boxes[0].typeName, QString(c.expected, QChar('n')));
        EXPECT_EQ(runtime.boxes[1].typeName, QString("box1"));
    }
}

TEST(ObstacleResultParser, V2NameIsItsLengthInUtf8EvenPastAZeroByte)
{
    const std::string name("行人\0x", 8);   // 6 bytes of UTF-8, a zero byte, one more
    struct Case {
        int32_t length;
        QString expected;
    };
    const Case cases[] = {{6, QString::fromUtf8("行人")}, {8, QString::fromUtf8(name.data(), 8)}};
    for (const Case& c : cases) {
        OutputRecord record(4, 1);
        std::memcpy(record.v2[0].name, name.data(), name.size());
        record.v2[0].nameLength = c.length;
        ObstacleRuntime runtime;
        ASSERT_TRUE(ObstacleResultParser::parse(&record.output, 4, runtime));
        EXPECT_EQ(runtime.boxes[0].typeName, c.expected) << c.length;
        EXPECT_EQ(runtime.boxes[0].typeName.size(), c.expected.size());
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
