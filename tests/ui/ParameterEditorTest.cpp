// The parameter editor in the window, driven through its widgets and through
// the window's slots as the worker would answer. The real worker is cut off,
// so nothing but the test speaks for the camera.
#include "HazardDeskWindow.h"

#include "ApplyConfirmationAnswer.h"
#include "DeviceJsonWriter.h"
#include "DocumentValidator.h"
#include "FieldIssueMarker.h"
#include "ObstacleCameraWorker.h"
#include "ParameterEditorController.h"
#include "ValidationFieldMap.h"
#include "WindowSettings.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "WindowTestFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>

#include <cmath>

namespace hazard_desk {
namespace {

QString json(const WorkstationDocument& document) {
    return QString::fromStdString(dumpWorkstationDocument(document, 2));
}

class ParameterEditorTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The apply confirmation has a test of its own.
        WindowSettings::setSkipApplyConfirmation(true);
        QObject::disconnect(window->worker(), nullptr, window.get(), nullptr);
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
    EXPECT_TRUE(lastLogRow().contains(QStringLiteral("模板 1"))) << lastLogRow().toStdString();
    EXPECT_TRUE(lastLogRow().contains(kDistanceOrderZh)) << lastLogRow().toStdString();

    spin("rectDangerNearSpin")->setValue(100);
    EXPECT_TRUE(editor().markedFields().isEmpty());
    EXPECT_TRUE(spin("rectDangerNearSpin")->toolTip().isEmpty());
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
    EXPECT_EQ(editor().applyTemplateIndex(), 1);
    window->onConfigurationApplied(true, QStringLiteral("完成"), QString(), applySpy.at(2).at(0).toString(), QString());
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(std::get<SquareZones>(editor().backup().templates[1].body).decelerationUpper, 2500.0);
    EXPECT_EQ(editor().draft(), editor().backup());
    EXPECT_EQ(window->state().activeTemplateIndex, 1);
    EXPECT_EQ(editor().applyTemplateIndex(), -1);
    EXPECT_FALSE(child("operationFeedbackLabel")->property("feedbackIsError").toBool());
    EXPECT_TRUE(child("rectangleParametersGroup")->isEnabled());
}

TEST_F(ParameterEditorTest, MoreThanTenIssuesShowTenLinesAndTheCountOfTheRest) {
    WorkstationDocument document;
    for (int i = 0; i < 13; ++i) {
        std::get<SquareZones>(document.templates[static_cast<std::size_t>(i)].body).lowerLimit = 9000;
    }
    editor().loadDocument(document);
    QString message;
    EXPECT_FALSE(editor().validateDraft(&message));
    const QStringList lines = message.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 11);
    EXPECT_TRUE(lines[9].startsWith(QStringLiteral("templates[9].distance：")));
    EXPECT_EQ(lines[10], QStringLiteral("另有 3 项错误"));
    const QStringList shown = text("jsonValidationLabel").split(QLatin1Char('\n'));
    ASSERT_EQ(shown.size(), 11);
    EXPECT_EQ(shown[9], QStringLiteral("templates[9].distance：%1").arg(kDistanceOrderZh));
    EXPECT_EQ(shown[10], lines[10]);
}

TEST_F(ParameterEditorTest, SwitchingTemplatesDropsTemplateEditsButKeepsTheSharedExtrinsics) {
    edit();
    const ZoneTemplate saved = editor().backup().templates[1];
    spin("rectWarningFarSpin")->setValue(4000);
    spin("extrinsicXSpin")->setValue(120);
    child<QSpinBox>("templateIndexSpin")->setValue(2);
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("当前选择模板：2"));
    EXPECT_EQ(editor().editingIndex(), 2);
    EXPECT_EQ(draftTemplate(1), saved) << "the unsent edit of template 1 is gone";
    EXPECT_EQ(editor().draft().extrinsics.x, 120.0);
    EXPECT_EQ(text("dirtyStateLabel"), QStringLiteral("共用外参有未下发修改"));

    spin("extrinsicXSpin")->setValue(0);
    child<QSpinBox>("templateIndexSpin")->setValue(1);
    EXPECT_EQ(spin("rectWarningFarSpin")->value(), 1300.0);
    EXPECT_EQ(text("dirtyStateLabel"), QStringLiteral("当前模板已从备份加载"));
}

