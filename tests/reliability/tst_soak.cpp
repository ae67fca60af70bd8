// Both monitors of the real program on 1,000 devices and 1,000 jobs with every timer step
// shortened, until every device and job has come round four times: memory stays flat after the
// first round, no descriptor, thread or child process is left behind, and every probe and job is
// accounted for in the rows and in the mails at the local SMTP server.
#include "Reliability.h"
#include "SmtpPeer.h"

#include <QElapsedTimer>

#include <algorithm>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kUp = 900, kDown = 100, kJobs = 1000, kPasses = 4;
constexpr int kTickDivisor = 4000; // a one-minute step lasts 15 ms
constexpr qint64 kTimeBoundMs = 12 * 60 * 1000;

// From /proc: resident memory, descriptors, threads, living children and unreaped ones.
struct ProcessFigures {
    qint64 residentKb = 0;
    int descriptors = 0, threads = 0, children = 0, zombies = 0;
};
ProcessFigures processFigures(qint64 pid) {
    const QString proc = u"/proc/%1"_s.arg(pid);
    ProcessFigures figures;
    for (const QByteArray& line : readFile(proc + u"/status"_s).split('\n')) {
        if (line.startsWith("VmRSS:"))
            figures.residentKb = line.mid(6).trimmed().split(' ').first().toLongLong();
        else if (line.startsWith("Threads:"))
            figures.threads = line.mid(8).trimmed().toInt();
    }
    figures.descriptors =
        int(QDir(proc + u"/fd"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        // "PID (name) STATE PPID ...": the name may hold blanks and brackets.
        const QByteArray stat = readFile(u"/proc/"_s + entry + u"/stat"_s);
        const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (rest.size() >= 2 && rest.at(1).toLongLong() == pid)
            (rest.at(0) == "Z" ? figures.zombies : figures.children)++;
    }
    return figures;
}

QHash<QString, int> tally(const QStringList& keys) {
    QHash<QString, int> counts;
    for (const QString& key : keys)
        ++counts[key];
    return counts;
}
// How often the least seen of `keys` keys was seen (0 while one is missing).
int fewest(const QHash<QString, int>& counts, int keys) {
    return counts.size() < keys ? 0 : *std::min_element(counts.cbegin(), counts.cend());
}
} // namespace

