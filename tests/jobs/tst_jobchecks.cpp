// The job monitor's checks on real files and folders: file ages around every limit, missing
// and unreadable paths (unreadable ones as an unprivileged user), the folder search with its
// wildcard rules, the drive-letter check through the logical-disks interface, the worker pool
// with a call that hangs, and the alerts' no-address texts.
#include "JobFixture.h"
#include "jobs/CheckPool.h"
#include "jobs/DriveLetterCheck.h"
#include "jobs/FileChecks.h"

#include <QDir>
#include <QSemaphore>
#include <QTemporaryDir>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace jobtest;
using Verdict = AgeJudgement::Verdict;
using Status = LogicalDiskList::Status;

Q_DECLARE_METATYPE(std::shared_ptr<LogicalDisks>)

namespace {

const QDateTime kNow(QDate(2026, 5, 12), QTime(21, 5));

// Root reads everything: the unreadable cases run as "nobody" for their duration.
struct AsUnprivileged {
    explicit AsUnprivileged(bool on) : root(on && ::geteuid() == 0) {
        if (root && (::setegid(65534) != 0 || ::seteuid(65534) != 0))
            qFatal("cannot become nobody");
    }
    ~AsUnprivileged() {
        if (root && (::seteuid(0) != 0 || ::setegid(0) != 0))
            qFatal("cannot become root again");
    }
    bool root;
};

} // namespace

