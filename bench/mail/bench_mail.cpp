// Mail delivery to the local SMTP server: SmtpClient against the curl command line sending the
// same message to the same server, and how long the calling thread's event loop stalls while
// a send runs. Figures are printed, never judged.
#include "bench/common/EventLoopGapMeter.h"
#include "mail/SmtpClient.h"
#include "support/SmtpPeer.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

SmtpPeer* g_peer = nullptr;
QTemporaryDir* g_files = nullptr;
QString g_bigAttachment; // 1 MB of data
QString g_rawSmall;      // the small mail exactly as SmtpClient sent it, for curl
QString g_rawBig;

const QString kCurl = u"/usr/bin/curl"_s;

void configure(SmtpClient& client, bool big) {
    client.setServer(u"127.0.0.1"_s);
    client.setPort(g_peer->port());
    client.setFrom(u"alerts@korvane.invalid"_s);
    client.setFromName(u"Korvane Alerts"_s);
    client.setRecipients(u"admin@korvane.invalid"_s);
    client.setReplyTo(u"alerts@korvane.invalid"_s);
    client.setSubject(u"PC1 is Down"_s);
    client.setMessage(u"PC1 did not answer the ping at 21:05."_s);
    client.setAttachments(big ? g_bigAttachment : QString());
    client.setTransferTimeout(30s);
}

bool sendWithClient(bool big) {
    SmtpClient client; // a fresh component per mail, as the mail window uses it
    configure(client, big);
    return QCoro::waitFor(client.send()).complete();
}

bool sendWithCurl(const QString& rawFile) {
    QProcess curl;
    curl.start(kCurl, {u"--silent"_s, u"--show-error"_s, u"--max-time"_s, u"30"_s, u"--url"_s,
                       u"smtp://127.0.0.1:%1"_s.arg(g_peer->port()), u"--mail-from"_s,
                       u"alerts@korvane.invalid"_s, u"--mail-rcpt"_s, u"admin@korvane.invalid"_s,
                       u"--upload-file"_s, rawFile});
    return curl.waitForFinished(35000) && curl.exitStatus() == QProcess::NormalExit &&
           curl.exitCode() == 0;
}

// Sends one mail with SmtpClient and keeps what the server received, for curl to send again.
QString captureRaw(bool big, const QString& name) {
    g_peer->clear();
    if (!sendWithClient(big) || !g_peer->waitForMessages(1))
        return QString();
    QFile file(g_files->filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(g_peer->messages().first().raw);
    return file.fileName();
}

void BM_SmtpClient(benchmark::State& state) {
    const bool big = state.range(0) != 0;
    g_peer->clear();
    for (auto _ : state) {
        if (!sendWithClient(big)) {
            state.SkipWithError("SmtpClient send failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_CurlCommand(benchmark::State& state) {
    const QString raw = state.range(0) != 0 ? g_rawBig : g_rawSmall;
    g_peer->clear();
    for (auto _ : state) {
        if (!sendWithCurl(raw)) {
            state.SkipWithError("curl command failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The longest wait between two ticks of a 1 ms timer on the calling thread during a send.
void BM_EventLoopGap(benchmark::State& state) {
    const bool big = state.range(0) != 0;
    g_peer->clear();
    double worstMs = 0;
    double sumMs = 0;
    EventLoopGapMeter meter;
    for (auto _ : state) {
        meter.start();
        const bool ok = sendWithClient(big);
        const double longestMs = meter.stop();
        if (!ok) {
            state.SkipWithError("SmtpClient send failed");
            break;
        }
        worstMs = std::max(worstMs, longestMs);
        sumMs += longestMs;
    }
    state.counters["max_gap_ms"] = worstMs;
    state.counters["mean_max_gap_ms"] =
        state.iterations() ? sumMs / double(state.iterations()) : 0.0;
}

BENCHMARK(BM_SmtpClient)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlCommand)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EventLoopGap)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// Keeps each run's time per iteration so the ratios can be printed at the end.
class CollectingReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
            if (!run.error_occurred && run.counters.count("max_gap_ms"))
                gaps[run.benchmark_name()] = run.counters.at("max_gap_ms").value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> gaps;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    SmtpPeer peer;
    if (!peer.start()) {
        std::printf("mail benchmark not run: %s\n", qPrintable(peer.errorString()));
        return 0;
    }
    QTemporaryDir files;
    g_peer = &peer;
    g_files = &files;
    {
        QFile big(files.filePath(u"report.bin"_s));
        if (!big.open(QIODevice::WriteOnly))
            return 1;
        QByteArray data(1 << 20, Qt::Uninitialized);
        quint32 seed = 1;
        for (char& c : data) {
            seed = seed * 1664525u + 1013904223u;
            c = char(seed >> 24);
        }
        big.write(data);
        g_bigAttachment = big.fileName();
    }
    g_rawSmall = captureRaw(false, u"small.eml"_s);
    g_rawBig = captureRaw(true, u"big.eml"_s);
    if (g_rawSmall.isEmpty() || g_rawBig.isEmpty()) {
        std::printf("mail benchmark not run: the first send to the local server failed\n");
        return 0;
    }
    const bool haveCurl = QFile::exists(kCurl);
    if (!haveCurl)
        std::printf("%s is missing: the curl command baseline is skipped\n", qPrintable(kCurl));

    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n");
    for (const char* size : {"0", "1"}) {
        const std::string label = size == std::string("0") ? "alert mail" : "with 1 MB attachment";
        const auto client =
            reporter.times.find(std::string("BM_SmtpClient/") + size + "/real_time");
        const auto curl = reporter.times.find(std::string("BM_CurlCommand/") + size + "/real_time");
        if (client != reporter.times.end() && curl != reporter.times.end() && curl->second > 0) {
            std::printf("%-22s SmtpClient %.2f ms, curl command %.2f ms, ratio %.2f\n",
                        label.c_str(), client->second, curl->second, client->second / curl->second);
        }
        const auto gap = reporter.gaps.find(std::string("BM_EventLoopGap/") + size + "/real_time");
        if (gap != reporter.gaps.end())
            std::printf("%-22s longest event-loop gap during a send: %.2f ms\n", label.c_str(),
                        gap->second);
    }
    benchmark::Shutdown();
    return 0;
}
