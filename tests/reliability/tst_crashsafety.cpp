// SIGKILL at random moments, while both monitors write their outcomes and while the two editors
// save: after every kill the database is intact, no acknowledged row is lost and none is half
// written; the monitors' next start takes over the dead instance's lock and runs.
#include "Reliability.h"
#include "editors/EditorTexts.h"
#include "editors/Form2.h"
#include "editors/Form6.h"

#include <QApplication>
#include <QRandomGenerator>

#include <cstdio>

namespace {
constexpr int kUp = 12, kDown = 12, kJobs = 12, kTickDivisor = 2000;
constexpr qint64 kTimeBoundMs = 4 * 60 * 1000;

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
} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void killedAtRandom_data() {
        QTest::addColumn<bool>("editors");
        QTest::addColumn<int>("kills");
        QTest::newRow("both monitors writing outcomes") << false << 150;
        QTest::newRow("the editors saving") << true << 100;
    }
    void killedAtRandom() {
        QFETCH(bool, editors);
        QFETCH(int, kills);
        ProgramCopy program;
        rel::StandIns standIns;
        SmtpPeer smtp;
        KORVANE_START_SMTP_PEER(smtp);
        const QString db = program.databasePath();
        rel::seedMonitors(db, kUp, kDown, kJobs, program.folder(), smtp.port());
        QRandomGenerator random(quint32(QDateTime::currentMSecsSinceEpoch()));
        QStringList saved; // acknowledged saves
        QElapsedTimer clock;
        clock.start();
        int survived = 0;
        for (; survived < kills && clock.elapsed() < kTimeBoundMs; ++survived) {
            // It gets some way (1 to 3 probes or saves), then is killed a random moment later.
            const qsizetype goal = 1 + random.bounded(3) +
                                   (editors ? saved.size() : readLines(standIns.pingLog()).size());
            QProcess saver;
            const auto progressed = [&] {
                if (!editors)
                    return readLines(standIns.pingLog()).size() >= goal;
                for (saver.waitForReadyRead(5); saver.canReadLine();)
                    saved << QString::fromUtf8(saver.readLine()).trimmed();
                return saved.size() >= goal;
            };
            if (editors)
                saver.start(
                    QApplication::applicationFilePath(),
                    {u"--save-records"_s, program.folder(), QString::number(survived * 10000)});
            else
                standIns.start(program, kTickDivisor);
            QVERIFY2(QTest::qWaitFor(progressed, 30000), "the program made no progress");
            const qint64 moment = clock.elapsed() + random.bounded(25);
            (void)QTest::qWaitFor([&] { return clock.elapsed() >= moment; });
            editors ? saver.kill() : program.kill();
            saver.waitForFinished();
            progressed(); // what it acknowledged before it died
            QCOMPARE(sqlRows(db, u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
            // Rows whose columns do not belong together: an outcome's status without its
            // action, a saved device or job whose columns carry different numbers.
            QCOMPARE(sqlRows(db, u"SELECT ComputerName FROM ComputerPingList WHERE CASE"
                                 " WHEN ComputerName LIKE 'dev-%' THEN EmailWhenDown <> MaxAverage"
                                 " || '@x.invalid' ELSE NOT ((Status = '' AND ActionTaken = '')"
                                 " OR (ComputerName LIKE 'up-%' AND Status = 'Percentage Lost 0%'"
                                 " AND ActionTaken LIKE 'Ping OK - %') OR (ComputerName LIKE"
                                 " 'down-%' AND Status = 'Percentage Lost 100%' AND ActionTaken"
                                 " LIKE 'Email%' || ComputerName || '@x.invalid%')) END UNION ALL"
                                 " SELECT ComputerName FROM Services WHERE ComputerName LIKE "
                                 "'pc-%' AND Service1 ||"
                                 " AdminUserName || AdminPassword <> replace('svc-Nu-Np-N', 'N',"
                                 " substr(ComputerName, 4)) UNION ALL SELECT COUNT(*) FROM"
                                 " ComputerPingList WHERE ComputerName NOT LIKE 'dev-%'"_s),
                     QStringList{QString::number(kUp + kDown)});
            // Every acknowledged save is there; at most the one under way at each kill is
            // there without having been acknowledged.
            const QStringList stored = sqlRows(
                db, u"SELECT 'device ' || substr(ComputerName, 5) FROM ComputerPingList WHERE"
                    " ComputerName LIKE 'dev-%' UNION ALL SELECT 'job ' || substr(ComputerName, 4)"
                    " FROM Services WHERE ComputerName LIKE 'pc-%'"_s);
            const QStringList added = saved.filter(QRegularExpression(u"^(device|job) "_s));
            for (const QString& ack : added)
                QVERIFY2(stored.contains(ack), qPrintable(ack));
            QVERIFY(stored.size() <= added.size() + survived + 1);
        }
        const QString what = editors ? u"editors saving: "_s : u"monitors writing: "_s;
        rel::figure(u"kills"_s, what + u"kills survived"_s, QString::number(survived));
        rel::figure(u"kills"_s, what + u"seconds"_s,
                    QString::number(clock.elapsed() / 1000.0, 'f', 1));
        rel::figure(u"kills"_s, what + u"rows at the end"_s,
                    sqlRows(db, u"SELECT (SELECT COUNT(*) FROM ComputerPingList) +"
                                " (SELECT COUNT(*) FROM Services)"_s)
                        .value(0));
        QCOMPARE(survived, kills);
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--save-records") == 0)
        return saveRecords(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    TestCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