TEST_F(ParameterEditorTest, LoadShowsAnglesModulo360AndThePointCountRounded) {
    struct Case {
        double roll, pitch, minPoints;
        double shownRoll, shownPitch;
        int shownPoints;
    };
    const Case cases[] = {{450, -180, 10.6, 90, -180, 11}, {-190, 200, 10.4, 170, -160, 10}};
    for (const Case& c : cases) {
        WorkstationDocument document;
        document.extrinsics.roll = c.roll;
        document.extrinsics.pitch = c.pitch;
        document.templates[1].options.groundVoid.minPoints = c.minPoints;
        editor().loadDocument(document);
        EXPECT_EQ(spin("extrinsicRollSpin")->value(), c.shownRoll);
        EXPECT_EQ(spin("extrinsicPitchSpin")->value(), c.shownPitch);
        EXPECT_EQ(child<QSpinBox>("groundHoleMinimumPointSpin")->value(), c.shownPoints);
    }
}

TEST_F(ParameterEditorTest, UncheckingTheForkliftWindowWritesZeros) {
    WorkstationDocument document;
    SemanticOptions& semantic = document.templates[1].options.semantic;
    semantic.minX = -100;
    semantic.maxX = 200;
    editor().loadDocument(document);
    auto* forklift = child<QCheckBox>("forkliftEnhanceCheck");
    EXPECT_TRUE(forklift->isChecked());
    edit();
    EXPECT_TRUE(spin("forkliftMaxXSpin")->isEnabled());
    forklift->setChecked(false);
    const SemanticOptions& written = draftTemplate(1).options.semantic;
    EXPECT_EQ((std::array<double, 4>{written.minX, written.maxX, written.minY, written.maxY}),
              (std::array<double, 4>{0, 0, 0, 0}));
    EXPECT_FALSE(spin("forkliftMaxXSpin")->isEnabled());
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
    EXPECT_EQ(child<QStackedWidget>("zoneParameterStack")->currentIndex(), 1);
    EXPECT_EQ(spin("sectorWarningRadiusSpin")->value(), 1300.0);

    // The shared angle reaches both records; the notify record stays absent.
    spin("sectorLeftAngleSpin")->setValue(-45);
    const auto& sector = std::get<SectorZones>(draftTemplate(1).body);
    EXPECT_EQ(sector.danger.leftAngle, -45.0);
    EXPECT_EQ(sector.warning.leftAngle, -45.0);
    EXPECT_FALSE(sector.notify.has_value());
}

