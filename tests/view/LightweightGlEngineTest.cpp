#include "LightweightGlEngine.h"

#include "BuildLog.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>

namespace hazard_desk {
namespace {

constexpr int kWaitMs = 10000;

bool waitFor(const std::function<bool()>& condition) {
    return test::waitUntil(condition, kWaitMs);
}

// Points along X from offset, spacing apart.
corVane::ColorCloudPtr makeCloud(int points, float offset = 0.0f, float spacing = 100.0f) {
    auto cloud = std::make_shared<corVane::ColorCloud>();
    for (int i = 0; i < points; ++i) {
        pcl::PointXYZRGB p;
        p.x = offset + static_cast<float>(i) * spacing;
        p.y = p.z = 0.0f;
        cloud->points.push_back(p);
    }
    return cloud;
}

using test::BuildLog;

bool shownAndExposed(LightweightGlEngine& engine) {
    engine.resize(320, 240);
    engine.show();
    return QTest::qWaitForWindowExposed(&engine);
}

// Blocks the build thread inside the start hook until released.
struct BuildGate {
    std::atomic<bool> entered{false};
    std::atomic<bool> released{false};
    void install(LightweightGlEngine& engine) {
        engine.setBuildStartHook([this](const std::string&) {
            entered = true;
            while (!released) {
                QThread::msleep(1);
            }
        });
    }
};

using Ids = std::vector<std::string>;

// Empty clouds and empty names are ignored among them.
TEST(LightweightGlEngineTest, SubmissionsOfOneNameMergeBeforeTheBuild) {
    LightweightGlEngine engine;
    BuildLog log(engine);
    engine.setBuildThreadPaused(true);
    engine.updateCloud(makeCloud(3), "live");
    engine.updateCloud(makeCloud(5), "live");
    engine.updateCloud(makeCloud(2), "zone");
    engine.updateCloud(nullptr, "live");
    engine.updateCloud(std::make_shared<corVane::ColorCloud>(), "live");
    engine.updateCloud(makeCloud(3), "");
    engine.removeCloud("", true);
    EXPECT_EQ(engine.mergedCount(), 1u);
    engine.setBuildThreadPaused(false);
    ASSERT_TRUE(waitFor([&] { return log.count() == 2; }));
    QTest::qWait(50);
    EXPECT_EQ(engine.buildCount(), 2u);
    EXPECT_EQ(engine.cloudIds(), (Ids{"live", "zone"}));
    ASSERT_TRUE(engine.currentCloud());
    EXPECT_EQ(engine.currentCloud()->size(), 2u) << "the last accepted cloud";
}

// A clear, or an immediate removal of the name, while its build is under
// way discards that build; a submission afterwards is newer and shows again.
TEST(LightweightGlEngineTest, ClearOrImmediateRemovalDiscardsTheBuildInFlight) {
    const std::vector<std::pair<const char*, std::function<void(LightweightGlEngine&)>>> cases = {
        {"clear", [](LightweightGlEngine& engine) { engine.clearClouds(); }},
        {"immediate removal", [](LightweightGlEngine& engine) { engine.removeCloud("live", true); }},
    };
    for (const auto& [name, discard] : cases) {
        SCOPED_TRACE(name);
        LightweightGlEngine engine;
        BuildLog log(engine);
        BuildGate gate;
        gate.install(engine);
        engine.updateCloud(makeCloud(4), "live");
        ASSERT_TRUE(waitFor([&] { return gate.entered.load(); }));
        discard(engine);
        gate.released = true;
        ASSERT_TRUE(waitFor([&] { return log.count() == 1; }));
        EXPECT_FALSE(log.storedAt(0));
        EXPECT_TRUE(engine.cloudIds().empty());

        engine.updateCloud(makeCloud(4), "live");
        ASSERT_TRUE(waitFor([&] { return log.count() == 2; }));
        EXPECT_TRUE(log.storedAt(1));
        EXPECT_EQ(engine.cloudIds(), Ids{"live"});
    }
}

TEST(LightweightGlEngineTest, DeferredRemovalsApplyOnCommitUnlessResubmitted) {
    LightweightGlEngine engine;
    BuildLog log(engine);
    engine.updateCloud(makeCloud(2), "zone_a");
    engine.updateCloud(makeCloud(2), "zone_b");
    ASSERT_TRUE(waitFor([&] { return log.count() == 2; }));
    ASSERT_EQ(engine.cloudIds(), (Ids{"zone_a", "zone_b"}));

    // The overlay's rebuild: mark all, resubmit what still exists, commit.
    engine.setBuildThreadPaused(true);
    engine.removeCloud("zone_a", false);
    engine.removeCloud("zone_b", false);
    EXPECT_EQ(engine.cloudIds(), (Ids{"zone_a", "zone_b"})) << "a mark alone removes nothing";
    engine.updateCloud(makeCloud(3), "zone_a");
    engine.commitRemovals();
    EXPECT_EQ(engine.cloudIds(), Ids{"zone_a"});
    engine.setBuildThreadPaused(false);
    ASSERT_TRUE(waitFor([&] { return log.count() == 3; }));
    EXPECT_TRUE(log.storedAt(2));
    EXPECT_EQ(engine.cloudIds(), Ids{"zone_a"});

    // A committed removal also drops a stale build of that name still queued.
    engine.setBuildThreadPaused(true);
    engine.updateCloud(makeCloud(3), "zone_a");
    engine.removeCloud("zone_a", false);
    engine.commitRemovals();
    engine.setBuildThreadPaused(false);
    ASSERT_TRUE(waitFor([&] { return log.count() == 4; }));
    EXPECT_FALSE(log.storedAt(3));
    EXPECT_TRUE(engine.cloudIds().empty());
}

TEST(LightweightGlEngineTest, StandardViewKeysFollowTheForwardAxis) {
    struct Case {
        bool xForward;
        Qt::Key key;
        Eigen::Vector3d direction;
        const char* label;
    };
    const Case cases[] = {
        {false, Qt::Key_BracketLeft, {0, 1, 0}, "front, Y forward"},
        {true, Qt::Key_BracketLeft, {1, 0, 0}, "front, X forward"},
        {true, Qt::Key_Semicolon, {0, 1, 0}, "left, X forward"},
        {true, Qt::Key_Comma, {0, 0, -1}, "top"},
    };
    for (const Case& c : cases) {
        LightweightGlEngine engine;
        engine.setXForward(c.xForward);
        QTest::keyClick(&engine, c.key);
        EXPECT_NEAR((engine.camera().viewDirection() - c.direction).norm(), 0.0, 1e-9) << c.label;
    }
}

// The first fit waits for a cloud; each cloud is drawn one vertex per
// thinning cell, and nothing once the clouds are cleared.
TEST(LightweightGlEngineTest, FitWaitsForTheFirstCloudAndThinnedCloudsAreDrawn) {
    LightweightGlEngine engine;
    BuildLog log(engine);
    ASSERT_TRUE(shownAndExposed(engine));
    const Eigen::Vector3d eyeBefore = engine.camera().eye;
    QTest::keyClick(&engine, Qt::Key_R);
    engine.grabFramebuffer();
    EXPECT_NEAR((engine.camera().eye - eyeBefore).norm(), 0.0, 1e-12) << "no clouds: the camera stays";
    EXPECT_TRUE(engine.fitPending());

    const corVane::ColorCloudPtr dense = makeCloud(100, 1000.0f, 1.0f);  // x 1000..1099: four cells of 30
    engine.setThinningCell(0);
    engine.updateCloud(dense, "all");
    ASSERT_TRUE(waitFor([&] { return log.count() == 1; }));
    engine.grabFramebuffer();
    EXPECT_FALSE(engine.fitPending());
    EXPECT_NEAR((engine.camera().target - Eigen::Vector3d(1049.5, 0, 0)).norm(), 0.0, 1e-3);
    EXPECT_NEAR((engine.camera().viewDirection() - Eigen::Vector3d(0, 1, 0)).norm(), 0.0, 1e-9)
        << "the first fit is the front view";
    EXPECT_NEAR(engine.sceneRadius(), 49.5f, 1e-3);

    engine.setThinningCell(30);
    engine.updateCloud(dense, "thinned");
    ASSERT_TRUE(waitFor([&] { return log.count() == 2; }));
    engine.grabFramebuffer();
    EXPECT_EQ(engine.lastVertexCount(), 100 + 4);
    engine.clearClouds();
    engine.grabFramebuffer();
    EXPECT_EQ(engine.lastVertexCount(), 0);
}

}  // namespace
}  // namespace hazard_desk
