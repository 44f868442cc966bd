// What the engineer waits for after a field test: 200 saved images of 300 KB
// exported from a camera (a loopback OpenSSH server) — verify, download and
// clear — against a plain OpenSSH scp of the same folder in the same run,
// and pscp's download alone. Prints the median ratio export / scp.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <map>
#include <memory>

#include "DeviceImageExport.h"
#include "LoopbackSshServer.h"
#include "PuttyCommandLine.h"
#include "PuttyPasswordFile.h"
#include "RemoteImageScripts.h"
#include "SshProcessRunner.h"
#include "SshToolExtraction.h"

namespace {

using hazard_desk::test::LoopbackSshServer;

constexpr int kImages = 200;
constexpr int kImageBytes = 300 * 1024;
const QString kPassword = QStringLiteral("bench-pw");

struct Setup {
    std::unique_ptr<LoopbackSshServer> server;
    QTemporaryDir work;
    QString error;

    QString master() const { return work.filePath(QStringLiteral("master")); }
    QString clientKey() const { return work.filePath(QStringLiteral("client_ed25519")); }
    QString local() const { return work.filePath(QStringLiteral("local")); }

    // Puts the 200 images into the camera folder (hard links: no copy cost).
    void fillCameraFolder() const
    {
        const QDir source(master());
        for (const QString& name : source.entryList(QDir::Files)) {
            ::link(QFile::encodeName(source.filePath(name)).constData(),
                   QFile::encodeName(QDir(server->imageDir()).filePath(name)).constData());
        }
        server->handOver(server->imageDir());
    }
};

Setup& setup()
{
    static Setup* instance = [] {
        auto* s = new Setup;
        s->server = std::make_unique<LoopbackSshServer>(kPassword);
        if (!s->server->start(&s->error)) {
            return s;
        }
        qputenv(hazard_desk::RemoteImageScripts::kTestDirectoryVariable, QFile::encodeName(s->server->imageDir()));
        QDir().mkpath(s->master());
        for (int i = 0; i < kImages; ++i) {
            QByteArray bytes(kImageBytes, Qt::Uninitialized);
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), kImageBytes / 4);
            QFile file(QDir(s->master()).filePath(QStringLiteral("obstacle-%1.png").arg(i, 4, 10, QLatin1Char('0'))));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
        }
        QProcess::execute(QStringLiteral("ssh-keygen"), {QStringLiteral("-q"), QStringLiteral("-t"),
                                                         QStringLiteral("ed25519"), QStringLiteral("-N"), QString(),
                                                         QStringLiteral("-f"), s->clientKey()});
        s->server->authorizeKey(s->clientKey() + QStringLiteral(".pub"));
        return s;
    }();
    return *instance;
}

// CPU time of the finished client processes (plink, pscp, scp), in ms:
// less noisy than wall time on a busy machine.
double childCpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void finish(benchmark::State& state, double clientCpuMs)
{
    state.SetBytesProcessed(state.iterations() * qint64(kImages) * kImageBytes);
    state.counters["client_cpu_ms"] = benchmark::Counter(clientCpuMs / double(state.iterations()));
}

void prepareLocal(const Setup& s)
{
    QDir(s.local()).removeRecursively();
    QDir().mkpath(s.local());
}

bool allDownloaded(const Setup& s)
{
    return QDir(s.local() + QStringLiteral("/AvoidanceImage")).entryList(QDir::Files).size() == kImages;
}

void BM_ExportDeviceImages(benchmark::State& state)
{
    Setup& s = setup();
    if (!s.server || !s.error.isEmpty()) {
        state.SkipWithError(s.error.toStdString().c_str());
        return;
    }
    hazard_desk::ImageExportRequest request;
    request.target.host = QStringLiteral("127.0.0.1");
    request.target.port = s.server->port();
    request.target.user = QString::fromLatin1(LoopbackSshServer::kAccount);
    request.target.password = kPassword;
    request.localDir = s.local();
    const std::atomic_bool cancelFlag{false};
    double clientCpuMs = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        prepareLocal(s);
        s.fillCameraFolder();
        state.ResumeTiming();
        const double cpuBefore = childCpuMs();
        QString error;
        const int outcome = hazard_desk::exportDeviceImages(request, cancelFlag, {}, &error);
        clientCpuMs += childCpuMs() - cpuBefore;
        if (outcome != hazard_desk::kImageExportSucceeded || !allDownloaded(s)) {
            state.SkipWithError(("export failed: " + error.toStdString()).c_str());
            return;
        }
    }
    finish(state, clientCpuMs);
}

