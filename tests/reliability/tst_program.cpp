// The real program as a child on a seeded database, mailing to the local SMTP server. Killed at
// random moments while both monitors write, and while the editors save: the database stays
// intact, no acknowledged row is lost or half written, the next start takes over the lock.
// Soaked on 1,000 devices and 1,000 jobs until each came round four times: memory stays flat, no
// descriptor, thread or child is left behind, every probe and job is in the rows and mails.
#include "Reliability.h"
#include "editors/EditorTexts.h"
#include "editors/Form2.h"
#include "editors/Form6.h"

#include <QApplication>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {
constexpr qint64 kKillBoundMs = 4 * 60 * 1000, kSoakBoundMs = 12 * 60 * 1000;
enum { Resident, Descriptors, Threads, Children, Zombies };

// The editor child: adds devices and jobs and changes devices without end, numbered from
// `first`, and prints "device N", "job N" or "change N" after each save the editor reported.
int saveRecords(const QString& folder, int first) {
    AppContext ctx(folder);
    auto recording = std::make_unique<RecordingDialogs>();
    const auto& shown = recording->shown;
    ctx.setDialogs(std::move(recording));
    Form1 host(ctx);
    Form6 devices(ctx, host);
    Form2 jobs(ctx);
    if (!devices.Form_Load() || !jobs.Form_Load())
        return 2;
    // The boxes "Name=text" saved: a change of the device shown, else after Add New.
    auto save = [&](RecordEditor& editor, const QString& what, const QString& boxes) {
        if (!what.startsWith(u"change"_s))
            editor.Command2_Click();
        for (const QString& box : boxes.split(u' '))
            editor.findChild<QLineEdit*>(box.section(u'=', 0, 0))->setText(box.section(u'=', 1));
        const qsizetype said = shown.size();
        editor.Command3_Click();
        const QString title = shown.size() > said ? shown.last().title : QString();
        if (title == EditorText::kSavedTitle || title == EditorText::kUpdatedTitle)
            std::printf("%s\n", qPrintable(what)), std::fflush(stdout);
    };
    for (int n = first;; ++n) {
        // Mail and average carry the same number (the average box takes four digits).
        const QString i = QString::number(n), v = QString::number(n % 1000);
        save(devices, u"device "_s + i, u"Text1=dev-%1 Text2=%2@x.invalid Text4=%2"_s.arg(i, v));
        save(jobs, u"job "_s + i, u"Text1=pc-%1 Text2=svc-%1 Text8=u-%1 Text9=p-%1"_s.arg(i));
        save(devices, u"change "_s + i, u"Text2=%1@x.invalid Text4=%1"_s.arg(1000 + n % 1000));
    }
}

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

// How often each of `keys` keys was seen; how often the least seen was (0 while one is missing).
int rounds(const QStringList& seen, int keys, QHash<QString, int>& counts) {
    counts.clear();
    for (const QString& key : seen)
        ++counts[key];
    return counts.size() < keys ? 0 : *std::min_element(counts.cbegin(), counts.cend());
}
} // namespace

class TestProgram : public QObject {
    Q_OBJECT
    std::unique_ptr<SmtpPeer> m_smtp;
    std::unique_ptr<ProgramCopy> m_program;
    std::unique_ptr<rel::StandIns> m_standIns;
    QTemporaryDir m_files;
    QString db() const { return m_program->databasePath(); }

  private Q_SLOTS:
    void init() {
        m_smtp = std::make_unique<SmtpPeer>();
        KORVANE_START_SMTP_PEER(*m_smtp);
        m_program = std::make_unique<ProgramCopy>();
        m_standIns = std::make_unique<rel::StandIns>();
    }