class TestJobChecks : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.path() + u'/' + name; }
    void makeTree(const QStringList& entries) {
        // "d/" is a folder, anything else a file.
        for (const QString& e : entries) {
            if (e.endsWith(u'/'))
                QDir().mkpath(path(e));
            else
                writeFile(path(e));
        }
    }
    // Nobody but root may read or search these.
    void setLocked(bool locked) {
        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QFile::setPermissions(path(u"locked"_s), locked ? QFile::Permissions() : all);
        QFile::setPermissions(path(u"secret"_s), locked ? QFile::Permissions() : all);
    }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::ExeOther));
        makeTree({u"logs/"_s, u"logs/a.LOG"_s, u"logs/.b.txt"_s, u"logs/readme"_s, u"dirs/x.log/"_s,
                  u"hidden/"_s, u"hidden/.c.log"_s, u"only/"_s, u"only/log.txt"_s, u"locked/"_s,
                  u"locked/a.log"_s, u"secret"_s});
        setLocked(true);
    }
    void cleanupTestCase() { setLocked(false); }

    void fileAge_data() {
        QTest::addColumn<QString>("ageOfFile");
        QTest::addColumn<qint64>("secondsAgo");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("label");
        const qint64 day = 86400;
        const QString hour = u"Greater Than An Hour"_s;
        QTest::newRow("hour, 60 min 59 s") << hour << 3659LL << int(Verdict::Fine) << u"1 Hour"_s;
        QTest::newRow("hour, 61 min") << hour << 3660LL << int(Verdict::Old) << u"1 Hour"_s;
        QTest::newRow("hour, 61 min ahead") << hour << -3660LL << int(Verdict::Old) << u"1 Hour"_s;
        QTest::newRow("day, 23 h")
            << u"Greater Than 1 Day"_s << 23 * 3600LL << int(Verdict::Fine) << u"1 Day"_s;
        QTest::newRow("day, exactly")
            << u"Greater Than 1 Day"_s << day << int(Verdict::Fine) << u"1 Day"_s;
        QTest::newRow("day, 1 s more")
            << u"Greater Than 1 Day"_s << day + 1 << int(Verdict::Old) << u"1 Day"_s;
        QTest::newRow("week, exactly")
            << u"Greater Than 1 Week"_s << 7 * day << int(Verdict::Fine) << u"7 Days"_s;
        QTest::newRow("week, 1 s more")
            << u"Greater Than 1 Week"_s << 7 * day + 1 << int(Verdict::Old) << u"7 Days"_s;
        QTest::newRow("month, exactly")
            << u"Greater Than 1 Month"_s << 30 * day << int(Verdict::Fine) << u"30 Days"_s;
        QTest::newRow("month, 1 s more")
            << u"Greater Than 1 Month"_s << 30 * day + 1 << int(Verdict::Old) << u"30 Days"_s;
        QTest::newRow("a number of days")
            << u" 2 "_s << 2 * day + 1 << int(Verdict::Old) << QString();
        QTest::newRow("not a number")
            << u"soon"_s << 0LL << int(Verdict::TypeMismatch) << QString();
    }
    void fileAge() {
        QFETCH(QString, ageOfFile);
        QFETCH(qint64, secondsAgo);
        writeFile(path(u"aged.bak"_s));
        setFileTime(path(u"aged.bak"_s), kNow.addSecs(-secondsAgo));
        const FileTimeReading read = readFileTime(path(u"aged.bak"_s));
        QCOMPARE(read.problem, FileProblem::None);
        const AgeJudgement judged = judgeFileAge(ageOfFile, read.lastModified, kNow);
        QTEST(int(judged.verdict), "verdict");
        QTEST(judged.ageLabel, "label");
    }

    void filePath_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("unprivileged");
        QTest::addColumn<FileProblem>("problem");
        QTest::newRow("there, typed with \\") << u"logs\\readme"_s << false << FileProblem::None;
        QTest::newRow("file missing") << u"logs/gone.bak"_s << false << FileProblem::FileNotFound;
        QTest::newRow("folder missing") << u"gone/a.bak"_s << false << FileProblem::PathNotFound;
        QTest::newRow("through a file") << u"logs/readme/a"_s << false << FileProblem::PathNotFound;
        QTest::newRow("name too long") << QString(300, u'n') << false << FileProblem::BadFileName;
        QTest::newRow("unreadable file") << u"secret"_s << true << FileProblem::BadFileName;
        QTest::newRow("unreadable folder") << u"locked/a.log"_s << true << FileProblem::BadFileName;
    }
    void filePath() {
        QFETCH(QString, file);
        QFETCH(bool, unprivileged);
        AsUnprivileged as(unprivileged);
        QTEST(readFileTime(path(file)).problem, "problem");
    }

    void folderSearch_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::addColumn<FileProblem>("problem");
        QTest::newRow("log, case ignored") << u"logs"_s << u"log"_s << true << FileProblem::None;
        QTest::newRow("txt: hidden only") << u"logs"_s << u"txt"_s << false << FileProblem::None;
        QTest::newRow("star: a name without a dot")
            << u"logs"_s << u"*"_s << true << FileProblem::None;
        QTest::newRow("log.txt is not *.log")
            << u"only"_s << u"log"_s << false << FileProblem::None;
        QTest::newRow("hidden file") << u"hidden"_s << u"log"_s << false << FileProblem::None;
        QTest::newRow("sub-folders only") << u"dirs"_s << u"*"_s << false << FileProblem::None;
        QTest::newRow("missing folder") << u"gone"_s << u"log"_s << false << FileProblem::None;
        QTest::newRow("folder typed with \\")
            << u"..\\"_s + QFileInfo(m_dir.path()).fileName() + u"\\logs"_s << u"?og"_s << true
            << FileProblem::None;
        QTest::newRow("unreadable folder")
            << u"locked"_s << u"log"_s << false << FileProblem::BadFileName;
    }
    void folderSearch() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        AsUnprivileged as(qstrcmp(QTest::currentDataTag(), "unreadable folder") == 0);
        const FolderSearch search = findMatchingFile(path(folder), name);
        QTEST(search.found, "found");
        QTEST(search.problem, "problem");
    }

    void driveLetter_data() {
        QTest::addColumn<std::shared_ptr<LogicalDisks>>("pc");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<DriveCheck::Result>("result");
        QTest::addColumn<QByteArray>("file");
        using R = DriveCheck::Result;
        const QStringList three{u"C:"_s, u"D:"_s, u"Z:"_s};
        QTest::newRow("z among C: D: Z:")
            << disks(Status::Found, three) << u"z"_s << R::Found << QByteArray("C:D:Z:");
        QTest::newRow("Z not there")
            << disks(Status::Found, {u"C:"_s}) << u"Z"_s << R::NotThere << QByteArray("C:");
        QTest::newRow("no letter")
            << disks(Status::Found, {u"C:"_s}) << QString() << R::Found << QByteArray("C:");
        QTest::newRow("letter with colon")
            << disks(Status::Found, three) << u"Z:"_s << R::NotThere << QByteArray("C:D:Z:");
        QTest::newRow("access refused")
            << disks(Status::AccessRefused) << u"C"_s << R::AccessRefused << QByteArray();
        QTest::newRow("PC unreachable")
            << disks(Status::Failed) << QString() << R::NotThere << QByteArray();
        QTest::newRow("this machine, real backend")
            << createLogicalDisks() << QString() << R::NotThere << QByteArray();
    }
    void driveLetter() {
        QFETCH(std::shared_ptr<LogicalDisks>, pc);
        QFETCH(QString, letter);
        const QString file = path(u"Drive-Letter-Check.txt"_s);
        // Every job starts from a fresh file, never from the previous job's list.
        checkDriveLetter(*disks(Status::Found, {u"Q:"_s}), u"pc"_s, u"q"_s, file);
        QTEST(checkDriveLetter(*pc, u"localhost"_s, letter, file).result, "result");
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QTEST(written.readAll(), "file");
        QCOMPARE(written.permissions() &
                     ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                 QFile::Permissions());
    }

    void hungCallDoesNotBlockTheNext() {
        CheckPool& pool = CheckPool::instance();
        QSemaphore release;
        // Two calls hang, as many as the pool has threads to begin with.
        for (int i = 0; i < 2; ++i) {
            auto hung = pool.run<int>(
                [&release] {
                    release.acquire();
                    return 1;
                },
                std::chrono::milliseconds(50));
            QVERIFY(!QCoro::waitFor(hung).has_value());
        }
        for (int i = 0; i < 3; ++i) {
            auto next = pool.run<int>([] { return 2; }, std::chrono::seconds(10));
            QCOMPARE(QCoro::waitFor(next).value_or(0), 2);
        }
        QCOMPARE(pool.hungCalls(), 2);
        release.release(2);
        QTRY_COMPARE(pool.hungCalls(), 0);
    }

    void noAddressTexts_data() {
        QTest::addColumn<JobAlert>("alert");
        QTest::addColumn<QString>("what");
        QTest::newRow("restarted") << JobAlert::PCServiceWasDown << QString();
        QTest::newRow("not running") << JobAlert::PCServiceWasDownButNotSetToRestart << QString();
        QTest::newRow("not responding") << JobAlert::PCisntResponding << u"PC isn't responding "_s;
        QTest::newRow("old") << JobAlert::FileIsOld << u"File is old "_s;
        QTest::newRow("missing") << JobAlert::FileIsMissing << u"file is missing "_s;
        QTest::newRow("path") << JobAlert::PathIsMissing << u"Path Missing "_s;
        QTest::newRow("there") << JobAlert::FileIsThere << u"File Exist "_s;
        QTest::newRow("not there") << JobAlert::FileIsNOTThere << u"File Doesn't Exist "_s;
        QTest::newRow("permission")
            << JobAlert::FileExistJobPermissionIssue << u"File Doesn't Exist permission issue "_s;
        QTest::newRow("drive") << JobAlert::DriveLetterIsntThere << u"Drive Letter check "_s;
        QTest::newRow("drive access")
            << JobAlert::DriveLetterErrorNoAccessToPC << u"Drive Letter check "_s;
    }
    void noAddressTexts() {
        QFETCH(JobAlert, alert);
        QFETCH(QString, what);
        const QString wait = alert == JobAlert::FileIsThere
                                 ? QString()
                                 : u" Now waiting on timer for the next record."_s;
        const JobAlertTexts texts = jobAlertTexts(alert, JobRecord{}, {});
        QCOMPARE(alertDetailLine(texts, u"before"_s),
                 u"No email address was found for this "_s + what +
                     u"record. Enter an Email address in this record to recieve a email "
                     u"notification."_s +
                     wait);
    }
};

QTEST_MAIN(TestJobChecks)
#include "tst_jobchecks.moc"
