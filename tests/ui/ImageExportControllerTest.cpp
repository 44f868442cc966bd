// "导出存图" as the window runs it: the checks before anything starts, and
// real exports through plink against a listener of the test's own on the
// camera's SSH port (silent, so the export can be cancelled, or gone, so it
// fails). The export against a real SSH server is tested in tests/ssh.
#include "ImageExportController.h"

#include "ImageExportRequest.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"

#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace hazard_desk {
namespace {

using test::waitUntil;

// A loopback address no virtual camera uses.
const QString kCameraIp = QStringLiteral("127.0.10.77");
const QString kPassword = QStringLiteral("window-export-pw");
constexpr int kExportEndMs = 30000;

// Accepts connections on the camera's SSH port (the kernel completes them)
// and never says a word, as a camera whose SSH server hangs.
class SilentListener {
public:
    SilentListener(const QString& ip, quint16 port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        ::inet_pton(AF_INET, ip.toLatin1().constData(), &address.sin_addr);
        const int yes = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 8) != 0) {
            error_ = QString::fromLocal8Bit(std::strerror(errno));
            close();
        }
    }
    ~SilentListener() { close(); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    bool listening() const { return fd_ >= 0; }
    const QString& error() const { return error_; }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
    QString error_;
};

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
        {"no ip",
         [](ImageExportControllerTest& t) { t.state.connectedDescriptor[QStringLiteral("ip")] = QStringLiteral(" "); },
         "当前相机没有可用 IP", 0},
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

TEST_F(ImageExportControllerTest, ProgressShowsWhileItRunsAndCancelEndsIt) {
    SilentListener silentCamera(kCameraIp, ImageExportController::kSshPort);
    if (!silentCamera.listening()) {
        GTEST_SKIP() << "cannot listen on " << kCameraIp.toStdString() << ":22 (needs root and a free port): "
                     << silentCamera.error().toStdString();
    }
    controller.requestExport();
    ASSERT_TRUE(controller.running()) << lastFeedback().first.toStdString();
    EXPECT_TRUE(state.busy.imageExportBusy);
    EXPECT_EQ(lastFeedback(), std::make_pair(QStringLiteral("正在导出设备存图"), false));
    QProgressDialog* dialog = controller.progressDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(waitUntil([&] { return dialog->labelText().startsWith(QStringLiteral("SSH 连接")); }));
    auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("imageExportCancelButton"));
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->accessibleName(), QStringLiteral("取消"));
    EXPECT_EQ(dialog->findChild<QProgressBar*>()->accessibleName(), QStringLiteral("SSH 连接"));

    cancel->click();
    EXPECT_FALSE(cancel->isEnabled());
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays until the export has ended";
    ASSERT_TRUE(waitUntil([&] { return !controller.running(); }, kExportEndMs));
    EXPECT_EQ(lastFeedback(), std::make_pair(QStringLiteral("设备存图导出已取消"), false));
    EXPECT_EQ(logs.last().at(0).toInt(), 1);
    EXPECT_FALSE(state.busy.imageExportBusy);
    EXPECT_EQ(controller.progressDialog(), nullptr);

    // Nobody answers any more: the export fails and says why.
    silentCamera.close();
    controller.requestExport();
    ASSERT_TRUE(waitUntil([&] { return !controller.running(); }, kExportEndMs));
    const auto [text, isError] = lastFeedback();
    EXPECT_TRUE(isError);
    EXPECT_TRUE(text.startsWith(QStringLiteral("设备存图导出失败："))) << text.toStdString();
    EXPECT_GT(text.size(), QStringLiteral("设备存图导出失败：").size());
    EXPECT_EQ(logs.last(), (QList<QVariant>{2, text}));
}

TEST_F(ImageExportControllerTest, SuccessNamesTheFolder) {
    controller.onFinished(kImageExportSucceeded, QString(), QStringLiteral("/data/export"));
    EXPECT_EQ(lastFeedback(), std::make_pair(QStringLiteral("设备存图导出完成：/data/export（设备目录已清空）"), false));
    EXPECT_EQ(logs.last(), (QList<QVariant>{0, QStringLiteral("设备存图导出完成：/data/export")}));
}

}  // namespace
}  // namespace hazard_desk