class TestSoak : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void bothMonitorsOnThousands() {
        SmtpPeer smtp;
        KORVANE_START_SMTP_PEER(smtp);
        ProgramCopy program;
        rel::StandIns standIns;
        QTemporaryDir files;
        rel::seedMonitors(program.databasePath(), kUp, kDown, kJobs, files.path(), smtp.port());
        rel::startProgram(program, standIns, kTickDivisor);
        QList<ProcessFigures> samples;
        int warmUp = -1; // the sample at which every device and job had its first turn
        QHash<QString, int> probes, mails;
        const auto mailed = [&smtp] {
            QStringList recipients;
            for (const ReceivedMail& mail : smtp.messages())
                recipients << mail.recipients;
            return tally(recipients);
        };
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kTimeBoundMs) {
            QTest::qWait(2000);
            QVERIFY2(program.last().state() == QProcess::Running, "the program ended");
            samples << processFigures(program.last().processId());
            probes = tally(readLines(standIns.pingLog()));
            const int probeRound = fewest(probes, kUp + kDown);
            if (probeRound >= (warmUp < 0 ? 1 : kPasses)) // the mails could complete a round
                mails = mailed();
            const int round = std::min(probeRound, fewest(mails, kJobs + kDown));
            if (warmUp < 0 && round >= 1)
                warmUp = int(samples.size()) - 1;
            if (round >= kPasses)
                break;
        }
        program.stop();
        probes = tally(readLines(standIns.pingLog()));
        mails = mailed();
        const auto figure = [](const QString& key, const auto& value) {
            rel::figure(u"soak"_s, key, QVariant(value).toString());
        };
        QStringList curve;
        for (const auto& s : samples)
            curve << QString::number(s.residentKb);
        figure(u"devices"_s, kUp + kDown);
        figure(u"jobs"_s, kJobs);
        figure(u"seconds"_s, clock.elapsed() / 1000);
        figure(u"monitor time at the product's timer steps (minutes)"_s,
               clock.elapsed() * kTickDivisor / 60000);
        figure(u"probes"_s, std::accumulate(probes.cbegin(), probes.cend(), 0));
        figure(u"mails"_s, smtp.messageCount());
        figure(u"resident kB every 2 s"_s, curve.join(u' '));
        QVERIFY2(warmUp >= 0, "not every device and job had a turn in time");
        const qint64 base = samples.at(warmUp).residentKb;
        qint64 highest = 0;
        for (qsizetype i = warmUp; i < samples.size(); ++i)
            highest = std::max(highest, samples.at(i).residentKb);
        figure(u"growth after warm-up (%)"_s,
               QString::number(100.0 * double(highest - base) / double(base), 'f', 2));
        // Descriptors and threads come and go with each probe and mail: the fewest open in the
        // last quarter are no more than the most open in the first quarter after warm-up.
        const qsizetype quarter = std::max<qsizetype>(1, (samples.size() - warmUp) / 4);
        QList<std::pair<int, int>> ranges; // low, high
        QStringList shown;
        for (const qsizetype from : {qsizetype(warmUp), samples.size() - quarter})
            for (int ProcessFigures::*field :
                 {&ProcessFigures::descriptors, &ProcessFigures::threads}) {
                const auto [low, high] = std::minmax_element(
                    samples.cbegin() + from, samples.cbegin() + from + quarter,
                    [field](const auto& a, const auto& b) { return a.*field < b.*field; });
                ranges.append({(*low).*field, (*high).*field});
                shown << u"%1-%2"_s.arg(ranges.last().first).arg(ranges.last().second);
            }
        figure(u"descriptors, threads: first and last quarter after warm-up"_s,
               shown.mid(0, 2).join(u", "_s) + u" / "_s + shown.mid(2).join(u", "_s));
        // Every device and job came round kPasses times, and every probe of a device that was
        // down was mailed, but one cut short by the end.
        QCOMPARE(probes.size(), kUp + kDown);
        QVERIFY(fewest(probes, kUp + kDown) >= kPasses);
        QCOMPARE(mails.size(), kJobs + kDown);
        QVERIFY(fewest(mails, kJobs + kDown) >= kPasses);
        for (int i = kUp; i < kUp + kDown; ++i) {
            const QString name = u"down-%1"_s.arg(i);
            const int unmailed = probes.value(name) - mails.value(name + u"@x.invalid"_s);
            QVERIFY2(unmailed == 0 || unmailed == 1, qPrintable(name));
        }
        // Every probe is in its row.
        const QString db = program.databasePath();
        QCOMPARE(sqlRows(db, u"SELECT COUNT(*) FROM ComputerPingList WHERE"
                             " Status = 'Percentage Lost 0%' AND ActionTaken LIKE 'Ping OK - %'"_s),
                 QStringList{QString::number(kUp)});
        QCOMPARE(sqlRows(db, u"SELECT COUNT(*) FROM ComputerPingList WHERE"
                             " Status = 'Percentage Lost 100%' AND"
                             " ActionTaken = 'Emailed To: ' || ComputerName || '@x.invalid'"_s),
                 QStringList{QString::number(kDown)});
        QVERIFY2(highest <= base + base / 20, "resident memory grew by 5 % or more");
        QVERIFY(ranges[2].first <= ranges[0].second && ranges[3].first <= ranges[1].second);
        // A child that just ended may wait a moment to be reaped; more would be a leak.
        for (const auto& s : samples)
            QVERIFY(s.children <= 2 && s.zombies <= 1);
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
