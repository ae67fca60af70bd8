// The real program started as a user starts it: database creation, the single-instance guard
// with a real second process, and a refused database file.
#include "storage/Database.h"
#include "storage/SettingsTables.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A copy of the program in a folder of its own, so its database is created there.
struct ProgramCopy {
    QTemporaryDir dir;
    QString exe;

    bool make() {
        exe = dir.filePath(u"korvane"_s);
        return QFile::copy(QStringLiteral(KORVANE_PROGRAM_DIR) + u"/korvane"_s, exe) &&
               QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
    }
    QString database() const { return dir.filePath(u"HalvardDB.mdb"_s); }
};

struct Running {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    void start(const QString& exe) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        process->setProcessEnvironment(env);
        process->start(exe, {});
    }
    QString errors() {
        m_err += QString::fromUtf8(process->readAllStandardError());
        return m_err;
    }
    ~Running() {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

  private:
    QString m_err;
};

const QString kAlreadyRunning =
    u"Ending.....: Korvane is Already running! If not already running wait a moment after closing."_s;

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void firstStartCreatesDatabaseAndSecondIsRefused() {
        ProgramCopy copy;
        QVERIFY(copy.make());
        QVERIFY(!QFile::exists(copy.database()));

        Running first;
        first.start(copy.exe);
        QVERIFY(first.process->waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy.database()), 15000);
        // The created database opens with the program's password and has its default rows.
        QTRY_VERIFY_WITH_TIMEOUT(SettingsTable(copy.database()).read().ok(), 10000);
        QCOMPARE(SmtpSettingsTable(copy.database()).read().value.smtpPort, u"25"_s);

        Running second;
        second.start(copy.exe);
        QVERIFY(second.process->waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(second.errors().contains(kAlreadyRunning), 15000);
        // The first one is untouched.
        QCOMPARE(first.process->state(), QProcess::Running);
        QVERIFY(!first.errors().contains(u"Ending"_s));

        // Once the first is gone (even without a clean exit), the program starts again.
        first.process->kill();
        QVERIFY(first.process->waitForFinished(5000));
        second.process->kill();
        QVERIFY(second.process->waitForFinished(5000));
        Running third;
        third.start(copy.exe);
        QVERIFY(third.process->waitForStarted(5000));
        // Started together with a fourth, exactly one of the two gets the guard and runs on.
        Running fourth;
        fourth.start(copy.exe);
        const auto refused = [](Running& r) { return r.errors().contains(kAlreadyRunning); };
        QTRY_VERIFY_WITH_TIMEOUT(refused(third) || refused(fourth), 15000);
        Running& runs = refused(third) ? fourth : third;
        QCOMPARE(runs.process->state(), QProcess::Running);
        QVERIFY2(!refused(runs), qPrintable(runs.errors()));
    }

    void refusedDatabaseFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("another password")
            << u"password"_s
            << u"Wrong Password: You entered an incorrect password. This application will now close."_s;
        QTest::newRow("not a database")
            << u"garbage"_s
            << u"Error: A database error or password error with the database has been detected."_s;
        QTest::newRow("cannot be opened")
            << u"folder"_s
            << u"Database File Not Found: Database File not found, or is currently opened with another process. Contact your computer administrator"_s;
    }

    void refusedDatabaseFile() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        ProgramCopy copy;
        QVERIFY(copy.make());
        if (kind == u"password"_s) {
            QVERIFY(Schema::create(copy.database(), u"WXYZ98765"_s).ok());
        } else if (kind == u"garbage"_s) {
            QFile f(copy.database());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(8192, '\x01'));
        } else {
            QVERIFY(QDir().mkpath(copy.database()));
        }
        Running program;
        program.start(copy.exe);
        QVERIFY(program.process->waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(program.errors().contains(message), 15000);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
