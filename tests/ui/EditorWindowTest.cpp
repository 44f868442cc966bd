// The parameter editor and the file operations in the window, driven through
// their widgets and through the window's slots as the worker would answer.
// The real worker is cut off, so nothing but the test speaks for the camera;
// the file dialogs are answered by the test.
#include "HazardDeskWindow.h"

#include "ApplyConfirmationDialog.h"
#include "DeviceJsonWriter.h"
#include "DocumentValidator.h"
#include "FieldIssueMarker.h"
#include "FileExchangeController.h"
#include "ObstacleCameraWorker.h"
#include "ParameterEditorController.h"
#include "ValidationFieldMap.h"
#include "WindowSettings.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "ScriptedFileDialogs.h"
#include "WindowTestFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

namespace hazard_desk {
namespace {

QString json(const WorkstationDocument& document) {
    return QString::fromStdString(dumpWorkstationDocument(document, 2));
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class ParameterEditorTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The apply confirmation has a test of its own.
        WindowSettings::setSkipApplyConfirmation(true);
        QObject::disconnect(window->worker(), nullptr, window.get(), nullptr);
        auto scripted = std::make_unique<test::ScriptedFileDialogs>();
        dialogs = scripted.get();
        window->fileExchange()->setDialogs(std::move(scripted));
        ASSERT_TRUE(folder.isValid());
    }
    QDoubleSpinBox* spin(const char* name) const { return child<QDoubleSpinBox>(name); }
    QString text(const char* name) const { return child<QLabel>(name)->text(); }
    ParameterEditorController& editor() const { return *window->editor(); }
    const ZoneTemplate& draftTemplate(int index) const {
        return editor().draft().templates[static_cast<std::size_t>(index)];
    }
    void readBack(const WorkstationDocument& document, const QString& deviceJson = QString()) {
        window->onConfigurationRead(json(document), deviceJson, 4);
    }
    void edit() { child<QAbstractButton>("editingModeSwitch")->setChecked(true); }

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

