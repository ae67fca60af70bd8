// Every alert of the file and drive-letter jobs as the local SMTP server receives it (subject,
// body, recipients), with the status lines the job leaves: one job per row, run by one tick of
// the cycle over real files and folders ("%F" stands for the row's folder) and a stand-in PC
// for the drive-letter jobs. The service alerts are in tst_servicecheck.
#include "JobFixture.h"
#include "WindowChecks.h"

#include <QLabel>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace jobtest;
using Status = LogicalDiskList::Status;

Q_DECLARE_METATYPE(JobRecord)
Q_DECLARE_METATYPE(std::shared_ptr<LogicalDisks>)

namespace {

const QString kOps = u"ops@site.invalid"_s;
const QString kTwo = u"ops@site.invalid;desk@site.invalid"_s;
const QString kLong = QString(300, u'n');
const QString kWaiting = u" Now waiting on timer for the next record."_s;

JobRecord fileAge(const QString& path, const QString& age, const QString& to = kOps) {
    JobRecord j;
    j.filePathToCheck = path;
    j.ageOfFile = age;
    j.emailWhenDown = to;
    return j;
}

JobRecord fileExists(const QString& folder, const QString& name, int mailWhen) {
    JobRecord j;
    j.checkIfFileExistFolder = folder;
    j.fileNameOfFileExist = name;
    j.fileExistEmailifThereOrNot = fileExistActionTexts().at(mailWhen);
    j.fileExistEmailHere = kOps;
    return j;
}

JobRecord drive(const QString& letter) {
    JobRecord j;
    j.checkIfDriveExistPCName = u"pc9"_s;
    j.checkIfDriveExistDriveLetter = letter;
    j.checkIfDriveExistEmailIfIssue = kOps;
    return j;
}

} // namespace

class TestJobAlertMail : public QObject {
    Q_OBJECT

    std::unique_ptr<SmtpPeer> m_peer;

