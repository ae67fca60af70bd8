// The real program started as a user starts it: database creation, the single-instance guard
// with real second processes, and a database file it refuses.
#include "storage/Database.h"
#include "storage/SettingsTables.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kAlreadyRunning = u"Ending.....: Korvane is Already running! If not already running "
                                u"wait a moment after closing."_s;

// Copies of the program in a folder of their own (so the database is made there), each run
// killed when the test ends.
struct Program {
    QTemporaryDir dir;
    const QString exe = dir.filePath(u"korvane"_s), database = dir.filePath(u"HalvardDB.mdb"_s);
    std::vector<std::unique_ptr<QProcess>> runs;

    Program() {
        QFile::copy(QStringLiteral(KORVANE_PROGRAM_DIR "/korvane"), exe);
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
    }
    ~Program() {
        for (auto& run : runs)
            run->kill(), run->waitForFinished(5000);
    }
    QProcess& start() {
        runs.push_back(std::make_unique<QProcess>());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        runs.back()->setProcessEnvironment(env);
        runs.back()->start(exe, {});
        runs.back()->waitForStarted(5000);
        return *runs.back();
    }
};

// Whether the run has said the text on standard error so far.
bool says(QProcess& run, const QString& text) {
    run.setProperty("err",
                    run.property("err").toString() + QString::fromUtf8(run.readAllStandardError()));
    return run.property("err").toString().contains(text);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void firstStartCreatesDatabaseAndSecondIsRefused() {
        Program program;
        QProcess& first = program.start();
        // The created database opens with the program's password and has its default rows.
        QTRY_VERIFY_WITH_TIMEOUT(SettingsTable(program.database).read().ok(), 15000);
        QCOMPARE(SmtpSettingsTable(program.database).read().value.smtpPort, u"25"_s);
        QProcess& second = program.start();
        QTRY_VERIFY_WITH_TIMEOUT(says(second, kAlreadyRunning), 15000);
        QVERIFY(first.state() == QProcess::Running && !says(first, u"Ending"_s));

        // Once the first is gone (even without a clean exit), the program starts again; of two
        // started together exactly one gets the guard and runs on.
        first.kill();
        QVERIFY(first.waitForFinished(5000));
        QProcess &third = program.start(), &fourth = program.start();
        QTRY_VERIFY_WITH_TIMEOUT(says(third, kAlreadyRunning) || says(fourth, kAlreadyRunning),
                                 15000);
        QProcess& runs = says(third, kAlreadyRunning) ? fourth : third;
        QVERIFY(runs.state() == QProcess::Running && !says(runs, kAlreadyRunning));
    }

    void refusedDatabaseFile_data() {
        QTest::addColumn<QString>("message");
        QTest::newRow("another password")
            << u"Wrong Password: You entered an incorrect password. This application will now "
               u"close."_s;
        QTest::newRow("not a database")
            << u"Error: A database error or password error with the database has been detected."_s;
        QTest::newRow("cannot be opened")
            << u"Database File Not Found: Database File not found, or is currently opened with "
               u"another process. Contact your computer administrator"_s;
    }
    void refusedDatabaseFile() {
        QFETCH(QString, message);
        Program program;
        const QByteArray kind = QTest::currentDataTag();
        QFile garbage(program.database);
        if (kind == "another password")
            QVERIFY(Schema::create(program.database, u"WXYZ98765"_s).ok());
        else if (kind == "not a database")
            QVERIFY(garbage.open(QIODevice::WriteOnly) &&
                    garbage.write(QByteArray(8192, 1)) == 8192);
        else
            QVERIFY(QDir().mkpath(program.database));
        QProcess& run = program.start();
        QTRY_VERIFY_WITH_TIMEOUT(says(run, message), 15000);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