    test::ScriptedFileDialogs* dialogs = nullptr;
    QTemporaryDir folder;
};

void answerNextMessageBox(QMessageBox::StandardButton answer) {
    test::answerNextDialog<QMessageBox>([answer](QMessageBox* box) { box->button(answer)->click(); });
}

const QString kDistanceOrderZh = QStringLiteral("必须满足 0 ≤ 危险近端 X0 < 危险远端 X1 < 警告远端 X2");

// An invalid edit is marked and never sent; once mended, a failed apply
// keeps the draft and names its stage, and a confirmed one becomes the backup.
TEST_F(ParameterEditorTest, AnEditIsValidatedMarkedAndAppliedOrKept) {
    edit();
    spin("rectDangerNearSpin")->setValue(5000);
    EXPECT_EQ(std::get<SquareZones>(draftTemplate(1).body).lowerLimit, 5000.0);
    // The validator's message, in the window's language.
    EXPECT_EQ(text("jsonValidationLabel"), QStringLiteral("templates[1].distance：%1").arg(kDistanceOrderZh));
    QStringList marked;
    for (QWidget* w : editor().markedFields()) {
        marked << w->objectName();
        EXPECT_TRUE(w->property(FieldIssueMarker::kErrorProperty).toBool());
        EXPECT_EQ(w->toolTip(), kDistanceOrderZh);
    }
    EXPECT_EQ(marked, (QStringList{"rectDangerNearSpin", "rectDangerFarSpin", "rectWarningFarSpin"}));

    connectK7();
    edit();
    QSignalSpy applySpy(window.get(), &HazardDeskWindow::applyConfigurationRequested);
    window->requestApplyCurrent();
    EXPECT_EQ(applySpy.count(), 0);
    EXPECT_TRUE(lastLogRow().contains(kDistanceOrderZh)) << lastLogRow().toStdString();

    spin("rectDangerNearSpin")->setValue(100);
    EXPECT_TRUE(editor().markedFields().isEmpty());
    EXPECT_FALSE(spin("rectDangerNearSpin")->property(FieldIssueMarker::kErrorProperty).toBool());
    EXPECT_EQ(text("jsonValidationLabel"), QStringLiteral("参数校验通过"));

    spin("rectWarningFarSpin")->setValue(2500);
    const std::pair<const char*, const char*> failures[] = {
        {"连接检查", "模板 1 下发未完成（连接检查）。草稿已保留，请查看日志后重试。"},
        {"上传 V1 掩码", "模板 1 的区域图上传失败，配置可能不完整。请检查网络后重新下发该模板。"},
    };
    for (const auto& [stage, banner] : failures) {
        window->requestApplyCurrent();
        window->onConfigurationApplied(false, QString::fromUtf8(stage), QStringLiteral("超时"), QString(), QString());
        EXPECT_EQ(window->state().feedbackMessage, QString::fromUtf8(banner));
        EXPECT_EQ(window->state().feedbackTooltip, QStringLiteral("超时"));
        EXPECT_EQ(text("jsonValidationLabel"), QString::fromUtf8(stage) + QStringLiteral("：超时"));
        EXPECT_EQ(std::get<SquareZones>(draftTemplate(1).body).decelerationUpper, 2500.0);
        EXPECT_EQ(std::get<SquareZones>(editor().backup().templates[1].body).decelerationUpper, 1300.0);
        EXPECT_FALSE(window->isBusy());
    }

    window->requestApplyCurrent();
    ASSERT_EQ(applySpy.count(), 3);
    EXPECT_FALSE(child("rectangleParametersGroup")->isEnabled()) << "locked while the apply runs";
    window->onConfigurationApplied(true, QStringLiteral("完成"), QString(), applySpy.at(2).at(0).toString(), QString());
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(editor().draft(), editor().backup());
    EXPECT_EQ(window->state().activeTemplateIndex, 1);
    EXPECT_FALSE(child("operationFeedbackLabel")->property("feedbackIsError").toBool());
    EXPECT_TRUE(child("rectangleParametersGroup")->isEnabled());
}

TEST_F(ParameterEditorTest, SwitchingTemplatesDropsTemplateEditsButKeepsTheSharedExtrinsics) {
    edit();
    const ZoneTemplate saved = editor().backup().templates[1];
    spin("rectWarningFarSpin")->setValue(4000);
    spin("extrinsicXSpin")->setValue(120);
    child<QSpinBox>("templateIndexSpin")->setValue(2);
    EXPECT_EQ(editor().editingIndex(), 2);
    EXPECT_EQ(draftTemplate(1), saved) << "the unsent edit of template 1 is gone";
    EXPECT_EQ(editor().draft().extrinsics.x, 120.0);
    EXPECT_EQ(text("dirtyStateLabel"), QStringLiteral("共用外参有未下发修改"));

    spin("extrinsicXSpin")->setValue(0);
    child<QSpinBox>("templateIndexSpin")->setValue(1);
    EXPECT_EQ(spin("rectWarningFarSpin")->value(), 1300.0);
    EXPECT_EQ(text("dirtyStateLabel"), QStringLiteral("当前模板已从备份加载"));
}

// Angles outside the boxes' range are shown modulo 360, not clamped.
TEST_F(ParameterEditorTest, LoadShowsAnglesModulo360AndThePointCountRounded) {
    WorkstationDocument document;
    document.extrinsics.roll = 450;
    document.extrinsics.pitch = -190;
    document.templates[1].options.groundVoid.minPoints = 10.6;
    editor().loadDocument(document);
    EXPECT_EQ(spin("extrinsicRollSpin")->value(), 90.0);
    EXPECT_EQ(spin("extrinsicPitchSpin")->value(), 170.0);
    EXPECT_EQ(child<QSpinBox>("groundHoleMinimumPointSpin")->value(), 11);
}

TEST_F(ParameterEditorTest, FreeBoxTemplateIsReadOnlyButItsOptionsAreSent) {
    connectK7();
    WorkstationDocument document;
    document.templates[1] = defaultZoneTemplate(1, TemplateType::SquareFree);
    readBack(document);
    edit();
    EXPECT_FALSE(child("rectangleParametersGroup")->isEnabled());
    EXPECT_FALSE(child("zoneTypeCombo")->isEnabled());
    EXPECT_EQ(spin("rectWarningFarSpin")->value(), 3000.0) << "the warning box's far edge";

    child<QCheckBox>("simpleOutputCheck")->setChecked(true);
    QSignalSpy applySpy(window.get(), &HazardDeskWindow::applyConfigurationRequested);
    window->requestApplyCurrent();
    ASSERT_EQ(applySpy.count(), 1);
    const WorkstationDocument sent = parseWorkstationDocumentText(applySpy.at(0).at(0).toString().toStdString());
    EXPECT_EQ(sent.templates[1].body, document.templates[1].body);
    EXPECT_TRUE(sent.templates[1].options.semantic.pointCloudCompact);
    EXPECT_EQ(applySpy.at(0).at(1).toInt(), 4);
}

TEST_F(ParameterEditorTest, ZoneTypeChangeGivesTheDefaultSectorAndKeepsTheOptions) {
    edit();
    child<QCheckBox>("simpleOutputCheck")->setChecked(true);
    child<QComboBox>("zoneTypeCombo")->setCurrentIndex(1);
    ZoneTemplate expected = defaultZoneTemplate(1, TemplateType::Sector);
    expected.options.semantic.pointCloudCompact = true;
    EXPECT_EQ(draftTemplate(1), expected);
    // The shared angle reaches both records; the notify record stays absent.
    spin("sectorLeftAngleSpin")->setValue(-45);
    const auto& sector = std::get<SectorZones>(draftTemplate(1).body);
    EXPECT_EQ(sector.danger.leftAngle, -45.0);
    EXPECT_EQ(sector.warning.leftAngle, -45.0);
    EXPECT_FALSE(sector.notify.has_value());
}

// A confirmed apply is walked on the virtual camera.
TEST_F(ParameterEditorTest, ApplyAsksFirstAndNeverSendsWhatTheCameraRuns) {
    WindowSettings::setSkipApplyConfirmation(false);
    connectK7();
    // The read that follows a connection would start inside the dialog: done first.
    QCoreApplication::processEvents();
    window->onConfigurationReadFinished();
    const WorkstationDocument running;
    window->onActiveConfigurationUpdated(
        json(running), QString::fromStdString(buildDeviceDocument(running, nlohmann::json::object()).dump()), 4);
    edit();
    QSignalSpy applySpy(window.get(), &HazardDeskWindow::applyConfigurationRequested);
    const auto button = [](ApplyConfirmationDialog* dialog, const char* name) {
        return dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
    };

    QString summary;
    bool applyOffered = true;
    test::answerNextDialog<ApplyConfirmationDialog>([&](ApplyConfirmationDialog* dialog) {
        summary = dialog->findChild<QLabel*>(QStringLiteral("applySummaryLabel"))->text();
        applyOffered = button(dialog, "confirmApplyButton") != nullptr;
        button(dialog, "closeConfirmationButton")->click();
    });
    window->requestApplyCurrent();
    EXPECT_EQ(summary, QStringLiteral("草稿与相机当前运行的配置一致，无需下发。"));
    EXPECT_FALSE(applyOffered);
    EXPECT_EQ(applySpy.count(), 0);

    spin("rectWarningFarSpin")->setValue(2500);
    test::answerNextDialog<ApplyConfirmationDialog>([&](ApplyConfirmationDialog* dialog) {
        button(dialog, "cancelApplyButton")->click();
    });
    window->requestApplyCurrent();
    EXPECT_EQ(applySpy.count(), 0);
    EXPECT_FALSE(window->isBusy());
}

TEST_F(ParameterEditorTest, CalibrationResultIsDroppedWhenThePoseChangedMeanwhile) {
    connectK7();
    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    corVane::ColorCloudPtr cloud(new corVane::ColorCloud);
    cloud->push_back(pcl::PointXYZRGB());
    window->onFrameReady(QImage(), QImage(), QImage(), cloud, QVector<int>{0}, 1);
    edit();
    for (const bool moved : {true, false}) {
        SCOPED_TRACE(moved ? "moved" : "still");
        QSignalSpy calibrateSpy(window.get(), &HazardDeskWindow::groundCalibrationRequested);
        window->requestGroundCalibration();
        ASSERT_EQ(calibrateSpy.count(), 1);
        QVariantMap result = calibrateSpy.at(0).at(0).toMap();
        result.insert(QStringLiteral("initialPose"), calibrateSpy.at(0).at(0).toMap());
        result.insert(QStringLiteral("z"), 612.5);
        result.insert(QStringLiteral("roll"), 76.25);
        if (moved) {
            spin("extrinsicYSpin")->setValue(30);
        }
        const double zBefore = spin("extrinsicZSpin")->value();
        window->onGroundCalibrated(true, result, QStringLiteral("ZAVOV 地面标定完成"));
        EXPECT_FALSE(window->state().busy.groundCalibrationBusy);
        if (moved) {
            EXPECT_EQ(spin("extrinsicZSpin")->value(), zBefore);
            EXPECT_TRUE(lastLogRow().contains(QStringLiteral("标定期间外参已变化，已忽略旧结果，请重新标定")));
        } else {
            EXPECT_EQ(spin("extrinsicZSpin")->value(), 612.5);
            EXPECT_EQ(editor().draft().extrinsics.roll, 76.25);
            EXPECT_EQ(editor().draft().extrinsics.y, 30.0);
        }
    }
}

TEST_F(ParameterEditorTest, DeviceReadReplacesBothDocuments) {
    connectK7();
    edit();
    spin("rectWarningFarSpin")->setValue(2500);
    WorkstationDocument camera;
    camera.activeIndex = 0;
    std::get<SquareZones>(camera.templates[0].body).lowerLimit = 200;
    readBack(camera, QStringLiteral(R"({"ZoneIndex":0,"Zones":{"0":{},"1":{}}})"));
    EXPECT_EQ(editor().backup(), camera);
    EXPECT_EQ(editor().draft(), camera);
    EXPECT_EQ(child<QSpinBox>("templateIndexSpin")->value(), 0);
    EXPECT_EQ(spin("rectDangerNearSpin")->value(), 200.0);
    EXPECT_EQ(text("dirtyStateLabel"), QStringLiteral("当前参数与备份一致")) << "no edit is left unsent";
}

TEST_F(ParameterEditorTest, IoModeComboFollowsTheCamera) {
    auto* combo = child<QComboBox>("ioHardwareModeCombo");
    connectK7();
    window->onIoHardwareModeRead(1, QString());
    EXPECT_EQ(combo->currentData().toInt(), 1);

    QSignalSpy ioSpy(window.get(), &HazardDeskWindow::ioModesRequested);
    combo->setCurrentIndex(0);
    window->requestIoHardwareMode(0);
    ASSERT_EQ(ioSpy.count(), 1);
    EXPECT_EQ(ioSpy.at(0), (QList<QVariant>{-1, 0}));
    EXPECT_EQ(combo->currentData().toInt(), 0) << "the choice stays while it is sent";
    window->onIoHardwareModeRead(1, QString());   // the camera kept its mode
    window->onIoModesApplied(false, QStringLiteral("IO 模式回读不一致：请求 0，设备 1"));
    EXPECT_EQ(combo->currentData().toInt(), 1);
    EXPECT_EQ(window->state().feedbackMessage, QStringLiteral("IO 模式下发失败，请检查连接后重试。"));

    window->onConnectionChanged(false, test::k7Descriptor(), QStringLiteral("相机已断开"));
    EXPECT_EQ(combo->currentIndex(), -1);
}

TEST_F(ParameterEditorTest, RestoreDefaultsAsksFirst) {
    edit();
    spin("rectDangerNearSpin")->setValue(700);
    answerNextMessageBox(QMessageBox::No);
    child<QAbstractButton>("restoreDefaultsButton")->click();
    EXPECT_EQ(std::get<SquareZones>(draftTemplate(1).body).lowerLimit, 700.0);
    answerNextMessageBox(QMessageBox::Yes);
    child<QAbstractButton>("restoreDefaultsButton")->click();
    EXPECT_EQ(draftTemplate(1), defaultZoneTemplate(1, TemplateType::Square));
    EXPECT_EQ(spin("rectDangerNearSpin")->value(), 1000.0);
}

// Every path the validator can give for a template, made to fail one way at a
// time, names at least one field on the page that shows it, except a sector's
// near limit (not editable here) and a free box's notify box (not shown).
TEST(ValidationFieldMapTest, EveryEditableRuleReachesAField) {
    const double nan = std::nan("");
    struct Case {
        const char* what;
        TemplateType type;
        void (*breakIt)(ZoneTemplate&, double);
    };
    const Case cases[] = {
        {"square order", TemplateType::Square, [](ZoneTemplate& t, double) { std::get<SquareZones>(t.body).lowerLimit = 5000; }},
        {"sector radius order", TemplateType::Sector, [](ZoneTemplate& t, double) { std::get<SectorZones>(t.body).warning.radius = 1; }},
        {"sector angles", TemplateType::Sector, [](ZoneTemplate& t, double) { std::get<SectorZones>(t.body).danger.leftAngle = 60; }},
        {"sector NaN", TemplateType::Sector, [](ZoneTemplate& t, double n) { std::get<SectorZones>(t.body).warning.maxZ = n; }},
        {"free box", TemplateType::SquareFree, [](ZoneTemplate& t, double) { std::get<FreeBoxZones>(t.body).danger.minY = 9000; }},
        {"ground void", TemplateType::Square, [](ZoneTemplate& t, double) {
             t.options.groundVoid.enabled = true;
             t.options.groundVoid.resolution = 5000;
         }},
        {"semantic", TemplateType::Square, [](ZoneTemplate& t, double) {
             t.options.semantic.enabled = true;
             t.options.semantic.minX = 10;
         }},
    };
    for (const Case& c : cases) {
        WorkstationDocument document;
        document.templates[4] = defaultZoneTemplate(4, c.type);
        c.breakIt(document.templates[4], nan);
        const ValidationIssueList issues = validateWorkstationDocument(document);
        ASSERT_FALSE(issues.empty()) << c.what;
        for (const ValidationIssue& issue : issues) {
            EXPECT_FALSE(ValidationFieldMap::fieldsFor(issue.path, 4, c.type).isEmpty()) << c.what << ": " << issue.path;
        }
    }
}

// The file operations. What a frame's files hold is tested on the virtual K7's frames.
TEST_F(ParameterEditorTest, AFrameMissingOrUnwritableIsReportedInsteadOfTheSuccessLine) {
    click("exportFrameButton");
    ASSERT_EQ(dialogs->boxes.size(), 1);
    EXPECT_EQ(dialogs->boxes[0].title + dialogs->boxes[0].text, QStringLiteral("导出当前帧尚未收到实时帧"));
    EXPECT_TRUE(dialogs->questions.isEmpty()) << "no folder is asked for without a frame";
    dialogs->boxes.clear();

    ASSERT_TRUE(write(path("plain"), "x"));
    QImage depth(2, 2, QImage::Format_RGB888);
    depth.fill(Qt::gray);
    connectK7();
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
TEST_F(ParameterEditorTest, ConfigurationExportWritesTheValidDraftOnly) {
    edit();
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
    const WorkstationDocument& draft = editor().draft();
    EXPECT_EQ(std::get<SquareZones>(draft.templates[1].body).decelerationUpper, 2750.5);
    EXPECT_EQ(contents(target), QByteArray::fromStdString(dumpWorkstationDocument(draft, 2)));
    EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("hazard-desk.json")});
    EXPECT_EQ(logSince(rows), QStringList{QStringLiteral("配置已导出：%1").arg(QDir::toNativeSeparators(target))});
}

