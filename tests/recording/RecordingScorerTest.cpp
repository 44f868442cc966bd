// Scoring a configuration against recorded points: levels and thresholds on
// hand-made frames, and the stop frames of a recording of the virtual camera
// whose object path is known.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "RecordingReader.h"
#include "RecordingScorer.h"
#include "RecordingWriter.h"
#include "SceneRenderer.h"
#include "WorkstationDocument.h"

namespace hazard_desk::recording {
namespace {

// Camera frame = vehicle frame: no rotation, no offset.
WorkstationDocument freeBoxDocument(const BoxZone& danger, const BoxZone& warning, const BoxZone& notify) {
    WorkstationDocument document;
    document.extrinsics = Extrinsics{0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    document.activeIndex = 3;
    FreeBoxZones zones;
    zones.danger = danger;
    zones.warning = warning;
    zones.notify = notify;
    document.templates[3].body = zones;
    return document;
}

void addPoints(RecordedFrame& frame, int count, float x, float y, float z) {
    for (int i = 0; i < count; ++i) {
        frame.xyz.insert(frame.xyz.end(), {x, y, z});
    }
}

TEST(RecordingScorer, CountsEachPointOnceAtItsMostSevereLevelAndAppliesTheThreshold) {
    // Danger and warning overlap on x 900..1000; the danger box holds the origin.
    const WorkstationDocument document = freeBoxDocument({-100, 1000, -500, 500, -100, 1000},
                                                         {900, 2000, -500, 500, -100, 1000},
                                                         {2000, 3000, -500, 500, -100, 1000});
    const RecordingScorer scorer(document, -1, 20);
    EXPECT_EQ(scorer.templateIndex(), 3);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        int danger, overlap, warning, notify, origin, nonFinite;
        Verdict verdict;
        std::array<std::uint32_t, 3> points;
    };
    const Case cases[] = {
        {"nothing", 0, 0, 0, 0, 0, 0, Verdict::Safe, {0, 0, 0}},
        {"danger at the threshold", 20, 0, 0, 0, 0, 0, Verdict::Stop, {20, 0, 0}},
        {"danger below it, warning at it", 19, 0, 20, 0, 0, 0, Verdict::Warning, {19, 20, 0}},
        {"the overlap counts as danger only", 0, 20, 0, 0, 0, 0, Verdict::Stop, {20, 0, 0}},
        {"notify alone never stops", 0, 0, 0, 500, 0, 0, Verdict::Safe, {0, 0, 500}},
        {"no-return and non-finite points do not count", 0, 0, 0, 0, 50, 50, Verdict::Safe, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedFrame frame;
        addPoints(frame, c.danger, 500, 0, 500);
        addPoints(frame, c.overlap, 950, 0, 500);
        addPoints(frame, c.warning, 1500, 0, 500);
        addPoints(frame, c.notify, 2500, 0, 500);
        addPoints(frame, c.origin, 0, 0, 0);
        addPoints(frame, c.nonFinite, nan, 0, 500);
        const FrameScore score = scorer.score(frame);
        EXPECT_EQ(score.verdict, c.verdict);
        EXPECT_EQ(score.points, c.points);
    }
    EXPECT_THROW(RecordingScorer(document, 20), std::out_of_range);
}

// The virtual camera watches a pallet drive through a danger box hung above
// the floor. The camera sees the pallet's front face, at x = frontX(t); the
// frame must be "stop" exactly when that face is inside the box. Frames
// within 150 mm of the box's ends are not recorded, so noise cannot decide.
TEST(RecordingScorer, StopsExactlyOnTheFramesWhereTheRecordedObjectIsInTheDangerZone) {
    zrsim::CameraSetup camera;
    camera.depth.width = 160;
    camera.depth.height = 120;
    camera.depth.fx = camera.depth.fy = 120.0;
    camera.depth.cx = 79.5;
    camera.depth.cy = 59.5;
    camera.depth.maxDepthMm = 8000;
    camera.mount = zrsim::MountSpec{75.0, -180.0, 90.0, 0.0, 0.0, 600.0};
    camera.noiseMm = 0.0;
    zrsim::SceneObject pallet;
    pallet.label = "pallet";
    pallet.min = {1300.0, -300.0, 0.0};
    pallet.max = {1900.0, 300.0, 800.0};
    pallet.motion = zrsim::MotionSpec{0, 900.0, 4.0};
    const zrsim::SceneRenderer renderer(camera, {pallet});
    auto frontX = [](double t) { return 1300.0 + 900.0 * std::sin(2.0 * M_PI * t / 4.0); };
    constexpr double kDangerNear = 1000.0;
    constexpr double kDangerFar = 1600.0;
    constexpr double kMargin = 150.0;

    const std::string path = ::testing::TempDir() + "hd_score_" + std::to_string(::getpid()) + ".mcap";
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(path));
    std::vector<bool> expectedStop;
    std::uint32_t sequence = 0;
    for (int k = 0; k < 80; ++k) {
        const double t = k * 0.05;
        const double x = frontX(t);
        if (std::abs(x - kDangerNear) < kMargin || std::abs(x - kDangerFar) < kMargin) {
            continue;
        }
        expectedStop.push_back(x > kDangerNear && x < kDangerFar);
        zrsim::RenderedFrame frame;
        renderer.render(t, static_cast<std::uint64_t>(k + 1), false, 1.0f, frame);
        FrameRecord record;
        record.sequence = ++sequence;
        record.timeNs = static_cast<std::uint64_t>(k) * 50000000ULL;
        record.depth.width = frame.width;
        record.depth.height = frame.height;
        record.depth.step = static_cast<std::uint32_t>(frame.width * 2);
        record.depth.encoding = "16UC1";
        record.depth.data = reinterpret_cast<const std::uint8_t*>(frame.depth.data());
        record.points.data = reinterpret_cast<const std::uint8_t*>(frame.xyz.data());
        record.points.count = static_cast<std::size_t>(frame.width) * frame.height;
        ASSERT_TRUE(writer.writeFrame(record));
    }
    ASSERT_TRUE(writer.close());
    ASSERT_GT(std::count(expectedStop.begin(), expectedStop.end(), true), 5);
    ASSERT_GT(std::count(expectedStop.begin(), expectedStop.end(), false), 5);

    WorkstationDocument document = freeBoxDocument({kDangerNear, kDangerFar, -500, 500, 200, 1000},
                                                   {kDangerFar, 2200, -500, 500, 200, 1000},
                                                   {2200, 3000, -500, 500, 200, 1000});
    document.extrinsics.roll = 75.0;
    document.extrinsics.pitch = -180.0;
    document.extrinsics.yaw = 90.0;
    document.extrinsics.z = 600.0;
    const RecordingScorer scorer(document);
    RecordingReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    std::vector<bool> stops;
    RecordingReader::Visitor visitor;
    visitor.pointsOnly = true;
    visitor.frame = [&](const RecordedFrame& frame) {
        stops.push_back(scorer.score(frame).verdict == Verdict::Stop);
        return true;
    };
    ASSERT_TRUE(reader.read(visitor)) << reader.error();
    EXPECT_EQ(stops, expectedStop);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace hazard_desk::recording
