// "credential set|clear" run as an administrator would: exit codes and the
// JSON it prints. The tool runs with its own home, so no real store is touched.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QProcess>
#include <QTemporaryDir>

namespace hazard_desk::cli {
namespace {

struct CliRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QTemporaryDir& home, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(home.path());
    process.start(QStringLiteral(HD_CLI_BINARY), arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

TEST(CredentialCommand, ExitCodesAndOutput)
{
    QTemporaryDir home;
    const struct {
        QStringList arguments;
        QByteArray input;
        int code;
        const char* flag;   // the JSON field printed on success
        bool flagValue;
    } steps[] = {
        {{"credential"}, "", 2, nullptr, false},
        {{"credential", "rotate"}, "", 2, nullptr, false},
        {{"credential", "set", "extra"}, "", 2, nullptr, false},
        {{"credential", "set"}, "", 2, nullptr, false},          // no line at all
        {{"credential", "set"}, "\n", 1, nullptr, false},        // empty password
        {{"credential", "set"}, "Hz:secret pw\n", 0, "stored", true},
        {{"credential", "clear"}, "", 0, "removed", true},
        {{"credential", "clear"}, "", 0, "removed", false},
    };
    for (const auto& step : steps) {
        const CliRun run = runCli(home, step.arguments, step.input);
        const std::string name = step.arguments.join(' ').toStdString();
        EXPECT_EQ(run.code, step.code) << name << ": " << run.err.toStdString();
        EXPECT_FALSE(run.out.contains("secret") || run.err.contains("secret")) << name;
        if (step.flag == nullptr) {
            EXPECT_TRUE(run.out.isEmpty()) << name;
            EXPECT_FALSE(run.err.isEmpty()) << name;
            continue;
        }
        const auto json = nlohmann::json::parse(run.out.toStdString(), nullptr, false);
        ASSERT_TRUE(json.is_object()) << name << ": " << run.out.toStdString();
        EXPECT_EQ(json.value("credential", ""), "VQ8.FleetUpdate.SSH.root") << name;
        EXPECT_TRUE(json.contains("location")) << name;
        EXPECT_EQ(json.value(step.flag, !step.flagValue), step.flagValue) << name;
    }
}

}  // namespace
}  // namespace hazard_desk::cli
