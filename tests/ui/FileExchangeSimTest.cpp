// The file operations on a live camera: the window and its real worker
// streaming the virtual K7. With HD_FILES_DIR set, the files are written
// there and kept.
#include "HazardDeskWindow.h"

#include "FileExchangeController.h"
#include "ParameterEditorController.h"
#include "WorkstationJsonWriter.h"
#include "ZoomableImageView.h"
#include "ZrSimControl.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"
#include "QtPrinters.h"
#include "ScriptedFileDialogs.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <pcl/io/pcd_io.h>

#include <memory>

namespace hazard_desk {
namespace {

using test::ScriptedFileDialogs;
using test::waitUntil;

constexpr const char* kK7 = "127.0.10.1";

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(FileExchangeSimTest, TheVirtualK7sFrameAndConfigurationGoToFilesAndBack) {
    qunsetenv("ZR_SIM_SCENE");
    qunsetenv("ZR_SIM_STATE_DIR");
    ZrSim_Reset();
    QSettings().clear();
    QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);
    QTemporaryDir temporary;
    const QString folder = qEnvironmentVariableIsEmpty("HD_FILES_DIR") ? temporary.path()
                                                                       : qEnvironmentVariable("HD_FILES_DIR");
    HazardDeskWindow window;
    auto scripted = std::make_unique<ScriptedFileDialogs>();
    ScriptedFileDialogs& dialogs = *scripted;
    window.fileExchange()->setDialogs(std::move(scripted));
    window.show();
    window.connectOnStartup(QString::fromLatin1(kK7));
    ASSERT_TRUE(waitUntil([&] { return window.state().cloudReady && !window.isBusy(); }, 15000));
    ASSERT_FALSE(window.editor()->lastDeviceJson().isEmpty());

    const QString frameFolder = QDir(folder).filePath(QStringLiteral("frame"));
    dialogs.answers << frameFolder;
    window.findChild<QPushButton*>(QStringLiteral("exportFrameButton"))->click();
    // No event ran since the click: the depth view still shows the frame exported.
    const QImage shownDepth = window.findChild<ZoomableImageView*>(QStringLiteral("depthView"))->image();
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

    // The camera's configuration, exported, imported and exported again: the
    // export holds the draft as the editor shows it, and the import brings
    // back exactly that.
    const QString exported = QDir(folder).filePath(QStringLiteral("hazard-desk.json"));
    const QString again = QDir(folder).filePath(QStringLiteral("hazard-desk-again.json"));
    dialogs.answers << exported << exported << again;
    window.findChild<QPushButton*>(QStringLiteral("exportJsonButton"))->click();
    window.findChild<QPushButton*>(QStringLiteral("importJsonButton"))->click();
    EXPECT_EQ(QByteArray::fromStdString(dumpWorkstationDocument(window.editor()->backup(), 2)), fileBytes(exported));
    window.findChild<QPushButton*>(QStringLiteral("exportJsonButton"))->click();
    ASSERT_TRUE(dialogs.boxes.isEmpty()) << dialogs.boxes.value(0).text.toStdString();
    EXPECT_FALSE(fileBytes(exported).isEmpty());
    EXPECT_EQ(fileBytes(again), fileBytes(exported));
}

}  // namespace
}  // namespace hazard_desk
