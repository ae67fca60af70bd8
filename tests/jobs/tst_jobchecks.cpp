// The job monitor's checks as tables, on real files and folders: file ages around every limit,
// paths that cannot be read (as an unprivileged user), the folder search with its wildcard
// rules, the drive-letter check and its file, and the alerts' no-address texts.
#include "JobFixture.h"
#include "jobs/DriveLetterCheck.h"
#include "jobs/FileChecks.h"

#include <QDir>
#include <QTemporaryDir>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace jobtest;
using Verdict = AgeJudgement::Verdict;
using R = DriveCheck::Result;
using S = LogicalDiskList::Status;

Q_DECLARE_METATYPE(std::shared_ptr<LogicalDisks>)

namespace {
// Root reads everything: the unreadable cases run as "nobody" for their duration.
struct AsNobody {
    explicit AsNobody(bool on) : root(on && ::geteuid() == 0) {
        if (root && (::setegid(65534) != 0 || ::seteuid(65534) != 0))
            qFatal("cannot become nobody");
    }
    ~AsNobody() {
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
    // Nobody but root may read or search these.
    void setLocked(bool locked) {
        for (const QString& name : {u"locked"_s, u"secret"_s})
            QFile::setPermissions(path(name),
                                  locked ? QFile::Permissions()
                                         : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::ExeOther));
        for (const QString& e :
             {u"logs/a.LOG"_s, u"logs/.b.txt"_s, u"logs/readme"_s, u"dirs/x.log/"_s,
              u"hidden/.c.log"_s, u"only/log.txt"_s, u"locked/a.log"_s, u"secret"_s}) {
            QDir().mkpath(QFileInfo(path(e)).path());
            e.endsWith(u'/') ? void(QDir().mkpath(path(e))) : writeFile(path(e));
        }
        setLocked(true);
    }
    void cleanupTestCase() { setLocked(false); }

    // The type mismatch of a value that is not a number is in the job alerts' table.
    void fileAge_data() {
        // clang-format off
        QTest::addColumn<QString>("ageOfFile");
        QTest::addColumn<qint64>("secondsAgo");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("label");
        const qint64 day = 86400;
        QTest::newRow("hour, 60 min 59 s") << u"Greater Than An Hour"_s << 3659LL << Verdict::Fine << u"1 Hour"_s;
        QTest::newRow("hour, 61 min") << u"Greater Than An Hour"_s << 3660LL << Verdict::Old << u"1 Hour"_s;
        QTest::newRow("hour, 61 min ahead") << u"Greater Than An Hour"_s << -3660LL << Verdict::Old << u"1 Hour"_s;
        QTest::newRow("day, exactly") << u"Greater Than 1 Day"_s << day << Verdict::Fine << u"1 Day"_s;
        QTest::newRow("day, 1 s more") << u"Greater Than 1 Day"_s << day + 1 << Verdict::Old << u"1 Day"_s;
        QTest::newRow("week, exactly") << u"Greater Than 1 Week"_s << 7 * day << Verdict::Fine << u"7 Days"_s;
        QTest::newRow("week, 1 s more") << u"Greater Than 1 Week"_s << 7 * day + 1 << Verdict::Old << u"7 Days"_s;
        QTest::newRow("month, exactly") << u"Greater Than 1 Month"_s << 30 * day << Verdict::Fine << u"30 Days"_s;
        QTest::newRow("month, 1 s more") << u"Greater Than 1 Month"_s << 30 * day + 1 << Verdict::Old << u"30 Days"_s;
        QTest::newRow("a number of days") << u" 2 "_s << 2 * day + 1 << Verdict::Old << QString();
        // clang-format on
    }
    void fileAge() {
        QFETCH(QString, ageOfFile);
        QFETCH(qint64, secondsAgo);
        const QDateTime now(QDate(2026, 5, 12), QTime(21, 5));
        writeFile(path(u"aged.bak"_s), now.addSecs(-secondsAgo));
        const FileTimeReading read = readFileTime(path(u"aged.bak"_s));
        QCOMPARE(read.problem, FileProblem::None);
        const AgeJudgement judged = judgeFileAge(ageOfFile, read.lastModified, now);
        QTEST(judged.verdict, "verdict");
        QTEST(judged.ageLabel, "label");
    }

