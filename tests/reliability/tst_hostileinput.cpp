// One corpus of hostile texts (hostile-inputs.txt) through every entry point: the two editors
// and the two settings windows typed into with key events, rows placed straight in the
// database for both monitors (the ping command line, the service tool's argument list, the
// alert mails), the service tool's own command line, and file-job paths and names. Nothing is
// executed, no SQL is altered, no mail header or recipient is added or replaced, no row other
// than the intended one changes, and the windows show the text as stored.
#include "FakeCommandRunner.h"
#include "Reliability.h"
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "editors/Form2.h"
#include "editors/Form6.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "mail/MailFormat.h"
#include "settings/Form4.h"
#include "settings/Form7.h"
#include "storage/JobTable.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// The corpus, decoded, with @CANARY@ replaced by `canary`.
QStringList readCorpus(const QString& canary) {
    QFile file(QStringLiteral(KORVANE_HOSTILE_CORPUS));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the hostile-input corpus");
    QStringList entries;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('{')) { // {N:text}
            const qsizetype colon = line.indexOf(':');
            line = line.mid(colon + 1, line.size() - colon - 2)
                       .repeated(line.mid(1, colon - 1).toInt());
        }
        entries << QString::fromUtf8(QByteArray::fromPercentEncoding(line))
                       .replace(u"@CANARY@"_s, canary);
    }
    return entries;
}

// Every row of a table as one text (quote() of every column), ordered by ID.
QStringList dump(const QString& db, const QString& table) {
    DbSession session(db);
    QSqlQuery columns(session.db());
    session.exec(columns, u"SELECT name FROM pragma_table_info(?)"_s, {table});
    QStringList quoted;
    while (columns.next())
        quoted << u"quote(%1)"_s.arg(columns.value(0).toString());
    return rel::query(db, u"SELECT %1 FROM %2 ORDER BY ID"_s.arg(quoted.join(u"||'|'||"_s), table));
}

QStringList boxTexts(const QList<QLineEdit*>& boxes) {
    QStringList texts;
    for (QLineEdit* box : boxes)
        texts << box->text();
    return texts;
}

// Types the text as key events, one per character (a surrogate pair as one): line breaks and
// tabs as their keys, everything else as a key carrying that text.
void typeInto(const QList<QLineEdit*>& boxes, const QString& text) {
    for (QLineEdit* box : boxes) {
        box->setFocus();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            const bool pair = c.isHighSurrogate() && i + 1 < text.size();
            const QString typed = pair ? text.mid(i++, 2) : QString(c);
            const Qt::Key key = c == u'\r' || c == u'\n' ? Qt::Key_Return
                                : c == u'\t'             ? Qt::Key_Tab
                                : c.unicode() >= 0x20 && c.unicode() < 0x7f
                                    ? Qt::Key(QChar(c).toUpper().unicode())
                                    : Qt::Key_unknown;
            QTest::sendKeyEvent(QTest::Click, box, key, typed, Qt::NoModifier);
        }
    }
}

} // namespace

class TestHostileInput : public QObject {
    Q_OBJECT
    QTemporaryDir m_scratch;
    QString m_canary;
    QStringList m_corpus;
    SmtpPeer m_smtp;
    rel::StandIns m_standIns;
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<Form1> m_main;
    RecordingDialogs* m_dialogs = nullptr;
    QHash<QString, int> m_tried;
    // The headers every alert mail has, and no more.
    const QString m_headerNames =
        u"content-type,date,from,message-id,mime-version,reply-to,subject,to"_s;

    QString db() const { return m_folder->databasePath(); }

    // The editors: a sentinel row stays as it is; the entry is typed into `boxes`, then
    // Update; a save stores exactly what the boxes show, and the reloaded boxes show it again.
    void editorSaves(RecordEditor& editor, const QString& table, const QList<QLineEdit*>& boxes,
                     const QStringList& columns, const QString& entry) {
        const QStringList before = dump(db(), table);
        editor.Command2_Click();
        typeInto(boxes, entry);
        const QStringList typed = boxTexts(boxes);
        editor.Command3_Click();
        const QStringList after = dump(db(), table);
        QCOMPARE(after.mid(0, before.size()), before);
        QVERIFY(after.size() <= before.size() + 1);
        if (after.size() == before.size()) {
            QVERIFY2(!m_dialogs->shown.isEmpty(), "nothing was saved and nothing was said");
            return;
        }
        QStringList stored;
        for (const QString& column : columns)
            stored << rel::query(db(),
                                 u"SELECT %1 FROM %2 ORDER BY ID DESC LIMIT 1"_s.arg(column, table))
                          .value(0);
        QCOMPARE(stored, typed);
        QCOMPARE(boxTexts(boxes), stored);
    }