TEST_F(ParameterEditorTest, ApplyShowsWhatChangesOnTheCameraAndAsks) {
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
    const auto button = [](ApplyConfirmationDialog& dialog, const char* name) {
        return dialog.findChild<QAbstractButton*>(QString::fromLatin1(name));
    };

    QString summary;
    bool applyOffered = true;
    test::answerNextConfirmation(*window, [&](ApplyConfirmationDialog& dialog) {
        summary = dialog.findChild<QLabel*>(QStringLiteral("applySummaryLabel"))->text();
        applyOffered = button(dialog, "confirmApplyButton") != nullptr;
        button(dialog, "closeConfirmationButton")->click();
    });
    window->requestApplyCurrent();
    EXPECT_EQ(summary, QStringLiteral("草稿与相机当前运行的配置一致，无需下发。"));
    EXPECT_FALSE(applyOffered);
    EXPECT_EQ(applySpy.count(), 0);

    spin("rectWarningFarSpin")->setValue(2500);
    test::answerNextConfirmation(*window, [&](ApplyConfirmationDialog& dialog) {
        button(dialog, "cancelApplyButton")->click();
    });
    window->requestApplyCurrent();
    EXPECT_EQ(applySpy.count(), 0);
    EXPECT_FALSE(window->isBusy());

    test::answerNextConfirmation(*window, [&](ApplyConfirmationDialog& dialog) {
        dialog.findChild<QCheckBox*>(QStringLiteral("dontAskAgainCheck"))->setChecked(true);
        button(dialog, "confirmApplyButton")->click();
    });
    window->requestApplyCurrent();
    ASSERT_EQ(applySpy.count(), 1);
    window->onConfigurationApplied(true, QStringLiteral("完成"), QString(), applySpy.at(0).at(0).toString(), QString());

    // "不再提示": the next apply goes without a dialog (one would be closed here and counted).
    int asked = 0;
    test::answerNextConfirmation(*window, [&](ApplyConfirmationDialog& dialog) {
        ++asked;
        dialog.reject();
    });
    spin("rectWarningFarSpin")->setValue(2600);
    window->requestApplyCurrent();
    EXPECT_EQ(applySpy.count(), 2);
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(WindowSettings::skipApplyConfirmation());
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

TEST_F(ParameterEditorTest, DeviceReadReplacesBothDocumentsAndNamesTemplatesTheCameraLacks) {
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

    child<QSpinBox>("templateIndexSpin")->setValue(1);
    EXPECT_EQ(text("dirtyStateLabel"), QStringLiteral("当前模板已从备份加载"));
    child<QSpinBox>("templateIndexSpin")->setValue(5);
    EXPECT_EQ(text("dirtyStateLabel"), QStringLiteral("设备尚未配置模板 5，请先下发该模板再切换。"));
}

TEST_F(ParameterEditorTest, IoModeComboFollowsTheCameraAndSaysWhy) {
    auto* combo = child<QComboBox>("ioHardwareModeCombo");
    connectK7();
    window->onIoHardwareModeRead(-1, QStringLiteral("读取超时"));
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->toolTip(), QStringLiteral("设备 IO 模式未获取\n读取超时"));
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

TEST_F(ParameterEditorTest, RestoreDefaultsAsksAndResetExtrinsicsDoesNot) {
    edit();
    spin("rectDangerNearSpin")->setValue(700);
    answerNextMessageBox(QMessageBox::No);
    child<QAbstractButton>("restoreDefaultsButton")->click();
    EXPECT_EQ(std::get<SquareZones>(draftTemplate(1).body).lowerLimit, 700.0);
    answerNextMessageBox(QMessageBox::Yes);
    child<QAbstractButton>("restoreDefaultsButton")->click();
    EXPECT_EQ(draftTemplate(1), defaultZoneTemplate(1, TemplateType::Square));
    EXPECT_EQ(spin("rectDangerNearSpin")->value(), 1000.0);

    spin("extrinsicRollSpin")->setValue(12);
    child<QAbstractButton>("resetExtrinsicsButton")->click();
    EXPECT_EQ(editor().draft().extrinsics, Extrinsics{});
    EXPECT_EQ(spin("extrinsicRollSpin")->value(), 90.0);
}

TEST_F(ParameterEditorTest, AlgorithmComboFollowsTheCameraAndDecidesTheAdvancedGroups) {
    struct Case {
        int deviceType;
        QStringList entries;
        AlgorithmVersion generation;
        const char* title;
    };
    const Case cases[] = {{2108, {"V1（掩码上传）"}, AlgorithmVersion::V1, "V1 高级参数"},
                          {2003, {"V1（JSON 参数）"}, AlgorithmVersion::V1, "V1 高级参数"},
                          {1005, {"V2（JSON 参数）"}, AlgorithmVersion::V2, "V2 输出参数"}};
    for (const Case& c : cases) {
        QVariantMap camera = test::k7Descriptor();
        camera.insert(QStringLiteral("sdkDeviceType"), c.deviceType);
        window->onConnectionChanged(true, camera, QStringLiteral("已连接"));
        auto* combo = child<QComboBox>("algorithmVersionCombo");
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i) {
            entries << combo->itemText(i);
        }
        EXPECT_EQ(entries, c.entries) << c.deviceType;
        EXPECT_EQ(editor().draft().algorithmVersion, c.generation) << c.deviceType;
        EXPECT_EQ(child<QGroupBox>("v2AdvancedGroup")->title(), QString::fromUtf8(c.title));
        EXPECT_EQ(child("v2AdvancedGroup")->isHidden(), c.generation == AlgorithmVersion::V1)
            << "the V1 group shows only to an administrator";
        window->onConnectionChanged(false, camera, QStringLiteral("相机已断开"));
    }
}

// Which fields of the editor an issue of the validator marks.
TEST(ValidationFieldMapTest, PathsNameTheFieldsOfTheEditedTemplate) {
    struct Case {
        const char* path;
        int editing;
        TemplateType type;
        QStringList fields;
    };
    const Case cases[] = {
        {"templates[3].distance", 3, TemplateType::Square,
         {"rectDangerNearSpin", "rectDangerFarSpin", "rectWarningFarSpin"}},
        {"templates[3]", 3, TemplateType::Square,
         {"rectDangerNearSpin", "rectDangerFarSpin", "rectYMinSpin", "rectYMaxSpin", "rectZMinSpin", "rectZMaxSpin",
          "rectWarningFarSpin"}},
        // Another template's issue, or a template whose number only starts alike.
        {"templates[3].distance", 1, TemplateType::Square, {}},
        {"templates[13].distance", 1, TemplateType::Square, {}},
        // The sector page has no near-limit field.
        {"templates[1].lowerLimit", 1, TemplateType::Sector, {}},
        {"templates[1].zones.notify.x", 1, TemplateType::SquareFree, {}},
        {"activeIndex", 7, TemplateType::Square, {"templateIndexSpin"}},
        {"extrinsics", 7, TemplateType::Sector,
         {"extrinsicXSpin", "extrinsicYSpin", "extrinsicZSpin", "extrinsicRollSpin", "extrinsicPitchSpin",
          "extrinsicYawSpin"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValidationFieldMap::fieldsFor(c.path, c.editing, c.type), c.fields) << c.path;
    }
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
        {"square NaN", TemplateType::Square, [](ZoneTemplate& t, double n) { std::get<SquareZones>(t.body).rangeLeft = n; }},
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

}  // namespace
}  // namespace hazard_desk
