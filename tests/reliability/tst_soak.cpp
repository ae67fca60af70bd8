// Both monitors of the real program on 1,000 devices and 1,000 jobs with every timer step
// shortened, until every device and job has come round four times: memory stays flat after the
// first round, no descriptor, thread or child process is left behind, and every probe and job is
// accounted for in the rows and in the mails at the local SMTP server.
#include "Reliability.h"

#include <algorithm>
#include <array>

namespace {
constexpr int kUp = 900, kDown = 100, kJobs = 1000, kPasses = 4;
constexpr int kTickDivisor = 4000; // a one-minute step lasts 15 ms
constexpr qint64 kTimeBoundMs = 12 * 60 * 1000;
enum { Resident, Descriptors, Threads, Children, Zombies };

// From /proc: resident kB, descriptors, threads, living children and unreaped ones.
std::array<qint64, 5> sample(qint64 pid) {
    const QString proc = u"/proc/%1"_s.arg(pid);
    std::array<qint64, 5> s{};
    for (const QByteArray& line : readFile(proc + u"/status"_s).split('\n'))
        if (line.startsWith("VmRSS:") || line.startsWith("Threads:"))
            s[line[0] == 'V' ? Resident : Threads] =
                line.split(':').at(1).simplified().split(' ').at(0).toLongLong();
    s[Descriptors] =
        QDir(proc + u"/fd"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        // "PID (name) STATE PPID ...": the name may hold blanks and brackets.
        const QByteArray stat = readFile(u"/proc/"_s + entry + u"/stat"_s);
        const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (rest.size() >= 2 && rest.at(1).toLongLong() == pid)
            ++s[rest.at(0) == "Z" ? Zombies : Children];
    }
    return s;
}

// How often each key was seen; how often the least seen of `keys` was (0 while one is missing).
QHash<QString, int> tally(const QStringList& keys) {
    QHash<QString, int> counts;
    for (const QString& key : keys)
        ++counts[key];
    return counts;
}
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
        standIns.start(program, kTickDivisor);
        QList<std::array<qint64, 5>> samples;
        qsizetype warmUp = -1; // the sample at which every device and job had its first turn
        QHash<QString, int> probes, mails;
        const auto count = [&] {
            probes = tally(readLines(standIns.pingLog()));
            QStringList recipients;
            for (const ReceivedMail& mail : smtp.messages())
                recipients << mail.recipients;
            mails = tally(recipients);
            return std::min(fewest(probes, kUp + kDown), fewest(mails, kJobs + kDown));
        };
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; round < kPasses && clock.elapsed() < kTimeBoundMs;) {
            QTest::qWait(2000);
            QVERIFY2(program.last().state() == QProcess::Running, "the program ended");
            samples << sample(program.last().processId());
            // The mails are read only once the probes could have completed a round.
            if (const qsizetype seen = readLines(standIns.pingLog()).size();
                seen >= (warmUp < 0 ? 1 : kPasses) * (kUp + kDown) && (round = count()) >= 1)
                warmUp = warmUp < 0 ? samples.size() - 1 : warmUp;
        }
        program.stop();
        const int rounds = count();
        const auto figure = [](const QString& key, const QVariant& value) {
            rel::figure(u"soak"_s, key, value);
        };
        QStringList curve;
        int probed = 0;
        for (const auto& s : samples)
            curve << QString::number(s[Resident]);
        for (const int n : probes)
            probed += n;
        figure(u"devices"_s, kUp + kDown);
        figure(u"jobs"_s, kJobs);
        figure(u"seconds"_s, clock.elapsed() / 1000);
        figure(u"monitor time at the product's timer steps (minutes)"_s,
               clock.elapsed() * kTickDivisor / 60000);
        figure(u"probes"_s, probed);
        figure(u"mails"_s, smtp.messageCount());
        figure(u"resident kB every 2 s"_s, curve.join(u' '));
        QVERIFY2(warmUp >= 0, "not every device and job had a turn in time");
        // Sorted values of a field over `quarter` samples after warm-up from `from` on.
        const auto after = samples.mid(warmUp);
        const qsizetype quarter = std::max<qsizetype>(1, after.size() / 4);
        const auto sorted = [&](qsizetype from, qsizetype count, int field) {
            QList<qint64> values;
            for (qsizetype i = from; i < from + count; ++i)
                values << after.at(i)[field];
            std::sort(values.begin(), values.end());
            return values;
        };
        const QList<qint64> resident = sorted(0, after.size(), Resident);
        const qint64 base = after.first()[Resident], highest = resident.last();
        figure(u"growth after warm-up (%)"_s,
               QString::number(100.0 * double(highest - base) / double(base), 'f', 2));
        // Descriptors and threads come and go with each probe and mail: the fewest open in the
        // last quarter are no more than the most open in the first quarter after warm-up.
        for (const int field : {Descriptors, Threads}) {
            const auto first = sorted(0, quarter, field),
                       last = sorted(after.size() - quarter, quarter, field);
            figure((field == Descriptors ? u"descriptors"_s : u"threads"_s) +
                       u", first and last quarter after warm-up"_s,
                   u"%1-%2 / %3-%4"_s.arg(first.first())
                       .arg(first.last())
                       .arg(last.first())
                       .arg(last.last()));
            QVERIFY(last.first() <= first.last());
        }
        // Every device and job came round kPasses times, and every probe of a device that was
        // down was mailed, but one cut short by the end.
        QCOMPARE(probes.size() + mails.size(), kUp + kDown + kJobs + kDown);
        QVERIFY(rounds >= kPasses);
        for (int i = kUp; i < kUp + kDown; ++i) {
            const QString name = u"down-%1"_s.arg(i);
            const int unmailed = probes.value(name) - mails.value(name + u"@x.invalid"_s);
            QVERIFY2(unmailed == 0 || unmailed == 1, qPrintable(name));
        }
        // Every probe is in its row.
        QCOMPARE(
            sqlRows(program.databasePath(),
                    u"SELECT SUM(Status = 'Percentage Lost 0%' AND ActionTaken LIKE"
                    " 'Ping OK - %'), SUM(Status = 'Percentage Lost 100%' AND ActionTaken ="
                    " 'Emailed To: ' || ComputerName || '@x.invalid') FROM ComputerPingList"_s),
            QStringList{u"%1|%2"_s.arg(kUp).arg(kDown)});
        QVERIFY2(highest <= base + base / 20, "resident memory grew by 5 % or more");
        // A child that just ended may wait a moment to be reaped; more would be a leak.
        for (const auto& s : samples)
            QVERIFY(s[Children] <= 2 && s[Zombies] <= 1);
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