TEST_F(ParameterEditorTest, AnUnwritableTargetLeavesNoFileBehindAndSaysWhy) {
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

TEST_F(ParameterEditorTest, ImportedCameraJsonIsConvertedForTheSelectedGeneration) {
    const QByteArray device = R"({"R": [1, 0, 0, 0, 1, 0, 0, 0, 1], "T": [5, 6, 700], "ZoneIndex": 3,
        "Zones": {"3": {"ZoneType": "square", "DangerZone": [400, 900, -600, 600, 0, 1500],
                        "WarningZone": [900, 1700, -600, 600, 0, 1500], "NotifyZone": []}}})";
    ASSERT_TRUE(write(path("camera.txt"), device));
    QVariantMap v1Camera = test::k7Descriptor();
    v1Camera[QStringLiteral("sdkDeviceType")] = 2003;   // a V1 camera: the algorithm box holds 1
    v1Camera[QStringLiteral("cameraType")] = 2;
    window->onDevicesDiscovered(QVariantList{v1Camera});
    window->onConnectionChanged(true, v1Camera, QStringLiteral("已连接"));
    dialogs->answers << path("camera.txt");
    const int rows = log()->count();
    click("importJsonButton");

    ASSERT_TRUE(dialogs->boxes.isEmpty()) << dialogs->boxes.value(0).text.toStdString();
    EXPECT_EQ(editor().draft(), editor().backup());
    EXPECT_EQ(editor().draft().algorithmVersion, AlgorithmVersion::V1);
    EXPECT_EQ(editor().editingIndex(), 3);
    EXPECT_EQ(spin("rectWarningFarSpin")->value(), 1700.0);
    EXPECT_EQ(logSince(rows), QStringList{QStringLiteral("已导入配置：camera.txt")});
}

