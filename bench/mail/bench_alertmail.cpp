// One alert mail through the whole path the monitors use (a fresh, hidden mail window with its
// own SMTP component, sendAlertMail, the window closing itself) against the bare SmtpClient
// sending the same message, and the longest stall of the user-interface thread's event loop
// during an alert. Figures are printed, never judged.
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "bench/common/EventLoopGapMeter.h"
#include "mail/AlertMail.h"
#include "mail/frmMain.h"

#include <QApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

using namespace Qt::Literals::StringLiterals;

namespace {

SmtpPeer* g_peer = nullptr;
Form1* g_main = nullptr;

AlertMailRequest request() {
    return alertMailRequest(g_main->publicValues(), u"admin@korvane.invalid"_s, u"PC1 is Down"_s,
                            u"PC1 did not answer the ping at 21:05."_s);
}

// Runs one alert to its end, with the event loop turning, and waits for the window to go.
bool sendOneAlert() {
    QCoro::Task<MailOutcome> sending =
        sendAlertMail(g_main->context(), g_main->mailWindows(), request());
    QCoro::waitFor(sending);
    while (!g_main->findChildren<frmMain*>(Qt::FindDirectChildrenOnly).isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return true;
}

bool sendWithClientOnly() {
    SmtpClient client;
    client.setServer(u"127.0.0.1"_s);
    client.setPort(g_peer->port());
    client.setFrom(u"alerts@korvane.invalid"_s);
    client.setFromName(u"Korvane Alerts"_s);
    client.setRecipients(u"admin@korvane.invalid"_s);
    client.setReplyTo(u"alerts@korvane.invalid"_s);
    client.setSubject(u"PC1 is Down"_s);
    client.setMessage(u"PC1 did not answer the ping at 21:05."_s);
    client.setUseAuthentication(true);
    return QCoro::waitFor(client.send()).complete();
}

void BM_AlertThroughMailWindow(benchmark::State& state) {
    for (auto _ : state)
        sendOneAlert();
    state.SetItemsProcessed(state.iterations());
}

void BM_SmtpClientOnly(benchmark::State& state) {
    for (auto _ : state) {
        if (!sendWithClientOnly()) {
            state.SkipWithError("SmtpClient send failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The longest wait between two ticks of a 1 ms timer on the user-interface thread while one
// alert goes out (window made, filled, sent, closed).
void BM_AlertEventLoopGap(benchmark::State& state) {
    double worstMs = 0;
    EventLoopGapMeter meter;
    for (auto _ : state) {
        meter.start();
        sendOneAlert();
        worstMs = std::max(worstMs, meter.stop());
    }
    state.counters["max_gap_ms"] = worstMs;
}

BENCHMARK(BM_AlertThroughMailWindow)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmtpClientOnly)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AlertEventLoopGap)->UseRealTime()->Unit(benchmark::kMillisecond);

class CollectingReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
            if (!run.error_occurred && run.counters.count("max_gap_ms"))
                gap = run.counters.at("max_gap_ms").value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    double gap = -1;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    SmtpPeer peer(SmtpPeer::Options{0, u"korvane"_s, u"s3cret"_s});
    if (!peer.start()) {
        std::printf("alert mail benchmark not run: %s\n", qPrintable(peer.errorString()));
        return 0;
    }
    TestProgramFolder folder;
    Form1 main(folder.ctx);
    main.publicValues().SMTPserver = u"127.0.0.1"_s;
    main.publicValues().SMTPFromEmail = u"alerts@korvane.invalid"_s;
    main.publicValues().SMTPFromName = u"Korvane Alerts"_s;
    main.publicValues().SMTPUserName = u"korvane"_s;
    main.publicValues().SMTPPassword = u"s3cret"_s;
    main.publicValues().SMTPport = QString::number(peer.port());
    g_peer = &peer;
    g_main = &main;
    sendOneAlert();
    if (!peer.waitForMessages(1)) {
        std::printf("alert mail benchmark not run: the first alert did not arrive\n");
        return 0;
    }

    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto window = reporter.times.find("BM_AlertThroughMailWindow/real_time");
    const auto client = reporter.times.find("BM_SmtpClientOnly/real_time");
    std::printf("\n");
    if (window != reporter.times.end() && client != reporter.times.end() && client->second > 0)
        std::printf("alert through the mail window %.2f ms, SmtpClient alone %.2f ms, ratio %.2f\n",
                    window->second, client->second, window->second / client->second);
    if (reporter.gap >= 0)
        std::printf("longest event-loop gap during one alert: %.2f ms\n", reporter.gap);
    benchmark::Shutdown();
    return 0;
}