    // The settings windows: the typed entry is refused with a message (the row unchanged) or
    // stored as the trimmed boxes show it; a reopened window shows what is stored.
    template <typename Form>
    void settingsSaves(const QString& table, const QStringList& boxNames, const QString& entry) {
        const QStringList before = dump(db(), table);
        Form form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        QList<QLineEdit*> boxes;
        for (const QString& name : boxNames)
            boxes << form.template findChild<QLineEdit*>(name);
        for (QLineEdit* box : boxes)
            box->clear();
        typeInto(boxes, entry);
        form.Command1_Click();
        QVERIFY(!m_dialogs->shown.isEmpty());
        const bool saved = form.result() == QDialog::Accepted;
        Form reopened(m_folder->ctx);
        QVERIFY(reopened.Form_Load());
        QStringList shown, typed = boxTexts(boxes);
        for (const QString& name : boxNames)
            shown << reopened.template findChild<QLineEdit*>(name)->text();
        if (saved)
            QCOMPARE(shown, typed);
        else
            QCOMPARE(dump(db(), table), before);
    }

  private Q_SLOTS:
    void initTestCase() {
        m_canary = m_scratch.filePath(u"executed"_s);
        m_corpus = readCorpus(m_canary);
        KORVANE_START_SMTP_PEER(m_smtp);
        qputenv("PATH", m_standIns.searchPath().toLocal8Bit());
        QVERIFY(Schema::create(m_scratch.filePath(u"template.mdb"_s)).ok());
    }
    void cleanupTestCase() {
        for (auto it = m_tried.cbegin(); it != m_tried.cend(); ++it)
            rel::figure(u"hostile"_s, it.key(), QString::number(it.value()));
    }
    void init() {
        // A copy of one database made once: its password check is derived only once.
        m_folder = std::make_unique<TestProgramFolder>(false);
        QVERIFY(QFile::copy(m_scratch.filePath(u"template.mdb"_s), db()));
        m_dialogs = &m_folder->dialogs();
        m_folder->execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', SMTPport = ?,"
                          " FromEmail = 'korvane@x.invalid'"_s,
                          {QString::number(m_smtp.port())});
        m_folder->ctx.setTickDivisor(20000);
        m_folder->addDevice(u"sentinel"_s);
        m_folder->execSql(
            u"INSERT INTO Services (ComputerName, Service1) VALUES ('sentinel', 'x')"_s);
        m_main = std::make_unique<Form1>(m_folder->ctx);
        QVERIFY(m_main->Form_Load());
        m_smtp.clear();
    }
    void cleanup() {
        m_main.reset();
        m_folder.reset();
        QVERIFY2(!QFile::exists(m_canary), "a hostile text was executed");
    }

    void entryPoint_data() {
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("entry");
        const QStringList points{u"device editor"_s,           u"job editor, services"_s,
                                 u"job editor, file exists"_s, u"email settings"_s,
                                 u"application settings"_s,    u"device row, ping monitor"_s,
                                 u"job rows, job monitor"_s,   u"service tool command line"_s};
        const QStringList corpus = readCorpus(u"CANARY"_s);
        for (const QString& point : points)
            for (qsizetype i = 0; i < corpus.size(); ++i)
                QTest::addRow("%s #%d", qPrintable(point), int(i)) << point << QString::number(i);
    }

    void entryPoint() {
        QFETCH(QString, point);
        QFETCH(QString, entry);
        const QString text = m_corpus.at(entry.toInt());
        ++m_tried[point];
        if (point == u"device editor"_s) {
            Form6 form(m_folder->ctx, *m_main);
            QVERIFY(form.Form_Load());
            editorSaves(form, u"ComputerPingList"_s, {form.Text1, form.Text2, form.Text4},
                        {u"ComputerName"_s, u"EmailWhenDown"_s, u"MaxAverage"_s}, text);
        } else if (point == u"job editor, services"_s) {
            Form2 form(m_folder->ctx);
            QVERIFY(form.Form_Load());
            editorSaves(form, u"Services"_s,
                        {form.Text1, form.Text2, form.Text8, form.Text9, form.Text10},
                        {u"ComputerName"_s, u"Service1"_s, u"AdminUserName"_s, u"AdminPassword"_s,
                         u"EmailWhenDown"_s},
                        text);
        } else if (point == u"job editor, file exists"_s) {
            Form2 form(m_folder->ctx);
            QVERIFY(form.Form_Load());
            form.Combo2->setCurrentIndex(0);
            editorSaves(
                form, u"Services"_s, {form.Text15, form.Text16, form.Text17},
                {u"CheckIfFileExistFolder"_s, u"FileNameOfFileExist"_s, u"FileExistEmailHere"_s},
                text);
        } else if (point == u"email settings"_s) {
            settingsSaves<Form7>(
                u"SMTPsettings"_s,
                {u"Text1"_s, u"Text2"_s, u"Text3"_s, u"Text4"_s, u"Text5"_s, u"Text7"_s}, text);
        } else if (point == u"application settings"_s) {
            settingsSaves<Form4>(u"Settings"_s, {u"Text1"_s, u"Text2"_s}, text);
        } else if (point == u"device row, ping monitor"_s) {
            pingMonitor(text);
        } else if (point == u"job rows, job monitor"_s) {
            jobMonitor(text);
        } else {
            serviceTool(text);
        }
    }

  private:
    // A device row and the sender's name holding the text: `ping` gets it as one host argument
    // after "--", only its row changes, the list shows it as stored, and the alert goes from the
    // stored sender to the listed addresses only, with the usual headers.
    void pingMonitor(const QString& text) {
        const qint64 id =
            m_folder->addDevice({0, text, u"ok@x.invalid;"_s + text, {}, false, {}, {}});
        // The sender's name as stored is hostile too.
        m_folder->execSql(u"UPDATE SMTPsettings SET FromName = ?"_s, {text});
        m_folder->ctx.values().fncGetSMTPsettings(db());
        const QString fixed = u"SELECT ID||quote(ComputerName)||quote(EmailWhenDown)||"
                              "quote(MaxAverage)||Disabled FROM ComputerPingList ORDER BY ID"_s;
        const QStringList before = rel::query(db(), fixed);
        auto runner = std::make_unique<FakeCommandRunner>();
        FakeCommandRunner* calls = runner.get();
        runner->outputs = {u"4 packets transmitted, 0 received, 100% packet loss, time 3003ms\n"_s};
        m_folder->ctx.setRunner(std::move(runner));
        QSignalSpy handled(&m_main->pingCycle(), &PingCycle::resultHandled);
        m_main->pingCycle().Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(handled.size() >= 2, 60000);
        m_main->pingCycle().Command2_Click();
        QVERIFY(calls->calls.contains(
            QStringList{u"ping"_s, u"-c"_s, u"4"_s, u"-W"_s, u"4"_s, u"--"_s, text}));
        QCOMPARE(rel::query(db(), fixed), before);
        QCOMPARE(rel::query(db(), u"SELECT Status FROM ComputerPingList WHERE ID = %1"_s.arg(id)),
                 QStringList{u"Percentage Lost 100%"_s});
        const QAbstractItemModel* list =
            m_main->findChild<QAbstractItemView*>(u"ListView1"_s)->model();
        QStringList shown;
        for (int r = 0; r < list->rowCount(); ++r)
            shown << list->index(r, 0).data().toString();
        QVERIFY(shown.contains(text));
        QVERIFY(m_smtp.waitForMessages(1));
        QStringList allowed;
        for (const QString& address : (u"ok@x.invalid;"_s + text).split(u';'))
            allowed << address.trimmed();
        for (const ReceivedMail& mail : m_smtp.messages()) {
            for (const QString& recipient : mail.recipients)
                QVERIFY2(allowed.contains(recipient), qPrintable(recipient));
            QCOMPARE(mail.mailFrom, u"korvane@x.invalid"_s);
            QStringList names;
            for (const auto& header : mail.headers)
                names << header.first.toLower();
            names.sort();
            QCOMPARE(names.join(u','), m_headerNames);
        }
    }

    // A service job and a file-exists job holding the text: the service tool gets every value
    // as one argument exactly as stored, the file check reads the path as a path and shows the
    // name as stored, and no row changes.
    void jobMonitor(const QString& text) {
        JobRecord service;
        service.computerName = text;
        service.service[0] = text;
        service.adminUserName = text;
        service.adminPassword = text;
        JobRecord files;
        files.computerName = u"~files"_s;
        files.checkIfFileExistFolder = text;
        files.fileNameOfFileExist = text;
        files.fileExistEmailifThereOrNot = fileExistActionTexts().at(1);
        JobTable(db()).insert(service);
        JobTable(db()).insert(files);
        m_folder->execSql(u"DELETE FROM Services WHERE ComputerName = 'sentinel'"_s);
        QFile(m_folder->path() + u"/psservice.exe"_s).open(QIODevice::WriteOnly);
        const QStringList before = dump(db(), u"Services"_s);
        auto runner = std::make_unique<FakeCommandRunner>();
        FakeCommandRunner* calls = runner.get();
        m_folder->ctx.setRunner(std::move(runner));
        m_main->findChild<QAction*>(u"mnuRemoteServicesScanning"_s)->trigger();
        Form3* form = Form3::openWindow(m_main.get());
        QSignalSpy ended(&form->cycle(), &JobCycle::jobEnded);
        QStringList lines;
        QObject listening; // goes before `lines`, and its connection with it
        connect(&form->cycle(), &JobCycle::jobEnded, &listening,
                [&] { lines << form->Label3->text() + u" | "_s + form->Label1->text(); });
        form->cycle().Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 2, 60000);
        form->cycle().Command2_Click();
        const QStringList expected{m_folder->path() + u"/psservice.exe"_s,
                                   u"\\\\"_s + text,
                                   u"-u"_s,
                                   text,
                                   u"-p"_s,
                                   text,
                                   u"query"_s,
                                   text};
        QCOMPARE(calls->calls.value(0), expected);
        QCOMPARE(dump(db(), u"Services"_s), before);
        const QString noMail = u" | No email address was found for this %1 record. Enter an Email"
                               " address in this record to recieve a email notification. Now"
                               " waiting on timer for the next record."_s;
        const QString serviceLine =
            u"PC named (%1) was not found on the network, or the user name/password doesn't have"
            " admin rights on the PC, or the PC is on a different WorkGroup/Domain, or one of the"
            " services is not spelled correctly, or the service doesn't exist on the PC. Preparing"
            " for the next PC...."_s.arg(text) +
            noMail.arg(u"PC isn't responding"_s);
        // A folder that is there holds no such file; one that cannot be read (a name too long)
        // is a permission problem.
        const QStringList fileLines{
            u"Preparing, Please Wait...."_s + noMail.arg(u"File Doesn't Exist"_s),
            u"Attempted to Check File (%1) located in (%1), and a permission error occured"_s.arg(
                text) +
                noMail.arg(u"File Doesn't Exist permission issue"_s)};
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.filter(u"PC named ("_s).value(0), serviceLine);
        lines.removeOne(serviceLine);
        QVERIFY2(fileLines.contains(lines.value(0)), qPrintable(lines.value(0).left(300)));
        form->close();
    }

    // The service tool run with the text as PC, user, password and service: it ends with one of
    // its exit statuses, `net` gets the PC and the service as single arguments and never the
    // password.
    void serviceTool(const QString& text) {
        QFile::remove(m_standIns.netLog());
        const QString password = u"Pw-"_s + text;
        QProcess tool;
        tool.start(QStringLiteral(KORVANE_PROGRAM_DIR "/psservice.exe"),
                   {u"\\\\"_s + text, u"-u"_s, text, u"-p"_s, password, u"query"_s, text});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QVERIFY(tool.exitCode() >= 0 && tool.exitCode() <= 2);
        const QStringList net = rel::StandIns::lines(m_standIns.netLog());
        QVERIFY(net.filter(u"Pw-"_s).isEmpty());
        // An argument ends at a NUL on its way to a program.
        if (!net.isEmpty() && !text.contains(u'\n') && !text.contains(u'\r'))
            QVERIFY(net.contains(text.section(QChar(0), 0, 0)));
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
