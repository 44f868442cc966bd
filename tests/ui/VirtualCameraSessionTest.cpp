// The window and its real worker against the virtual cameras of the built-in
// scene: commissioning the P3 Wide through the editor, the scene in the 3D
// view with the K7's pallet driving into the danger zone, and the K7's frame
// and configuration through the file operations. With HD_SCREENSHOT_DIR set,
// the tests save what the window shows there.
#include "HazardDeskWindow.h"

#include "ApplyConfirmationDialog.h"
#include "FileExchangeController.h"
#include "LightweightGlEngine.h"
#include "ObstacleSceneOverlay.h"
#include "ParameterEditorController.h"
#include "PointCloudPane.h"
#include "RotationConversion.h"
#include "RuntimeStatusFormatter.h"
#include "ZoomableImageView.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"
#include "QtPrinters.h"
#include "ScriptedFileDialogs.h"
#include "VirtualCameraWindowTest.h"

#include <QAbstractButton>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <pcl/io/pcd_io.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace hazard_desk {
namespace {

using test::waitUntil;
using VirtualCameraSessionTest = test::VirtualCameraWindowTest;

constexpr const char* kP3Wide = "127.0.10.3";
// The scene's mount of the P3 Wide: roll 80°, pitch -180°, yaw 90°, 350 mm
// above the floor.
constexpr double kMountRoll = 80.0;
constexpr double kMountPitch = -180.0;
constexpr double kMountYaw = 90.0;
constexpr double kMountHeightMm = 350.0;
// About 2° between two rotation matrices, entry by entry.
constexpr double kRotationTolerance = 0.035;

// The P3 Wide leaves the factory with the default pose and zones: connect,
// calibrate the floor, shape template 1 around the person standing to the
// left, apply, and see the camera's read-back and its verdict follow.
TEST_F(VirtualCameraSessionTest, CommissionTheUncommissionedP3Wide) {
    const ParameterEditorController& editor = *window->editor();
    const auto spin = [this](const char* name) { return window->findChild<QDoubleSpinBox*>(QString::fromLatin1(name)); };
    const auto text = [this](const char* name) { return window->findChild<QLabel*>(QString::fromLatin1(name))->text(); };
    const auto verdict = [this] { return RuntimeStatusFormatter::ioStatus(window->state().runtimeSnapshot); };
    window->connectOnStartup(QString::fromLatin1(kP3Wide));
    ASSERT_TRUE(waitUntil([&] { return window->state().cloudReady && !window->isBusy(); }, 30000)) << "no stream";
    ASSERT_FALSE(editor.lastDeviceJson().isEmpty()) << "the configuration is read after connecting";

    window->findChild<QAbstractButton*>(QStringLiteral("editingModeSwitch"))->setChecked(true);
    window->requestGroundCalibration();
    ASSERT_TRUE(waitUntil([&] { return !window->state().busy.groundCalibrationBusy; }, 15000));
    ASSERT_EQ(text("dirtyStateLabel"), QStringLiteral("地面标定结果已写入草稿，尚未下发"));
    // The same orientation as the mount, whichever of its two angle triples.
    const Extrinsics& calibrated = editor.draft().extrinsics;
    const RotationMatrix found = rotationFromEulerDegrees(calibrated.roll, calibrated.pitch, calibrated.yaw);
    const RotationMatrix mount = rotationFromEulerDegrees(kMountRoll, kMountPitch, kMountYaw);
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_NEAR(found[i], mount[i], kRotationTolerance) << "entry " << i << ", roll " << calibrated.roll
                                                            << ", pitch " << calibrated.pitch << ", yaw " << calibrated.yaw;
    }
    EXPECT_NEAR(calibrated.z, kMountHeightMm, 30.0);

