// The process and module loggers: where their files go, rotation by the
// environment's limits, concurrent creation, configuration, and the default
// logger of the process.
#include "LogSettings.h"
#include "ZrLogger.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <spdlog/sinks/sink.h>
#include <spdlog/spdlog.h>
#include <unistd.h>

namespace algPlatform {
namespace {

namespace fs = std::filesystem;

// The rule behind "VQ8_LOG_MAX_MB" and "VQ8_LOG_MAX_FILES": a leading
// decimal, bounded to 1..upper, else the fallback.
TEST(LogSettingsTest, LimitsAreParsedAndBounded)
{
    struct Case {
        const char* text;
        unsigned expected;
    };
    const Case cases[] = {
        {nullptr, 5}, {"", 5}, {"abc", 5}, {"-3", 5}, {"0", 1},
        {"12MB", 12}, {"513", 512}, {"99999999999999999999999", 512},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LogSettings::parseBounded(c.text, 5, 512), c.expected) << (c.text ? c.text : "<unset>");
    }
}

// Runs each test in a fresh temporary working directory.
class ZrLoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = fs::current_path();
        // A death-test child works in its parent's folder.
        if (const char* inherited = std::getenv(kChildDirVariable)) {
            directory_ = inherited;
            child_ = true;
            return;
        }
        directory_ = fs::temp_directory_path() /
                     ("hd_logging_" + std::to_string(::getpid()) + "_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory_);
        fs::create_directories(directory_);
        fs::current_path(directory_);
        setenv(kChildDirVariable, directory_.c_str(), 1);
    }
    void TearDown() override
    {
        if (child_) {
            return;
        }
        unsetenv(kChildDirVariable);
        fs::current_path(previous_);
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }

    static std::string readFile(const fs::path& path)
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static constexpr const char* kChildDirVariable = "HD_LOGGING_TEST_DIR";
    fs::path previous_;
    fs::path directory_;
    bool child_ = false;
};