TEST_F(ParameterEditorTest, AFileThatIsNoConfigurationLeavesTheDraftAsItWas) {
    ASSERT_TRUE(write(path("array.json"), R"([{"version": 1, "templates": []}])"));
    const std::pair<const char*, QString> cases[] = {
        {"array.json", QStringLiteral("文件不是有效 JSON 对象")},
        {"missing.json", QStringLiteral("No such file or directory")},
    };
    edit();
    spin("rectWarningFarSpin")->setValue(2222.0);   // an unsent edit the failed imports keep
    const WorkstationDocument draft = editor().draft();
    const WorkstationDocument backup = editor().backup();
    for (const auto& [file, reason] : cases) {
        dialogs->boxes.clear();
        dialogs->answers << path(file);
        const int rows = log()->count();
        click("importJsonButton");
        ASSERT_EQ(dialogs->boxes.size(), 1) << file;
        EXPECT_EQ(dialogs->boxes[0].title, QStringLiteral("导入配置"));
        EXPECT_TRUE(dialogs->boxes[0].text.contains(reason)) << dialogs->boxes[0].text.toStdString();
        EXPECT_EQ(editor().draft(), draft) << file;
        EXPECT_EQ(editor().backup(), backup) << file;
        EXPECT_EQ(logSince(rows), QStringList{QStringLiteral("配置导入失败：%1（%2）").arg(QString::fromLatin1(file),
                                                                                      dialogs->boxes[0].text)});
    }
}

}  // namespace
}  // namespace hazard_desk