  private Q_SLOTS:
    void initTestCase() {
        m_peer = std::make_unique<SmtpPeer>();
        if (!m_peer->start())
            QSKIP(qPrintable(u"the local SMTP server cannot start: "_s + m_peer->errorString()));
    }
    void init() { m_peer->clear(); }
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void jobAlert_data() {
        QTest::addColumn<JobRecord>("job");
        QTest::addColumn<qint64>("fileAge"); // seconds; the file is %F/a.bak
        QTest::addColumn<std::shared_ptr<LogicalDisks>>("pc");
        QTest::addColumn<QString>("label3");
        QTest::addColumn<QString>("label1");
        QTest::addColumn<QStringList>("mail"); // recipients, subject, body

        const auto none = disks(Status::Failed);
        const QString hour = ageOfFileTexts().at(0);
        const QString day = ageOfFileTexts().at(1);
        const QString oldSubject =
            u"Korvane File Check - %F/a.bak File is older than the set criteria"_s;
        auto oldBody = [](const QString& modified) {
            return u"%F/a.bak - File is older than the set criteria.\n File was last modified on ("_s +
                   modified + u"), and the current Date/Time is (12 May 2026 21:05:00)."_s;
        };
        auto oldNote = [](const QString& to, const QString& label) {
            return u"Now emailing ("_s + to +
                   u") because the file (%F/a.bak) is older than the criteria of "_s + label +
                   u"."_s + kWaiting;
        };
        const QString notFound = u") was NOT found. Please check the database list to make sure "
                                 u"the file name or path was not spelled incorrectly. "_s;
        auto pathNote = [](const QString& path) {
            return u"Now emailing (ops@site.invalid) because there was a problem with the path ("_s +
                   path +
                   u"). Try using a mapped network drive pointing to this file and check the "
                   u"spelling."_s +
                   kWaiting;
        };
        auto pathMail = [](const QString& path) {
            return QStringList{kOps, u"Korvane File Check - "_s + path + u" Path is in error"_s,
                               path + u" - The Path is in error. Try checking the path to this "
                                      u"file. Try to always use a mapped network drive"_s};
        };
        const QString driveBody =
            u"Drive Letter (Z) is NOT currently on the PC named (pc9), or the user name\\password "
            u"for this record doesn't have admin rights on the pc, or "_s;

        QTest::newRow("old, hour rule, two recipients")
            << fileAge(u"%F/a.bak"_s, hour, kTwo) << 7200LL << none << u"Checking File %F/a.bak"_s
            << oldNote(kTwo, u"1 Hour"_s)
            << QStringList{kTwo, oldSubject, oldBody(u"12 May 2026 19:05:00"_s)};
        QTest::newRow("old, day rule")
            << fileAge(u"%F/a.bak"_s, day) << 25 * 3600LL << none
            << u"File (%F/a.bak) is older than the set criteria."_s << oldNote(kOps, u"1 Day"_s)
            << QStringList{kOps, oldSubject, oldBody(u"11 May 2026 20:05:00"_s)};
        QTest::newRow("fine, hour rule")
            << fileAge(u"%F/a.bak"_s, hour) << 600LL << none << u"Checked File (%F/a.bak)"_s
            << u"File (%F/a.bak) age checked out fine according to the criteria set."_s
            << QStringList{};
        QTest::newRow("file missing: the path alert")
            << fileAge(u"%F/gone.bak"_s, day) << 0LL << none
            << u"File Path to (%F/gone.bak"_s + notFound << pathNote(u"%F/gone.bak"_s)
            << pathMail(u"%F/gone.bak"_s);
        QTest::newRow("file unreadable: the path alert")
            << fileAge(u"%F/"_s + kLong, day) << 0LL << none
            << u"File Path to (%F/"_s + kLong + notFound << pathNote(u"%F/"_s + kLong)
            << pathMail(u"%F/"_s + kLong);
        QTest::newRow("folder missing: the file-missing alert")
            << fileAge(u"%F/no/a.bak"_s, day) << 0LL << none << u"File (%F/no/a.bak"_s + notFound
            << u"Now emailing (ops@site.invalid) because the file (%F/no/a.bak) is Missing. Try "
               u"using a mapped network drive pointing to this file and check the spelling."_s +
                   kWaiting
            << QStringList{kOps, u"Korvane File Check - %F/no/a.bak File is Missing"_s,
                           u"%F/no/a.bak - File is Missing. Try using a mapped network drive "
                           u"pointing to this file and check the spelling."_s};
        QTest::newRow("age not a number: the type-mismatch outcome")
            << fileAge(u"%F/a.bak"_s, u"soon"_s) << 0LL << none
            << u"PC named () was not found on the network, or the user name/password doesn't "
               u"have admin rights on the PC, or the PC is on a different WorkGroup/Domain, or one "
               u"of the services is not spelled correctly, or the service doesn't exist on the "
               u"PC. Preparing for the next PC...."_s
            << u"Now emailing (ops@site.invalid) because the PC () is not responding."_s + kWaiting
            << QStringList{
                   kOps, u"Korvane Service Check -  is NOT responding"_s,
                   u" - Is not responding with any Services information. Either the name "
                   u"is spelled incorrectly in the database, the device is turn off, "
                   u"currently being restarted, or the user name/password doesn't have "
                   u"admin rights on the PC, or the PC is on a different WorkGroup/Domain."_s};
        QTest::newRow("file there")
            << fileExists(u"%F"_s, u"BAK"_s, 0) << 0LL << none << u"Preparing, Please Wait...."_s
            << u"Now emailing (ops@site.invalid) because the file (BAK) located in (%F) is "
               u"currently in the folder."_s +
                   kWaiting
            << QStringList{
                   kOps,
                   u"Korvane File Check - (BAK) located in (%F) is currently in the folder."_s,
                   u"The file, or partial file name (BAK) located in (%F) is currently in "
                   u"the folder."_s};
        QTest::newRow("file not there")
            << fileExists(u"%F"_s, u"zip"_s, 1) << 0LL << none << u"Preparing, Please Wait...."_s
            << u"Now emailing (ops@site.invalid) because the file (zip) located in (%F) is NOT in "
               u"the folder."_s +
                   kWaiting
            << QStringList{kOps,
                           u"Korvane File Check - (zip) located in (%F) is NOT in the folder."_s,
                           u"The file, or partial file name (zip) located in (%F) is NOT in the "
                           u"folder."_s};
        QTest::newRow("file there, mail when not")
            << fileExists(u"%F"_s, u"bak"_s, 1) << 0LL << none
            << u"Checked File (bak) located in (%F)."_s
            << u"File (bak) Does exist in (%F). Criteria set not to email if exist."_s + kWaiting
            << QStringList{};
        QTest::newRow("folder unreadable")
            << fileExists(u"%F/"_s + kLong, u"bak"_s, 0) << 0LL << none
            << u"Attempted to Check File (bak) located in (%F/"_s + kLong +
                   u"), and a permission error occured"_s
            << u"This application does NOT have full rights on the pc that has this file. This "
               u"job has failed."_s
            << QStringList{
                   kOps,
                   u"Korvane File Check - No permission to read (bak) located in (%F/"_s + kLong +
                       u")."_s,
                   u"Korvane does NOT have the rights on the PC with the following : (bak) "
                   u"located in (%F/"_s +
                       kLong +
                       u"). Some causes could be this PC is currently not turned on, not on "
                       u"the network "_s};
        QTest::newRow("drive letter found")
            << drive(u"z"_s) << 0LL << disks(Status::Found, {u"C:"_s, u"D:"_s, u"Z:"_s})
            << u"Checked Drive Letter (z). Waiting for timer..."_s
            << u"Drive Letter (z) WAS found on PC named (pc9)."_s << QStringList{};
        QTest::newRow("drive letter not there")
            << drive(u"Z"_s) << 0LL << disks(Status::Found, {u"C:"_s})
            << u"Preparing, Please Wait...."_s
            << u"Now emailing (ops@site.invalid) because the "_s + driveBody +
                   u"the PC is turned off or doesn't exist."_s
            << QStringList{kOps, u"Korvane Drive Letter Check - Drive Letter (Z) is NOT on (pc9)"_s,
                           driveBody + u"this turned off or doesn't exist."_s};
        QTest::newRow("drive query refused")
            << drive(u"Z"_s) << 0LL << disks(Status::AccessRefused)
            << u"This Drive Letter job check has encountered an issue. Please read below."_s
            << u"The PC named (pc9) can't be accessed properly. Make sure this PC name is correct "
               u"and this application has full access to it. Waiting for the timer for the next "
               u"record. Now emailing (ops@site.invalid)"_s
            << QStringList{kOps, u"Korvane Drive Letter Check - Drive Letter (Z) is NOT on (pc9)"_s,
                           driveBody + u"this PC is turned off or doesn't exist."_s};
    }