TEST_F(ZrLoggerTest, ModuleLoggerUsesGivenPathAndCreatesParents)
{
    auto logger = ZrLogger::getLogger("ModuleB", "deep/nested/b.log");
    logger->warn("warned {}", 1);
    const fs::path file = directory_ / "deep" / "nested" / "b.log";
    ASSERT_TRUE(fs::exists(file));
    const std::string text = readFile(file);
    EXPECT_NE(text.find("VQ_LOG initialized module=ModuleB file=" + file.string()), std::string::npos) << text;
    EXPECT_NE(text.find("warned 1"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(directory_ / "logs"));
    spdlog::drop("ModuleB");
}

TEST_F(ZrLoggerTest, ModuleLoggerWithUnplaceableFileIsConsoleOnly)
{
    // A plain file where the folder should be makes the folder impossible.
    std::ofstream(directory_ / "blocked") << "x";
    auto logger = ZrLogger::getLogger("ModuleD", "blocked/d.log");
    ASSERT_TRUE(logger);
    EXPECT_EQ(logger->sinks().size(), 1u);
    logger->error("console only {}", 3);
    EXPECT_TRUE(fs::is_regular_file(directory_ / "blocked"));
    spdlog::drop("ModuleD");
}

// The module's file goes under "logs" and rotates by the environment's limits.
TEST_F(ZrLoggerTest, ModuleFileSizeFollowsEnvironment)
{
    setenv("VQ8_LOG_MAX_MB", "0", 1);
    setenv("VQ8_LOG_MAX_FILES", "1", 1);
    auto logger = ZrLogger::getLogger("ModuleE");
    unsetenv("VQ8_LOG_MAX_MB");
    unsetenv("VQ8_LOG_MAX_FILES");
    logger->sinks().erase(logger->sinks().begin());  // keep the test output readable
    // 1 MiB files, one rotated file kept: writing 3 MiB leaves the current
    // file and exactly one rotated file.
    const std::string line(1023, 'x');
    for (int i = 0; i < 3 * 1024; ++i) {
        logger->info("{}", line);
    }
    logger->flush();
    EXPECT_TRUE(fs::exists(directory_ / "logs" / "ModuleE.log"));
    EXPECT_TRUE(fs::exists(directory_ / "logs" / "ModuleE.1.log"));
    EXPECT_FALSE(fs::exists(directory_ / "logs" / "ModuleE.2.log"));
    EXPECT_LE(fs::file_size(directory_ / "logs" / "ModuleE.log"), 1048576u);
    spdlog::drop("ModuleE");
}

TEST_F(ZrLoggerTest, ConcurrentCreationOfOneNameNeverCollides)
{
    // Registration used to happen outside the creation mutex: a second
    // thread could register the name between the first one's drop and
    // register, and spdlog throws on a duplicate name.
    constexpr int kThreads = 4;
    constexpr int kRounds = 50;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&failures] {
            for (int round = 0; round < kRounds; ++round) {
                try {
                    ZrLogger created("ModuleRace", std::string());
                } catch (const std::exception&) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    spdlog::drop("ModuleRace");
}

TEST_F(ZrLoggerTest, ConfiguredDirectoryAndConsoleLevelApply)
{
    const LogConfiguration before = ZrLogger::configuration();
    auto earlier = ZrLogger::getLogger("ModuleF");
    LogConfiguration configuration;
    configuration.directory = (directory_ / "state" / "logs").string();
    configuration.consoleLevel = spdlog::level::warn;
    ZrLogger::configure(configuration);
    auto later = ZrLogger::getLogger("ModuleG");
    later->info("placed");

    EXPECT_TRUE(fs::exists(directory_ / "state" / "logs" / "ModuleG.log"));
    EXPECT_FALSE(fs::exists(directory_ / "logs" / "ModuleG.log"));
    // The console sink comes first, the file sink keeps everything.
    EXPECT_EQ(earlier->sinks().front()->level(), spdlog::level::warn) << "an existing console follows too";
    EXPECT_EQ(later->sinks().front()->level(), spdlog::level::warn);
    EXPECT_EQ(later->sinks().back()->level(), spdlog::level::trace);
    ZrLogger::configure(before);
    spdlog::drop("ModuleF");
    spdlog::drop("ModuleG");
}

// The default logger is created once per process, so its creation is checked
// in a child process with its own working directory.
void createDefaultLoggerIn(const fs::path& directory)
{
    fs::current_path(directory);
    auto first = ZrLogger::defaultLogger();
    auto second = ZrLogger::defaultLogger();
    if (!first || first.get() != second.get() || first->name() != "vq8" ||
        spdlog::default_logger().get() != first.get() || first->level() != spdlog::level::info) {
        std::_Exit(3);
    }
    first->info("default line {}", 42);
    first->flush();
    std::cerr << "sinks=" << first->sinks().size() << std::endl;
    std::exit(0);
}

// Where "logs" cannot be created (a file of that name), the default logger
// writes to the console alone and says why.
TEST_F(ZrLoggerTest, DefaultLoggerIsCreatedOnceWithItsFileOrOnTheConsoleAlone)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(createDefaultLoggerIn(directory_), ::testing::ExitedWithCode(0), "sinks=2");
    const std::string text = readFile(directory_ / "logs" / "vq8.log");
    EXPECT_NE(text.find("[info] [vq8] VQ_LOG default logger initialized file=" +
                        (directory_ / "logs" / "vq8.log").string()),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[info] [vq8] default line 42"), std::string::npos) << text;

    fs::remove_all(directory_ / "logs");
    std::ofstream(directory_ / "logs") << "not a folder";
    EXPECT_EXIT(createDefaultLoggerIn(directory_), ::testing::ExitedWithCode(0),
                "\\[VQ_LOG\\] failed to create log directory '.*logs': .*\nsinks=1");
    EXPECT_TRUE(fs::is_regular_file(directory_ / "logs"));
}

// What a program sees that configures its logs in main while a static
// initialiser already logged: the early line waits and lands in the chosen
// folder, and nothing is created in the working directory.
void configureThenCreateDefaultLoggerIn(const fs::path& directory)
{
    fs::current_path(directory);
    ZrLogger::logAtStartup(spdlog::level::info, "held from before main");
    LogConfiguration configuration;
    configuration.directory = (directory / "state").string();
    configuration.consoleLevel = spdlog::level::warn;
    ZrLogger::configure(configuration);
    ZrLogger::defaultLogger()->flush();
    std::exit(fs::exists(directory / "logs") ? 4 : 0);
}

TEST_F(ZrLoggerTest, StartupLinesWaitForTheConfiguredDefaultLogger)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(configureThenCreateDefaultLoggerIn(directory_), ::testing::ExitedWithCode(0), "");
    const std::string text = readFile(directory_ / "state" / "vq8.log");
    EXPECT_NE(text.find("[info] [vq8] held from before main"), std::string::npos) << text;
}

}  // namespace
}  // namespace algPlatform
