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
#include <optional>
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

// Sets or clears one environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv()
    {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct SettingCase {
    std::optional<std::string> text;
    std::size_t expected;
};

TEST(LogSettingsTest, MaxFileSizeParsingAndBounds)
{
    const SettingCase cases[] = {
        {std::nullopt, 5},          {std::string("abc"), 5}, {std::string("0"), 1},
        {std::string("12MB"), 12},  {std::string("513"), 512},
        {std::string("99999999999999999999999"), 512}, {std::string("-3"), 5},
    };
    for (const SettingCase& c : cases) {
        ScopedEnv env("VQ8_LOG_MAX_MB", c.text);
        EXPECT_EQ(LogSettings::maxFileBytes(), c.expected * 1048576u) << "text=" << c.text.value_or("<unset>");
    }
}

TEST(LogSettingsTest, MaxFilesParsingAndBounds)
{
    const SettingCase cases[] = {
        {std::nullopt, 2}, {std::string("x9"), 2}, {std::string("0"), 1},
        {std::string("51"), 50}, {std::string("4files"), 4},
    };
    for (const SettingCase& c : cases) {
        ScopedEnv env("VQ8_LOG_MAX_FILES", c.text);
        EXPECT_EQ(LogSettings::maxFiles(), c.expected) << "text=" << c.text.value_or("<unset>");
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

TEST_F(ZrLoggerTest, ModuleLoggerWritesItsFileUnderLogs)
{
    auto logger = ZrLogger::getLogger("ModuleA");
    ASSERT_TRUE(logger);
    logger->info("hello {} {}", "camera", 7);
    const fs::path file = directory_ / "logs" / "ModuleA.log";
    ASSERT_TRUE(fs::exists(file));
    const std::string text = readFile(file);
    EXPECT_NE(text.find("VQ_LOG initialized module=ModuleA file=" + file.string()), std::string::npos) << text;
    EXPECT_NE(text.find("hello camera 7"), std::string::npos) << text;
    spdlog::drop("ModuleA");
}

TEST_F(ZrLoggerTest, ModuleLoggerUsesGivenPathAndCreatesParents)
{
    auto logger = ZrLogger::getLogger("ModuleB", "deep/nested/b.log");
    logger->warn("warned {}", 1);
    const fs::path file = directory_ / "deep" / "nested" / "b.log";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_NE(readFile(file).find("warned 1"), std::string::npos);
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
    EXPECT_EQ(later->sinks().front()->level(), spdlog::level::trace);
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

TEST_F(ZrLoggerTest, DefaultLoggerIsCreatedOnceWithItsFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(createDefaultLoggerIn(directory_), ::testing::ExitedWithCode(0), "sinks=2");
    const std::string text = readFile(directory_ / "logs" / "vq8.log");
    EXPECT_NE(text.find("[info] [vq8] VQ_LOG default logger initialized file=" +
                        (directory_ / "logs" / "vq8.log").string()),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[info] [vq8] default line 42"), std::string::npos) << text;
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

TEST_F(ZrLoggerTest, DefaultLoggerFallsBackToConsoleWhenLogsCannotBeCreated)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::ofstream(directory_ / "logs") << "not a folder";
    EXPECT_EXIT(createDefaultLoggerIn(directory_), ::testing::ExitedWithCode(0),
                "\\[VQ_LOG\\] failed to create log directory '.*logs': .*\nsinks=1");
    EXPECT_TRUE(fs::is_regular_file(directory_ / "logs"));
}

}  // namespace
}  // namespace algPlatform