    void jobAlert() {
        QFETCH(JobRecord, job);
        QFETCH(qint64, fileAge);
        QFETCH(std::shared_ptr<LogicalDisks>, pc);
        JobFixture fx;
        const QString folder = fx.folder.path();
        for (QString* text : {&job.filePathToCheck, &job.checkIfFileExistFolder})
            text->replace(u"%F"_s, folder);
        writeFile(folder + u"/a.bak"_s);
        setFileTime(folder + u"/a.bak"_s, fx.folder.clock().time.addSecs(-fileAge));
        fx.add(job);
        pointMailAt(fx, m_peer->port());
        Form3& form = fx.open();
        fx.cycle().setLogicalDisks(pc);
        form.Command1->click();
        fx.tick();

        auto withFolder = [&folder](QString text) { return text.replace(u"%F"_s, folder); };
        QFETCH(QString, label3);
        QFETCH(QString, label1);
        QCOMPARE(form.Label3->text(), withFolder(label3));
        QCOMPARE(form.Label1->text(), withFolder(label1));
        QFETCH(QStringList, mail);
        for (QString& text : mail)
            text = withFolder(text);
        QCOMPARE(receivedMails(*m_peer).value(0), mail);
        QCOMPARE(m_peer->messageCount(), mail.isEmpty() ? 0 : 1);
    }

    void failedSendIsNotedAsFailed() {
        JobFixture fx;
        fx.add(fileAge(fx.folder.path() + u"/gone.bak"_s, ageOfFileTexts().at(1)));
        const quint16 port = unusedLoopbackPort();
        pointMailAt(fx, port);
        Form3& form = fx.open();
        form.Command1->click();
        fx.tick();
        QCOMPARE(form.Label1->text(), u"Email Failed To: ops@site.invalid - could not connect"_s);
    }
};

QTEST_MAIN(TestJobAlertMail)
#include "tst_jobalertmail.moc"
