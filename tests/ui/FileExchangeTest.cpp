// The window's file operations through their buttons, with the dialogs
// answered by the test. The real worker is cut off: the test plays the
// camera's frames and connection itself.
#include "HazardDeskWindow.h"

#include "FileExchangeController.h"
#include "ObstacleCameraWorker.h"
#include "ParameterEditorController.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "ScriptedFileDialogs.h"
#include "WindowTestFixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

namespace hazard_desk {
namespace {

using test::ScriptedFileDialogs;

QVariantMap camera(int deviceType, int cameraType) {
    return QVariantMap{{QStringLiteral("ip"), QStringLiteral("127.0.10.7")},
                       {QStringLiteral("id"), QStringLiteral("CAM7")},
                       {QStringLiteral("sdkDeviceType"), deviceType},
                       {QStringLiteral("cameraType"), cameraType}};
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class FileExchangeTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        QObject::disconnect(window->worker(), nullptr, window.get(), nullptr);
        auto scripted = std::make_unique<ScriptedFileDialogs>();
        dialogs = scripted.get();
        window->fileExchange()->setDialogs(std::move(scripted));
        ASSERT_TRUE(folder.isValid());
    }

    void click(const char* name) { child<QPushButton>(name)->click(); }
    QListWidget* log() const { return child<QListWidget>("runtimeLogList"); }
    // The untranslated messages of the rows from `from` on.
    QStringList logSince(int from) const {
        QStringList messages;
        for (int row = from; row < log()->count(); ++row) {
            messages << log()->item(row)->data(Qt::UserRole).toString();
        }
        return messages;
    }
    QStringList entries(const QString& path) const {
        return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    void connectCamera(int deviceType, int cameraType) {
        window->onDevicesDiscovered(QVariantList{camera(deviceType, cameraType)});
        window->onConnectionChanged(true, camera(deviceType, cameraType), QStringLiteral("已连接"));
    }
    QDoubleSpinBox* spin(const char* name) const { return child<QDoubleSpinBox>(name); }
    void unlockEditing() { child<QAbstractButton>("editingModeSwitch")->setChecked(true); }

    ScriptedFileDialogs* dialogs = nullptr;
    QTemporaryDir folder;
};

// The files of a frame and their contents: FileExchangeSimTest, on the virtual K7's frames.
TEST_F(FileExchangeTest, AFrameMissingOrUnwritableIsReportedInsteadOfTheSuccessLine) {
    click("exportFrameButton");
    ASSERT_EQ(dialogs->boxes.size(), 1);
    EXPECT_EQ(dialogs->boxes[0].title + dialogs->boxes[0].text, QStringLiteral("导出当前帧尚未收到实时帧"));
    EXPECT_TRUE(dialogs->questions.isEmpty()) << "no folder is asked for without a frame";
    dialogs->boxes.clear();

    ASSERT_TRUE(write(path("plain"), "x"));
    QImage depth(2, 2, QImage::Format_RGB888);
    depth.fill(Qt::gray);
    connectCamera(1005, 0);
    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    window->onFrameReady({}, depth, {}, {}, {}, 1);
    dialogs->answers << path("plain") + QStringLiteral("/frames");
    const int rows = log()->count();
    click("exportFrameButton");
    ASSERT_EQ(dialogs->boxes.size(), 1);
    EXPECT_EQ(dialogs->boxes[0].kind, QStringLiteral("warning"));
    EXPECT_TRUE(dialogs->boxes[0].text.startsWith(QStringLiteral("当前帧导出失败：cannot create folder")));
    ASSERT_EQ(logSince(rows).size(), 1);
    EXPECT_TRUE(logSince(rows)[0].startsWith(QStringLiteral("当前帧导出失败：")));
    EXPECT_TRUE(log()->item(log()->count() - 1)->text().contains(QStringLiteral("[ERR]")));
}

// An invalid draft is refused before any file is asked for; a valid one
// replaces the chosen file with exactly the draft.
TEST_F(FileExchangeTest, ConfigurationExportWritesTheValidDraftOnly) {
    unlockEditing();
    spin("rectDangerNearSpin")->setValue(1500);   // beyond the danger zone's far edge
    click("exportJsonButton");
    EXPECT_TRUE(dialogs->questions.isEmpty());
    ASSERT_EQ(dialogs->boxes.size(), 1);
    EXPECT_EQ(dialogs->boxes[0].title, QStringLiteral("导出配置"));
    EXPECT_TRUE(dialogs->boxes[0].text.contains(QStringLiteral("危险近端"))) << dialogs->boxes[0].text.toStdString();

    spin("rectDangerNearSpin")->setValue(300);
    spin("rectWarningFarSpin")->setValue(2750.5);
    const QString target = path("hazard-desk.json");
    ASSERT_TRUE(write(target, QByteArray(64 * 1024, ' ')));   // longer than the export
    dialogs->answers << target;
    const int rows = log()->count();
    click("exportJsonButton");
    const WorkstationDocument& draft = window->editor()->draft();
    EXPECT_EQ(std::get<SquareZones>(draft.templates[1].body).decelerationUpper, 2750.5);
    EXPECT_EQ(contents(target), QByteArray::fromStdString(dumpWorkstationDocument(draft, 2)));
    EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("hazard-desk.json")});
    EXPECT_EQ(logSince(rows), QStringList{QStringLiteral("配置已导出：%1").arg(QDir::toNativeSeparators(target))});
}