void BM_PscpDownloadOnly(benchmark::State& state)
{
    Setup& s = setup();
    if (!s.server || !s.error.isEmpty()) {
        state.SkipWithError(s.error.toStdString().c_str());
        return;
    }
    hazard_desk::SshTarget target;
    target.host = QStringLiteral("127.0.0.1");
    target.port = s.server->port();
    target.user = QString::fromLatin1(LoopbackSshServer::kAccount);
    target.hostKey = s.server->hostKeyFingerprint();
    hazard_desk::PuttyPasswordFile passwordFile;
    passwordFile.create(kPassword, nullptr);
    const std::atomic_bool cancelFlag{false};
    s.fillCameraFolder();
    double clientCpuMs = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        prepareLocal(s);
        state.ResumeTiming();
        const double cpuBefore = childCpuMs();
        const hazard_desk::ProcessResult result = hazard_desk::runProcess(
            hazard_desk::sshToolPaths().pscpPath,
            hazard_desk::PuttyCommandLine::pscp(target, passwordFile.path(), s.server->imageDir(), s.local()), 600000,
            cancelFlag);
        clientCpuMs += childCpuMs() - cpuBefore;
        if (!result.isClean() || !allDownloaded(s)) {
            state.SkipWithError(("pscp failed: " + result.standardError.toStdString()).c_str());
            return;
        }
    }
    finish(state, clientCpuMs);
}

void BM_PlainScpBaseline(benchmark::State& state)
{
    Setup& s = setup();
    if (!s.server || !s.error.isEmpty()) {
        state.SkipWithError(s.error.toStdString().c_str());
        return;
    }
    s.fillCameraFolder();
    const QStringList arguments{QStringLiteral("-r"),
                                QStringLiteral("-q"),
                                QStringLiteral("-O"),  // the same SCP protocol pscp -scp speaks
                                QStringLiteral("-P"),
                                QString::number(s.server->port()),
                                QStringLiteral("-i"),
                                s.clientKey(),
                                QStringLiteral("-o"),
                                QStringLiteral("BatchMode=yes"),
                                QStringLiteral("-o"),
                                QStringLiteral("StrictHostKeyChecking=no"),
                                QStringLiteral("-o"),
                                QStringLiteral("UserKnownHostsFile=/dev/null"),
                                QStringLiteral("%1@127.0.0.1:%2")
                                    .arg(QString::fromLatin1(LoopbackSshServer::kAccount), s.server->imageDir()),
                                s.local()};
    double clientCpuMs = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        prepareLocal(s);
        state.ResumeTiming();
        const double cpuBefore = childCpuMs();
        QProcess scp;
        scp.start(QStringLiteral("scp"), arguments);
        scp.waitForFinished(600000);
        clientCpuMs += childCpuMs() - cpuBefore;
        if (scp.exitCode() != 0 || !allDownloaded(s)) {
            state.SkipWithError(("scp failed: " + scp.readAllStandardError().toStdString()).c_str());
            return;
        }
    }
    finish(state, clientCpuMs);
}

BENCHMARK(BM_ExportDeviceImages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PscpDownloadOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PlainScpBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Keeps the console report and notes each benchmark's median (or single) real time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") {
                continue;
            }
            medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }

    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv)
{
    // Own home and working folder: PuTTY's files, the extracted tools and the
    // logs of the run stay out of the user's folders.
    QTemporaryDir sandbox;
    qputenv("HOME", QFile::encodeName(sandbox.path()));
    QDir::setCurrent(sandbox.path());
    QStandardPaths::setTestModeEnabled(true);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& m = reporter.medians;
    if (m.count("BM_ExportDeviceImages") && m.count("BM_PlainScpBaseline") && m.count("BM_PscpDownloadOnly")) {
        std::printf("ratio export / plain scp: %.2f; pscp alone / plain scp: %.2f\n",
                    m.at("BM_ExportDeviceImages") / m.at("BM_PlainScpBaseline"),
                    m.at("BM_PscpDownloadOnly") / m.at("BM_PlainScpBaseline"));
    }
    benchmark::Shutdown();
    setup().server.reset();
    return 0;
}
