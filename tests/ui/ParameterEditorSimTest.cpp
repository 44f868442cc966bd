// The editor end to end: the window and its real worker against the virtual
// cameras of the built-in scene. With HD_SCREENSHOT_DIR set, the test saves
// what the window shows once the camera has taken the new zone.
#include "HazardDeskWindow.h"

#include "ApplyConfirmationAnswer.h"
#include "ParameterEditorController.h"
#include "RotationConversion.h"
#include "RuntimeStatusFormatter.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"
#include "QtPrinters.h"
#include "VirtualCameraWindowTest.h"

#include <QAbstractButton>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableWidget>


namespace hazard_desk {
namespace {

using test::waitUntil;

constexpr const char* kP3Wide = "127.0.10.3";
// The scene's mount of the P3 Wide: roll 80°, pitch -180°, yaw 90°, 350 mm
// above the floor.
constexpr double kMountRoll = 80.0;
constexpr double kMountPitch = -180.0;
constexpr double kMountYaw = 90.0;
constexpr double kMountHeightMm = 350.0;
// About 2° between two rotation matrices, entry by entry.
constexpr double kRotationTolerance = 0.035;

using ParameterEditorSimTest = test::VirtualCameraWindowTest;

// The P3 Wide leaves the factory with the default pose and zones: connect,
// calibrate the floor, shape template 1 around the person standing to the
// left, apply, and see the camera's read-back and its verdict follow.
TEST_F(ParameterEditorSimTest, CommissionTheUncommissionedP3Wide) {
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
    QStringList statusLines;
    QObject::connect(window->statusBar(), &QStatusBar::messageChanged,
                     [&statusLines](const QString& line) { statusLines << line; });
    // The confirmation lists what the write changes on the camera.
    QStringList changed;
    test::answerNextConfirmation(*window, [&changed](ApplyConfirmationDialog& dialog) {
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("applyDifferenceTable"));
        for (int row = 0; table != nullptr && row < table->rowCount(); ++row) {
            changed << table->item(row, 0)->text();
        }
        dialog.findChild<QAbstractButton*>(QStringLiteral("confirmApplyButton"))->click();
    });
    window->requestApplyCurrent();
    EXPECT_TRUE(changed.contains(QStringLiteral("Zones.1.DangerZone"))) << changed.join(QLatin1Char(' ')).toStdString();
    ASSERT_TRUE(window->state().busy.applyBusy) << window->state().feedbackMessage.toStdString();
    ASSERT_TRUE(waitUntil([&] { return !window->state().busy.applyBusy; }, 40000));
    ASSERT_EQ(text("dirtyStateLabel"), QStringLiteral("模板 1 已保存并下发，已切换为运行模板"))
        << window->state().feedbackTooltip.toStdString();
    EXPECT_EQ(window->state().activeTemplateIndex, 1);
    // Each step of the write showed in the status bar as it came, and is in the runtime log once.
    const QStringList progress = statusLines.filter(QRegularExpression(QStringLiteral("^模板 1 · .+（\\d+ ms）$")));
    EXPECT_GE(progress.size(), 3) << statusLines.join(QLatin1Char('\n')).toStdString();
    auto* log = window->findChild<QListWidget*>(QStringLiteral("runtimeLogList"));
    for (const QString& line : progress) {
        EXPECT_EQ(log->findItems(line, Qt::MatchContains).size(), 1) << line.toStdString();
    }

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

}  // namespace
}  // namespace hazard_desk
