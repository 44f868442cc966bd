#include <gtest/gtest.h>

#include "DeviceImageExport.h"
#include "RemoteImageScripts.h"

namespace hazard_desk {
namespace {

TEST(RemoteImageScripts, ReadsTheCountOfTheFirstReadyLine)
{
    const struct {
        const char* output;
        bool ok;
        const char* countText;
        int count;
    } cases[] = {
        {"VQ8_IMAGES_READY:12\n", true, "12", 12},
        {"motd line\r\nVQ8_IMAGES_READY:  3 \r\nVQ8_IMAGES_READY:9\n", true, "3", 3},
        {"VQ8_IMAGES_READY:0", true, "0", 0},
        {"VQ8_IMAGES_READY:\n", false, "", 0},
        {"VQ8_IMAGES_READY:many\n", false, "many", 0},
        {"VQ8_IMAGES_READY:-1\n", false, "-1", 0},
        {" VQ8_IMAGES_READY:4\n", false, "", 0},
        {"nothing\n", false, "", 0},
    };
    for (const auto& c : cases) {
        QString countText;
        int count = -1;
        EXPECT_EQ(RemoteImageScripts::readyCount(QString::fromLatin1(c.output), countText, count), c.ok) << c.output;
        EXPECT_EQ(countText, QString::fromLatin1(c.countText)) << c.output;
        EXPECT_EQ(count, c.count) << c.output;
    }
}

TEST(RemoteImageScripts, TheTestFolderIsOnlyForLoopbackHosts)
{
    const QByteArray saved = qgetenv(RemoteImageScripts::kTestDirectoryVariable);
    const struct {
        const char* variable;
        const char* host;
        const char* expected;
    } cases[] = {
        {"/tmp/x/AvoidanceImage", "127.0.0.1", "/tmp/x/AvoidanceImage"},
        {"/tmp/x/AvoidanceImage", "127.3.2.1", "/tmp/x/AvoidanceImage"},
        {"/tmp/x/AvoidanceImage", "192.168.1.20", "/userdata/const/AvoidanceImage"},
        {"relative/dir", "127.0.0.1", "/userdata/const/AvoidanceImage"},
        {"/", "127.0.0.1", "/userdata/const/AvoidanceImage"},
        {"", "127.0.0.1", "/userdata/const/AvoidanceImage"},
    };
    for (const auto& c : cases) {
        qputenv(RemoteImageScripts::kTestDirectoryVariable, c.variable);
        EXPECT_EQ(RemoteImageScripts::imageDirectory(QString::fromLatin1(c.host)), QString::fromLatin1(c.expected))
            << c.variable << " " << c.host;
    }
    qputenv(RemoteImageScripts::kTestDirectoryVariable, saved);
}

TEST(DeviceImageExport, AcceptsOnlyDottedQuadHosts)
{
    const struct {
        const char* host;
        bool valid;
    } cases[] = {{"192.168.1.20", true}, {"127.0.0.1", true},   {"255.255.255.255", true}, {"256.1.1.1", false},
                 {"-proxycmd", false},   {"1.2.3", false},      {"1.2.3.4 ", false},       {"camera.local", false},
                 {"", false},            {"1.2.3.4.5", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(isIpv4Address(QString::fromLatin1(c.host)), c.valid) << c.host;
    }
}

}  // namespace
}  // namespace hazard_desk
