// The scene in the window's 3D view: which zones it shows, the boxes the
// camera reports, and the virtual K7 end to end with its pallet driving into
// the danger zone. With HD_SCREENSHOT_DIR set, the end-to-end test saves
// what the window shows at that moment there.
#include "HazardDeskWindow.h"

#include "ClipSpaceProjector.h"
#include "LightweightGlEngine.h"
#include "ObstacleSceneOverlay.h"
#include "PointCloudPane.h"
#include "RuntimeStatusFormatter.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"
#include "VirtualCameraWindowTest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QSettings>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace hazard_desk {
namespace {

using test::waitUntil;
using Ids = std::vector<std::string>;

constexpr const char* kK7 = "127.0.10.1";

bool hasCloud(const LightweightGlEngine& view, const char* name) {
    const Ids ids = view.cloudIds();
    return std::find(ids.begin(), ids.end(), std::string(name)) != ids.end();
}

int redPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
        }
    }
    return count;
}

class HazardDeskWindowSceneTest : public test::VirtualCameraWindowTest {
protected:
    void SetUp() override {
        VirtualCameraWindowTest::SetUp();
        view = window->findChild<PointCloudPane*>()->engine();
    }

    LightweightGlEngine* view = nullptr;
};

// Which zones are shown when is ShownSceneConfiguration's rule; here, that
// the window hands it the editor's draft, the connection and the camera's
// result.
TEST_F(HazardDeskWindowSceneTest, ZonesFollowTheEditorAndBoxesTheCamerasResult) {
    auto* editSwitch = window->findChild<QAbstractButton*>(QStringLiteral("editingModeSwitch"));
    ASSERT_NE(editSwitch, nullptr);
    waitUntil([] { return false; }, 200);
    EXPECT_FALSE(hasCloud(*view, "zone_danger")) << "a window just opened shows no zones";
    editSwitch->setChecked(true);
    EXPECT_TRUE(waitUntil([&] { return view->cloudIds() == Ids{"zone_danger", "zone_warning"}; }));
    editSwitch->setChecked(false);
    // Connected, the camera's running configuration is shown, and it is not known yet.
    window->onConnectionChanged(true, {{QStringLiteral("ip"), QStringLiteral("127.0.10.250")}}, QStringLiteral("已连接"));
    EXPECT_TRUE(waitUntil([&] { return !hasCloud(*view, "zone_danger"); }));

    waitUntil([] { return false; }, 300);   // the worker's answers to the start-up requests
    const QVariantMap box{{QStringLiteral("x"), 1200.0},    {QStringLiteral("y"), 0.0},
                          {QStringLiteral("z"), 500.0},     {QStringLiteral("width"), 400.0},
                          {QStringLiteral("height"), 600.0}, {QStringLiteral("depth"), 1000.0}};
    for (const bool result : {true, false, true}) {
        window->onRuntimeUpdated({{QStringLiteral("resultAvailable"), result}, {QStringLiteral("boxes"), QVariantList{box}}});
        EXPECT_TRUE(waitUntil([&] { return hasCloud(*view, "detected_boxes") == result; })) << "result " << result;
    }
    window->onConnectionChanged(false, {}, QStringLiteral("相机已断开，句柄已释放"));
    EXPECT_TRUE(waitUntil([&] { return !hasCloud(*view, "detected_boxes"); }));
}

// The K7 of the built-in scene runs its commissioned template: danger 300..1500
// mm ahead, warning to 2500 mm. Its pallet drives between 700 and 3300 mm
// every 8 s; while the camera says "stop" the pallet is in the danger zone.
TEST_F(HazardDeskWindowSceneTest, VirtualPalletInTheDangerZoneIsRedInCloudAndDepth) {
    window->connectOnStartup(QString::fromLatin1(kK7));
    ASSERT_TRUE(waitUntil([&] { return window->state().connected; }, 15000)) << "no connection to " << kK7;
    ASSERT_TRUE(waitUntil([&] { return window->state().cloudReady && !window->isBusy(); }, 15000));
    ASSERT_TRUE(waitUntil([&] { return hasCloud(*view, "zone_danger") && hasCloud(*view, "zone_warning"); }, 5000))
        << "the running configuration's zones";
    EXPECT_EQ(window->sceneOverlay()->maxDepthMm(), 8000.0);
    EXPECT_EQ(window->sceneOverlay()->extrinsics().z, 600.0) << "the running configuration's mount";

    // The frame shown while the camera says "stop" with the pallet as its box.
    QVariantMap pallet;
    const bool stopped = waitUntil(
        [&] {
            const QVariantMap& runtime = window->state().runtimeSnapshot;
            const QVariantList boxes = runtime.value(QStringLiteral("boxes")).toList();
            if (RuntimeStatusFormatter::ioStatus(runtime) != 2 || boxes.isEmpty()) {
                return false;
            }
            pallet = boxes.first().toMap();
            // Deep enough that its face is well inside, not at the zone's edge.
            const double face = pallet.value(QStringLiteral("x")).toDouble() -
                                pallet.value(QStringLiteral("width")).toDouble() / 2;
            return face < 1300.0 && redPixels(window->shownDepth()) > 2000;
        },
        20000);
    ASSERT_TRUE(stopped) << "the pallet never stood in the danger zone with red depth pixels";

    // In the 3D view, the pallet's face is drawn red where it projects (a
    // quarter of its width off centre, clear of the axes at Y = 0).
    const QImage frame = view->grabFramebuffer();
    const ClipSpaceProjector projector(view->viewProjection(), frame.width(), frame.height());
    auto value = [&](const char* key) { return pallet.value(QString::fromLatin1(key)).toDouble(); };
    const QVector3D onFace(static_cast<float>(value("x") - value("width") / 2),
                           static_cast<float>(value("y") + value("height") / 4), static_cast<float>(value("z")));
    const std::optional<QPointF> pixel = projector.pointInFront(onFace);
    ASSERT_TRUE(pixel.has_value() && frame.rect().contains(pixel->toPoint()));
    // The view thins the cloud to a 30 mm grid: look at the points around
    // that pixel, not at the gaps between them.
    int drawn = 0;
    int red = 0;
    for (int dy = -4; dy <= 4; ++dy) {
        for (int dx = -4; dx <= 4; ++dx) {
            const QPoint at = pixel->toPoint() + QPoint(dx, dy);
            const QColor c = frame.rect().contains(at) ? frame.pixelColor(at) : QColor(Qt::black);
            drawn += c.red() + c.green() + c.blue() > 120 ? 1 : 0;
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60 ? 1 : 0;
        }
    }
    EXPECT_GE(red, 5);
    EXPECT_GE(red * 10, drawn * 8) << red << " of " << drawn << " drawn pixels are red";

    const QString directory = qEnvironmentVariable("HD_SCREENSHOT_DIR");
    if (!directory.isEmpty()) {
        EXPECT_TRUE(window->grab().save(QDir(directory).filePath(QStringLiteral("live.png"))));
    }
}

}  // namespace
}  // namespace hazard_desk
