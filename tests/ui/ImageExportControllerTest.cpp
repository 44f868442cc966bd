// "导出存图" as the window runs it: the checks before anything starts, and a
// real export through plink to a camera address where nobody answers. The
// export against a real SSH server is tested in tests/ssh.
#include "ImageExportController.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"

#include <QSignalSpy>
#include <QWidget>
#include <QTemporaryDir>

namespace hazard_desk {
namespace {

using test::waitUntil;

// A loopback address no virtual camera uses.
const QString kCameraIp = QStringLiteral("127.0.10.77");
const QString kPassword = QStringLiteral("window-export-pw");
constexpr int kExportEndMs = 30000;

class ImageExportControllerTest : public ::testing::Test {
public:
    void SetUp() override {
        state.adminMode = true;
        state.connected = true;
        state.connectedDescriptor = QVariantMap{{QStringLiteral("ip"), kCameraIp}};
        controller.setFolderChooser([this](QWidget*) {
            ++foldersAsked;
            return folder.path();
        });
        controller.setPasswordSource([this](QString* error) {
            *error = passwordError;
            return password;
        });
    }

    // The last banner text and whether it was an error.
    std::pair<QString, bool> lastFeedback() const {
        if (feedback.isEmpty()) {
            return {};
        }
        return {feedback.last().at(0).toString(), feedback.last().at(1).toBool()};
    }

    WindowState state;
    QWidget window;
    ImageExportController controller{state, window};
    QTemporaryDir folder;
    QString password = kPassword;
    QString passwordError;
    int foldersAsked = 0;
    QSignalSpy feedback{&controller, &ImageExportController::feedbackRequested};
    QSignalSpy logs{&controller, &ImageExportController::logRequested};
};

TEST_F(ImageExportControllerTest, NothingStartsUnlessEveryCheckHolds) {
    struct Case {
        const char* name;
        std::function<void(ImageExportControllerTest&)> arrange;
        const char* feedback;   // nullptr: ends silently
        int foldersAsked;
    };
    const Case cases[] = {
        {"not administrator", [](ImageExportControllerTest& t) { t.state.adminMode = false; }, "导出存图需要管理员权限", 0},
        {"not connected", [](ImageExportControllerTest& t) { t.state.connected = false; }, "请先连接相机", 0},
        {"busy", [](ImageExportControllerTest& t) { t.state.busy.readBusy = true; }, nullptr, 0},
        {"folder dialog cancelled",
         [](ImageExportControllerTest& t) { t.controller.setFolderChooser([](QWidget*) { return QString(); }); },
         nullptr, 0},
        {"no password",
         [](ImageExportControllerTest& t) {
             t.password.clear();
             t.passwordError = QStringLiteral("凭据文件权限过宽");
         },
         "没有可用的 root SSH 密码", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        state.busy = BusyFlags{};
        password = kPassword;
        passwordError.clear();
        foldersAsked = 0;
        feedback.clear();
        c.arrange(*this);
        controller.requestExport();
        EXPECT_FALSE(controller.running());
        EXPECT_FALSE(state.busy.imageExportBusy);
        EXPECT_EQ(controller.progressDialog(), nullptr);
        EXPECT_EQ(foldersAsked, c.foldersAsked);
        if (c.feedback == nullptr) {
            EXPECT_TRUE(feedback.isEmpty());
        } else {
            EXPECT_EQ(lastFeedback(), std::make_pair(QString::fromUtf8(c.feedback), true));
        }
    }
    // The store's own reason goes with it.
    EXPECT_EQ(feedback.last().at(2).toString(), QStringLiteral("凭据文件权限过宽"));
}

// Nobody answers on the camera's SSH port: the export runs, then fails, says
// why and ends its busy state. Cancelling an export is the SSH layer's test.
TEST_F(ImageExportControllerTest, AFailedExportSaysWhyAndEndsTheBusyState) {
    controller.requestExport();
    ASSERT_TRUE(controller.running()) << lastFeedback().first.toStdString();
    EXPECT_TRUE(state.busy.imageExportBusy);
    EXPECT_NE(controller.progressDialog(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return !controller.running(); }, kExportEndMs));
    const auto [text, isError] = lastFeedback();
    EXPECT_TRUE(isError);
    EXPECT_TRUE(text.startsWith(QStringLiteral("设备存图导出失败："))) << text.toStdString();
    EXPECT_GT(text.size(), QStringLiteral("设备存图导出失败：").size());
    EXPECT_EQ(logs.last(), (QList<QVariant>{2, text}));
    EXPECT_FALSE(state.busy.imageExportBusy);
    EXPECT_EQ(controller.progressDialog(), nullptr);
}

}  // namespace
}  // namespace hazard_desk