TEST_F(FileExchangeTest, AnUnwritableTargetLeavesNoFileBehindAndSaysWhy) {
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("taken/inside")));
    const std::pair<const char*, const char*> cases[] = {
        {"exportJsonButton", "导出配置"}, {"exportLogButton", "导出日志"}};
    for (const auto& [button, title] : cases) {
        for (const QString& target : {path("missing/file"), path("taken")}) {
            dialogs->boxes.clear();
            dialogs->answers << target;
            const int rows = log()->count();
            click(button);
            ASSERT_EQ(dialogs->boxes.size(), 1) << button;
            EXPECT_EQ(dialogs->boxes[0].title, QString::fromUtf8(title));
            EXPECT_FALSE(dialogs->boxes[0].text.isEmpty());
            ASSERT_EQ(logSince(rows).size(), 1);
            EXPECT_TRUE(logSince(rows)[0].contains(QDir::toNativeSeparators(target)));
            EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("taken")});
            EXPECT_EQ(entries(path("taken")), QStringList{QStringLiteral("inside")});
        }
    }
}

TEST_F(FileExchangeTest, ImportedCameraJsonIsConvertedForTheSelectedGeneration) {
    const QByteArray device = R"({"R": [1, 0, 0, 0, 1, 0, 0, 0, 1], "T": [5, 6, 700], "ZoneIndex": 3,
        "Zones": {"3": {"ZoneType": "square", "DangerZone": [400, 900, -600, 600, 0, 1500],
                        "WarningZone": [900, 1700, -600, 600, 0, 1500], "NotifyZone": []}}})";
    ASSERT_TRUE(write(path("camera.txt"), device));
    connectCamera(2003, 2);   // a V1 camera: the algorithm box holds 1
    dialogs->answers << path("camera.txt");
    const int rows = log()->count();
    click("importJsonButton");

    ASSERT_TRUE(dialogs->boxes.isEmpty()) << dialogs->boxes.value(0).text.toStdString();
    const ParameterEditorController& editor = *window->editor();
    EXPECT_EQ(editor.draft(), editor.backup());
    EXPECT_EQ(editor.draft().algorithmVersion, AlgorithmVersion::V1);
    EXPECT_EQ(editor.editingIndex(), 3);
    EXPECT_EQ(spin("rectWarningFarSpin")->value(), 1700.0);
    EXPECT_EQ(window->findChild<QPlainTextEdit*>(QStringLiteral("parameterJsonEdit"))->toPlainText(),
              QString::fromUtf8(device));
    EXPECT_EQ(logSince(rows), QStringList{QStringLiteral("已导入配置：camera.txt")});
}

TEST_F(FileExchangeTest, AFileThatIsNoConfigurationLeavesTheDraftAsItWas) {
    ASSERT_TRUE(write(path("array.json"), R"([{"version": 1, "templates": []}])"));
    const std::pair<const char*, QString> cases[] = {
        {"array.json", QStringLiteral("文件不是有效 JSON 对象")},
        {"missing.json", QStringLiteral("No such file or directory")},
    };
    unlockEditing();
    spin("rectWarningFarSpin")->setValue(2222.0);   // an unsent edit the failed imports keep
    const WorkstationDocument draft = window->editor()->draft();
    const WorkstationDocument backup = window->editor()->backup();
    for (const auto& [file, reason] : cases) {
        dialogs->boxes.clear();
        dialogs->answers << path(file);
        const int rows = log()->count();
        click("importJsonButton");
        ASSERT_EQ(dialogs->boxes.size(), 1) << file;
        EXPECT_EQ(dialogs->boxes[0].title, QStringLiteral("导入配置"));
        EXPECT_TRUE(dialogs->boxes[0].text.contains(reason)) << dialogs->boxes[0].text.toStdString();
        EXPECT_EQ(window->editor()->draft(), draft) << file;
        EXPECT_EQ(window->editor()->backup(), backup) << file;
        EXPECT_EQ(logSince(rows), QStringList{QStringLiteral("配置导入失败：%1（%2）").arg(QString::fromLatin1(file),
                                                                                      dialogs->boxes[0].text)});
    }
}

TEST_F(FileExchangeTest, RuntimeLogExportWritesEachRowAsShown) {
    window->appendLog(1, QStringLiteral("设备 127.0.10.7 响应慢"));
    QByteArray expected;
    for (int row = 0; row < log()->count(); ++row) {
        expected += log()->item(row)->text().toUtf8() + '\n';
    }
    dialogs->answers << path("runtime.txt");
    click("exportLogButton");
    EXPECT_EQ(contents(path("runtime.txt")), expected);
}

TEST_F(FileExchangeTest, CancelledDialogsChangeNothing) {
    const WorkstationDocument draft = window->editor()->draft();
    const int rows = log()->count();
    for (const char* button : {"exportJsonButton", "importJsonButton", "exportLogButton"}) {
        click(button);
    }
    EXPECT_EQ(dialogs->questions.size(), 3);
    EXPECT_TRUE(dialogs->boxes.isEmpty());
    EXPECT_EQ(window->editor()->draft(), draft);
    EXPECT_EQ(log()->count(), rows);
}

}  // namespace
}  // namespace hazard_desk
