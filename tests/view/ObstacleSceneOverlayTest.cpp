#include "ObstacleSceneOverlay.h"

#include "LightweightGlEngine.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"

#include <QTest>

#include <QEvent>

#include <limits>
#include <optional>
#include <vector>

namespace hazard_desk {
namespace {

TEST(ObstacleSceneOverlay, CameraInfoGivesRangeAndFieldOfView) {
    struct Case {
        int deviceType;
        double maxDepthMm;
        double horizontal, vertical;
        const char* fovText;
        const char* rangeText;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {2201, 6000, 140, 56, "P21 2D：140° × 56°", "SDK 最远距离：6.000 m"},
        {2108, 7499.6, 120, 80, "P20 3D：120° × 80°（公差 ±3°）", "SDK 最远距离：7.500 m"},
        {2109, 0, 120, 80, "P20 3D：120° × 80°（公差 ±3°）", "SDK 最远距离未获取"},
        {2110, -5, 120, 80, "P20 3D：120° × 80°（公差 ±3°）", "SDK 最远距离未获取"},
        {1005, 8000, 0, 0, "视场角未获取", "SDK 最远距离：8.000 m"},
        {0, nan, 0, 0, "视场角未获取", "SDK 最远距离未获取"},
    };
    LightweightGlEngine view;
    view.resize(320, 240);
    ObstacleSceneOverlay overlay(&view);
    EXPECT_TRUE(overlay.testAttribute(Qt::WA_TransparentForMouseEvents)) << "the view below still orbits";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deviceType);
        overlay.setCameraInfo(c.deviceType, c.maxDepthMm);
        EXPECT_EQ(overlay.fovHorizontal(), c.horizontal);
        EXPECT_EQ(overlay.fovVertical(), c.vertical);
        EXPECT_EQ(overlay.fovText(), QString::fromUtf8(c.fovText));
        EXPECT_EQ(overlay.legendLines().at(1),
                  QString::fromUtf8(c.fovText) + QStringLiteral(" | ") + QString::fromUtf8(c.rangeText));
    }
    overlay.setTranslator([](const QString& text) { return text == QStringLiteral("SDK 最远距离未获取")
                                                                ? QStringLiteral("SDK range unknown")
                                                                : text; });
    EXPECT_TRUE(overlay.legendLines().at(1).endsWith(QStringLiteral("SDK range unknown")));
    view.resize(400, 300);
    EXPECT_TRUE(test::waitUntil([&] { return overlay.geometry() == view.rect(); }, 1000)) << "it covers the view";
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

TEST(ObstacleSceneOverlay, RepaintsWhenTheViewMovesNotWhileItStandsStill) {
    LightweightGlEngine view;
    view.resize(320, 240);
    ObstacleSceneOverlay overlay(&view);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    test::waitUntil([] { return false; }, 300);
    PaintCounter counter(overlay);
    test::waitUntil([] { return false; }, 300);
    EXPECT_EQ(counter.paints, 0) << "nine timer ticks over a still view";
    view.setCameraPose(CloudEngineInterface::Vector3{-3000, 0, 1500}, std::nullopt, std::nullopt);
    EXPECT_TRUE(test::waitUntil([&] { return counter.paints > 0; }, 1000));
    const int afterOrbit = counter.paints;
    overlay.setCameraInfo(2108, 6000);
    EXPECT_TRUE(test::waitUntil([&] { return counter.paints > afterOrbit; }, 1000)) << "new camera information";
}

}  // namespace
}  // namespace hazard_desk