    // Template 1 around the person at x 2500..2900, y 1300..1700; the pallet
    // driving along y -500..500 stays outside.
    const std::pair<const char*, double> zone[] = {{"rectYMinSpin", 1200},       {"rectYMaxSpin", 1800},
                                                   {"rectZMinSpin", 100},        {"rectZMaxSpin", 1700},
                                                   {"rectWarningFarSpin", 3200}, {"rectDangerFarSpin", 3000},
                                                   {"rectDangerNearSpin", 2300}};
    for (const auto& [name, value] : zone) {
        spin(name)->setValue(value);
    }
    const Extrinsics sentPose = editor.draft().extrinsics;
    // The confirmation lists what the write changes on the camera.
    QStringList changed;
    test::answerNextDialog<ApplyConfirmationDialog>([&changed](ApplyConfirmationDialog* dialog) {
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("applyDifferenceTable"));
        for (int row = 0; table != nullptr && row < table->rowCount(); ++row) {
            changed << table->item(row, 0)->text();
        }
        dialog->findChild<QAbstractButton*>(QStringLiteral("confirmApplyButton"))->click();
    });
    window->requestApplyCurrent();
    EXPECT_TRUE(changed.contains(QStringLiteral("Zones.1.DangerZone"))) << changed.join(QLatin1Char(' ')).toStdString();
    ASSERT_TRUE(window->state().busy.applyBusy) << window->state().feedbackMessage.toStdString();
    ASSERT_TRUE(waitUntil([&] { return !window->state().busy.applyBusy; }, 40000));
    ASSERT_EQ(text("dirtyStateLabel"), QStringLiteral("模板 1 已保存并下发，已切换为运行模板"))
        << window->state().feedbackTooltip.toStdString();
    EXPECT_EQ(window->state().activeTemplateIndex, 1);

    // The verdict follows: the person stands in the new danger zone (the
    // pallet passing in front hides it now and then).
    ASSERT_TRUE(waitUntil([&] { return verdict() == 2; }, 10000)) << "verdict " << verdict();
    if (!qEnvironmentVariableIsEmpty("HD_SCREENSHOT_DIR")) {
        EXPECT_TRUE(window->grab().save(QDir(qEnvironmentVariable("HD_SCREENSHOT_DIR")).filePath("editor-applied.png")));
    }

    // The camera's own read-back holds the zone and the calibrated pose.
    window->requestReadDevice();
    ASSERT_TRUE(waitUntil([&] { return !window->isBusy(); }, 15000));
    const auto& square = std::get<SquareZones>(editor.backup().templates[1].body);
    EXPECT_NEAR(square.lowerLimit, 2300.0, 0.01);
    EXPECT_NEAR(square.rangeRight, 1800.0, 0.01);
    const Extrinsics& readPose = editor.backup().extrinsics;
    const RotationMatrix read = rotationFromEulerDegrees(readPose.roll, readPose.pitch, readPose.yaw);
    const RotationMatrix sent = rotationFromEulerDegrees(sentPose.roll, sentPose.pitch, sentPose.yaw);
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_NEAR(read[i], sent[i], 1e-4) << "entry " << i;
    }
    EXPECT_NEAR(readPose.z, sentPose.z, 0.01);
}

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

    const QString directory = qEnvironmentVariable("HD_SCREENSHOT_DIR");
    if (!directory.isEmpty()) {
        EXPECT_TRUE(window->grab().save(QDir(directory).filePath(QStringLiteral("live.png"))));
    }
}

// With HD_FILES_DIR set, the files are written there and kept.
TEST_F(VirtualCameraSessionTest, TheVirtualK7sFrameAndConfigurationGoToFilesAndBack) {
    QTemporaryDir temporary;
    const QString folder = qEnvironmentVariableIsEmpty("HD_FILES_DIR") ? temporary.path()
                                                                       : qEnvironmentVariable("HD_FILES_DIR");
    auto scripted = std::make_unique<test::ScriptedFileDialogs>();
    test::ScriptedFileDialogs& dialogs = *scripted;
    window->fileExchange()->setDialogs(std::move(scripted));
    window->connectOnStartup(QString::fromLatin1(kK7));
    ASSERT_TRUE(waitUntil([&] { return window->state().cloudReady && !window->isBusy(); }, 15000));
    ASSERT_FALSE(window->editor()->lastDeviceJson().isEmpty());

    const QString frameFolder = QDir(folder).filePath(QStringLiteral("frame"));
    dialogs.answers << frameFolder;
    window->findChild<QPushButton*>(QStringLiteral("exportFrameButton"))->click();
    // No event ran since the click: the depth view still shows the frame exported.
    const QImage shownDepth = window->findChild<ZoomableImageView*>(QStringLiteral("depthView"))->image();
    ASSERT_TRUE(dialogs.boxes.isEmpty()) << dialogs.boxes.value(0).text.toStdString();
    const QDir frame(frameFolder);
    QStringList prefixes;
    for (const QString& file : frame.entryList(QDir::Files, QDir::Name)) {
        prefixes << file.section(QLatin1Char('_'), 0, 0);
    }
    EXPECT_EQ(prefixes, (QStringList{"amplitude", "cloud", "depth", "rgb"}));
    const QStringList depth = frame.entryList({QStringLiteral("depth_*.png")});
    ASSERT_EQ(depth.size(), 1);
    EXPECT_EQ(QImage(frame.filePath(depth[0])).convertToFormat(shownDepth.format()), shownDepth);
    const QStringList cloud = frame.entryList({QStringLiteral("cloud_*.pcd")});
    ASSERT_EQ(cloud.size(), 1);
    corVane::ColorCloud points;
    ASSERT_EQ(pcl::io::loadPCDFile(frame.filePath(cloud[0]).toStdString(), points), 0);
    EXPECT_GT(points.size(), 1000U);
}

}  // namespace
}  // namespace hazard_desk