    // A file's time (no name) or a search of the folder, as an unprivileged user. Missing files
    // and folders are in the job alerts' table.
    void paths_data() {
        // clang-format off
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("result"); // the problem, or whether a file was found
        QTest::newRow("file there, typed with \\") << u"logs\\readme"_s << QString() << u"None"_s;
        QTest::newRow("file through a file") << u"logs/readme/a"_s << QString() << u"PathNotFound"_s;
        QTest::newRow("unreadable file") << u"secret"_s << QString() << u"BadFileName"_s;
        QTest::newRow("file in an unreadable folder") << u"locked/a.log"_s << QString() << u"BadFileName"_s;
        QTest::newRow("log, case ignored") << u"logs"_s << u"log"_s << u"found"_s;
        QTest::newRow("txt: hidden only") << u"logs"_s << u"txt"_s << u"none"_s;
        QTest::newRow("star: a name without a dot") << u"logs"_s << u"*"_s << u"found"_s;
        QTest::newRow("log.txt is not *.log") << u"only"_s << u"log"_s << u"none"_s;
        QTest::newRow("hidden file") << u"hidden"_s << u"log"_s << u"none"_s;
        QTest::newRow("sub-folders only") << u"dirs"_s << u"*"_s << u"none"_s;
        QTest::newRow("missing folder") << u"gone"_s << u"log"_s << u"none"_s;
        QTest::newRow("folder typed with \\") << u"..\\"_s + QFileInfo(m_dir.path()).fileName() + u"\\logs"_s << u"?og"_s << u"found"_s;
        QTest::newRow("unreadable folder") << u"locked"_s << u"log"_s << u"BadFileName"_s;
        // clang-format on
    }
    void paths() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        static const char* const problems[] = {"None", "FileNotFound", "PathNotFound",
                                               "BadFileName"};
        AsNobody as(true);
        const FolderSearch search =
            name.isEmpty() ? FolderSearch{readFileTime(this->path(path)).problem, false, {}}
                           : findMatchingFile(this->path(path), name);
        QTEST(name.isEmpty() || search.problem != FileProblem::None
                  ? QString::fromLatin1(problems[int(search.problem)])
              : search.found ? u"found"_s
                             : u"none"_s,
              "result");
    }

    // The other answers of a PC are in the job alerts' table.
    void driveLetter_data() {
        // clang-format off
        QTest::addColumn<std::shared_ptr<LogicalDisks>>("pc");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<DriveCheck::Result>("result");
        QTest::addColumn<QByteArray>("file");
        const QStringList three{u"C:"_s, u"D:"_s, u"Z:"_s};
        QTest::newRow("z among C: D: Z:") << disks(S::Found, three) << u"z"_s << R::Found << QByteArray("C:D:Z:");
        QTest::newRow("no letter") << disks(S::Found, {u"C:"_s}) << QString() << R::Found << QByteArray("C:");
        QTest::newRow("letter with colon") << disks(S::Found, three) << u"Z:"_s << R::NotThere << QByteArray("C:D:Z:");
        QTest::newRow("PC unreachable: a fresh file") << disks(S::Failed) << u"q"_s << R::NotThere << QByteArray();
        // clang-format on
    }
    void driveLetter() {
        QFETCH(std::shared_ptr<LogicalDisks>, pc);
        QFETCH(QString, letter);
        const QString file = path(u"Drive-Letter-Check.txt"_s);
        // Every job starts from a fresh file, never from the previous job's list.
        checkDriveLetter(*disks(S::Found, {u"Q:"_s}), u"pc"_s, u"q"_s, file);
        QTEST(checkDriveLetter(*pc, u"pc"_s, letter, file).result, "result");
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QTEST(written.readAll(), "file");
        QCOMPARE(written.permissions() &
                     ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                 QFile::Permissions());
    }

    // The detail line of every alert, in the order of the alert routines, for a record without
    // an address.
    void noAddressTexts() {
        QStringList seen;
        for (int a = 0; a <= int(JobAlert::DriveLetterErrorNoAccessToPC); ++a)
            seen << alertDetailLine(jobAlertTexts(JobAlert(a), JobRecord{}, {}), u"before"_s);
        // clang-format off
        const QString text = u"No email address was found for this %1record. Enter an Email address in this record to recieve a email notification."_s;
        const QString wait = u" Now waiting on timer for the next record."_s;
        QCOMPARE(seen, (QStringList{text.arg(QString()) + wait, text.arg(QString()) + wait, text.arg(u"PC isn't responding "_s) + wait,
                                    text.arg(u"File is old "_s) + wait, text.arg(u"file is missing "_s) + wait, text.arg(u"Path Missing "_s) + wait,
                                    text.arg(u"File Exist "_s), text.arg(u"File Doesn't Exist "_s) + wait, text.arg(u"File Doesn't Exist permission issue "_s) + wait,
                                    text.arg(u"Drive Letter check "_s) + wait, text.arg(u"Drive Letter check "_s) + wait}));
        // clang-format on
    }
};

QTEST_MAIN(TestJobChecks)
#include "tst_jobchecks.moc"