    void killedAtRandom_data() {
        QTest::addColumn<bool>("editors");
        QTest::addColumn<int>("kills");
        QTest::newRow("both monitors writing outcomes") << false << 150;
        QTest::newRow("the editors saving") << true << 100;
    }
    void killedAtRandom() {
        QFETCH(bool, editors);
        QFETCH(int, kills);
        constexpr int kUp = 12, kDown = 12;
        rel::seedMonitors(db(), kUp, kDown, 12, m_program->folder(), m_smtp->port());
        QRandomGenerator random(quint32(QDateTime::currentMSecsSinceEpoch()));
        QStringList saved; // acknowledged saves
        QElapsedTimer clock;
        clock.start();
        int survived = 0;
        for (; survived < kills && clock.elapsed() < kKillBoundMs; ++survived) {
            // It gets some way (1 to 3 probes or saves), then is killed a random moment later.
            const auto done = [&] {
                return editors ? saved.size() : readLines(m_standIns->pingLog()).size();
            };
            const qsizetype goal = done() + 1 + random.bounded(3);
            QProcess saver;
            const auto progressed = [&] {
                for (saver.waitForReadyRead(5); saver.canReadLine();)
                    saved << QString::fromUtf8(saver.readLine()).trimmed();
                return done() >= goal;
            };
            if (editors)
                saver.start(
                    QApplication::applicationFilePath(),
                    {u"--save-records"_s, m_program->folder(), QString::number(survived * 10000)});
            else
                m_standIns->start(*m_program, 2000);
            QVERIFY2(QTest::qWaitFor(progressed, 30000), "the program made no progress");
            const qint64 moment = clock.elapsed() + random.bounded(25);
            (void)QTest::qWaitFor([&] { return clock.elapsed() >= moment; });
            editors ? saver.kill() : m_program->kill();
            saver.waitForFinished();
            progressed(); // what it acknowledged before it died
            QCOMPARE(sqlRows(db(), u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
            // Rows whose columns do not belong together, then the count of the monitors' devices.
            QCOMPARE(
                sqlRows(db(),
                        u"SELECT ComputerName FROM ComputerPingList WHERE CASE WHEN ComputerName"
                        " LIKE 'dev-%' THEN EmailWhenDown <> MaxAverage || '@x.invalid' ELSE NOT"
                        " ((Status = '' AND ActionTaken = '') OR (ComputerName LIKE 'up-%' AND"
                        " Status = 'Percentage Lost 0%' AND ActionTaken LIKE 'Ping OK - %') OR"
                        " (ComputerName LIKE 'down-%' AND Status = 'Percentage Lost 100%' AND"
                        " ActionTaken LIKE 'Email%' || ComputerName || '@x.invalid%')) END UNION"
                        " ALL SELECT ComputerName FROM Services WHERE ComputerName LIKE 'pc-%'"
                        " AND Service1 || AdminUserName || AdminPassword <> replace('svc-Nu-Np-N',"
                        " 'N', substr(ComputerName, 4)) UNION ALL SELECT COUNT(*) FROM"
                        " ComputerPingList WHERE ComputerName NOT LIKE 'dev-%'"_s),
                QStringList{QString::number(kUp + kDown)});
            // Every acknowledged save is there, and at most one more for each kill.
            const QStringList stored = sqlRows(
                db(), u"SELECT 'device ' || substr(ComputerName, 5) FROM ComputerPingList WHERE"
                      " ComputerName LIKE 'dev-%' UNION ALL SELECT 'job ' || substr(ComputerName,"
                      " 4) FROM Services WHERE ComputerName LIKE 'pc-%'"_s);
            const QStringList added = saved.filter(QRegularExpression(u"^(device|job) "_s));
            for (const QString& ack : added)
                QVERIFY2(stored.contains(ack), qPrintable(ack));
            QVERIFY(stored.size() <= added.size() + survived + 1);
        }
        const QString what = editors ? u"editors saving: "_s : u"monitors writing: "_s;
        rel::figure(u"kills"_s, what + u"kills survived"_s, survived);
        rel::figure(u"kills"_s, what + u"seconds"_s, clock.elapsed() / 1000);
        QCOMPARE(survived, kills);
    }

    void soak() {
        constexpr int kUp = 900, kDown = 100, kJobs = 1000, kPasses = 4;
        constexpr int kTickDivisor = 4000; // a one-minute step lasts 15 ms
        rel::seedMonitors(db(), kUp, kDown, kJobs, m_files.path(), m_smtp->port());
        m_standIns->start(*m_program, kTickDivisor);
        QList<std::array<qint64, 5>> samples;
        qsizetype warmUp = -1; // the sample at which every device and job had its first turn
        QHash<QString, int> probes, mails;
        const auto count = [&] {
            QStringList recipients;
            for (const ReceivedMail& mail : m_smtp->messages())
                recipients << mail.recipients;
            return std::min(rounds(readLines(m_standIns->pingLog()), kUp + kDown, probes),
                            rounds(recipients, kJobs + kDown, mails));
        };
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; round < kPasses && clock.elapsed() < kSoakBoundMs;) {
            QTest::qWait(2000);
            QVERIFY2(m_program->last().state() == QProcess::Running, "the program ended");
            samples << sample(m_program->last().processId());
            // The mails are read only once the probes could have completed a round.
            if (readLines(m_standIns->pingLog()).size() >=
                    (warmUp < 0 ? 1 : kPasses) * (kUp + kDown) &&
                (round = count()) >= 1 && warmUp < 0)
                warmUp = samples.size() - 1;
        }
        m_program->stop();
        const int passes = count();
        const auto figure = [](const QString& key, const QVariant& value) {
            rel::figure(u"soak"_s, key, value);
        };
        QStringList curve;
        for (const auto& s : samples)
            curve << QString::number(s[Resident]);
        figure(u"seconds"_s, clock.elapsed() / 1000);
        figure(u"monitor time at the product's timer steps (minutes)"_s,
               clock.elapsed() * kTickDivisor / 60000);
        figure(u"probes"_s, readLines(m_standIns->pingLog()).size());
        figure(u"mails"_s, m_smtp->messageCount());
        figure(u"resident kB every 2 s"_s, curve.join(u' '));
        QVERIFY2(warmUp >= 0, "not every device and job had a turn in time");
        // The lowest and highest of a field over `n` samples after warm-up from `from` on.
        const auto after = samples.mid(warmUp);
        const qsizetype quarter = std::max<qsizetype>(1, after.size() / 4);
        const auto range = [&](qsizetype from, qsizetype n, int field) {
            const auto [low, high] = std::ranges::minmax(
                after.mid(from, n), {}, [field](const auto& s) { return s[field]; });
            return std::pair{low[field], high[field]};
        };
        const qint64 base = after.first()[Resident],
                     highest = range(0, after.size(), Resident).second;
        figure(u"growth after warm-up (%)"_s,
               QString::number(100.0 * double(highest - base) / double(base), 'f', 2));
        // Descriptors and threads come and go with each probe and mail: the fewest open in the
        // last quarter are no more than the most open in the first quarter after warm-up.
        for (const int field : {Descriptors, Threads}) {
            const auto [low, high] = range(0, quarter, field);
            const auto [lastLow, lastHigh] = range(after.size() - quarter, quarter, field);
            figure((field == Descriptors ? u"descriptors"_s : u"threads"_s) +
                       u", first and last quarter after warm-up"_s,
                   u"%1-%2 / %3-%4"_s.arg(low).arg(high).arg(lastLow).arg(lastHigh));
            QVERIFY(lastLow <= high);
        }
        // Every device and job came round; each probe of a down device was mailed but one cut
        // short by the end, and is in its row.
        QVERIFY(passes >= kPasses && probes.size() + mails.size() == kUp + kDown + kJobs + kDown);
        for (int i = kUp; i < kUp + kDown; ++i) {
            const QString name = u"down-%1"_s.arg(i);
            const int unmailed = probes.value(name) - mails.value(name + u"@x.invalid"_s);
            QVERIFY2(unmailed == 0 || unmailed == 1, qPrintable(name));
        }
        QCOMPARE(sqlRows(db(), u"SELECT SUM(Status = 'Percentage Lost 0%' AND ActionTaken LIKE"
                               " 'Ping OK - %'), SUM(Status = 'Percentage Lost 100%' AND"
                               " ActionTaken = 'Emailed To: ' || ComputerName || '@x.invalid')"
                               " FROM ComputerPingList"_s),
                 QStringList{u"%1|%2"_s.arg(kUp).arg(kDown)});
        QVERIFY2(highest <= base + base / 20, "resident memory grew by 5 % or more");
        // A child that just ended may wait a moment to be reaped; more would be a leak.
        for (const auto& s : samples)
            QVERIFY(s[Children] <= 2 && s[Zombies] <= 1);
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--save-records") == 0)
        return saveRecords(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    TestProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_program.moc"
