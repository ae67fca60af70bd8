// One corpus of hostile texts (hostile-inputs.txt) through every entry point: nothing is
// executed, no SQL altered, no mail header or recipient added, no other row changed, and the
// windows show the text as stored.
#include "Reliability.h"
#include "editors/Form2.h"
#include "editors/Form6.h"
#include "settings/Form4.h"
#include "settings/Form7.h"

#include <QAbstractItemView>

namespace {
// The corpus decoded ({N:text} repeated N times), with @CANARY@ replaced by `canary`.
QStringList readCorpus(const QString& canary) {
    QStringList entries;
    for (QByteArray line : readFile(QStringLiteral(KORVANE_HOSTILE_CORPUS)).split('\n')) {
        if (const qsizetype colon = line.indexOf(':'); line.startsWith('{'))
            line = line.mid(colon + 1, line.size() - colon - 2)
                       .repeated(line.mid(1, colon - 1).toInt());
        if (!line.isEmpty() && !line.startsWith('#'))
            entries << QString::fromUtf8(QByteArray::fromPercentEncoding(line))
                           .replace(u"@CANARY@"_s, canary);
    }
    return entries;
}

// What the named boxes of a window show; with a text, after it was typed into each emptied box,
// one key event per character (a surrogate pair as one; line breaks and tabs as their keys).
QStringList boxes(const QWidget& window, const QString& names, const QString* text = nullptr) {
    QStringList shown;
    for (const QString& name : names.split(u' ')) {
        auto* box = window.findChild<QLineEdit*>(name);
        if (text)
            box->clear();
        for (qsizetype i = 0; text && i < text->size(); ++i) {
            const QChar c = text->at(i);
            box->setFocus();
            QTest::sendKeyEvent(QTest::Click, box,
                                c == u'\r' || c == u'\n' ? Qt::Key_Return
                                : c == u'\t'             ? Qt::Key_Tab
                                                         : Qt::Key_unknown,
                                c.isHighSurrogate() ? text->mid(i++, 2) : QString(c),
                                Qt::NoModifier);
        }
        shown << box->text();
    }
    return shown;
}
} // namespace

class TestHostileInput : public QObject {
    Q_OBJECT
    QTemporaryDir m_scratch;
    QString m_canary = m_scratch.filePath(u"executed"_s);
    QStringList m_corpus = readCorpus(m_canary);
    SmtpPeer m_smtp;
    rel::StandIns m_standIns;
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<Form1> m_main;
    QHash<QString, int> m_tried;
    QString db() const { return m_folder->databasePath(); }

  private Q_SLOTS:
    void initTestCase() {
        KORVANE_START_SMTP_PEER(m_smtp);
        QVERIFY(!m_corpus.isEmpty());
        qputenv("PATH", m_standIns.searchPath().toLocal8Bit());
        QVERIFY(Schema::create(m_scratch.filePath(u"template.mdb"_s)).ok());
    }
    void cleanupTestCase() {
        for (auto it = m_tried.cbegin(); it != m_tried.cend(); ++it)
            rel::figure(u"hostile"_s, it.key(), it.value());
    }
    void init() {
        // Copies of one database: its password check is derived only once.
        m_folder = std::make_unique<TestProgramFolder>(false);
        QVERIFY(QFile::copy(m_scratch.filePath(u"template.mdb"_s), db()));
        m_folder->mailTo(m_smtp.port());
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
        QTest::addColumn<int>("entry");
        for (const char* point :
             {"device editor", "job editor", "email settings", "application settings",
              "device row, ping monitor", "job rows, job monitor", "service tool command line"})
            for (int i = 0; i < m_corpus.size(); ++i)
                QTest::addRow("%s #%d", point, i) << QString::fromLatin1(point) << i;
    }
    void entryPoint() {
        QFETCH(QString, point);
        QFETCH(int, entry);
        const QString text = m_corpus.at(entry);
        ++m_tried[point];
        Form2 jobs(m_folder->ctx);
        Form6 devices(m_folder->ctx, *m_main);
        if (point == u"device editor"_s)
            editorSaves(devices, u"ComputerPingList"_s, u"Text1 Text2 Text4"_s,
                        u"ComputerName, EmailWhenDown, MaxAverage"_s, text);
        else if (point == u"job editor"_s)
            editorSaves(jobs, u"Services"_s, u"Text1 Text2 Text8 Text9 Text10"_s,
                        u"ComputerName, Service1, AdminUserName, AdminPassword, EmailWhenDown"_s,
                        text);
        else if (point == u"email settings"_s)
            settingsSaves<Form7>(u"SMTPsettings"_s, u"Text1 Text2 Text3 Text4 Text5 Text7"_s, text);
        else if (point == u"application settings"_s)
            settingsSaves<Form4>(u"Settings"_s, u"Text1 Text2"_s, text);
        else if (point == u"device row, ping monitor"_s)
            pingMonitor(text);
        else if (point == u"job rows, job monitor"_s)
            jobMonitor(text);
        else
            serviceTool(text);
    }

  private:
    // An editor after Add New stores exactly what the boxes show (or nothing, with a word) and
    // shows it again; the other rows stay.
    void editorSaves(RecordEditor& editor, const QString& table, const QString& names,
                     const QString& columns, const QString& entry) {
        QVERIFY(editor.Form_Load());
        const QStringList before = quotedRows(db(), table);
        editor.Command2_Click();
        const QStringList typed = boxes(editor, names, &entry);
        editor.Command3_Click();
        const QStringList after = quotedRows(db(), table);
        QCOMPARE(after.mid(0, before.size()), before);
        QVERIFY(after.size() <= before.size() + 1);
        QVERIFY2(after.size() > before.size() || !m_folder->dialogs().shown.isEmpty(),
                 "nothing saved, nothing said");
        if (after.size() > before.size()) {
            const QStringList stored =
                sqlRows(db(), u"SELECT %1 FROM %2 ORDER BY ID DESC LIMIT 1"_s.arg(columns, table));
            QCOMPARE(stored, QStringList{typed.join(u'|')});
            QCOMPARE(boxes(editor, names).join(u'|'), stored.value(0));
        }
    }

    // A settings window refuses the entry with a message (the row unchanged) or stores it as the
    // trimmed boxes show it, and a reopened window shows that.
    template <typename Form>
    void settingsSaves(const QString& table, const QString& names, const QString& entry) {
        const QStringList before = quotedRows(db(), table);
        Form form(m_folder->ctx), reopened(m_folder->ctx);
        QVERIFY(form.Form_Load());
        boxes(form, names, &entry);
        form.Command1_Click();
        QVERIFY(!m_folder->dialogs().shown.isEmpty() && reopened.Form_Load());
        if (form.result() == QDialog::Accepted)
            QCOMPARE(boxes(reopened, names), boxes(form, names));
        else
            QCOMPARE(quotedRows(db(), table), before);
    }

    // The text as a device and the sender's name: `ping` gets one host after "--", only outcome
    // columns change, the list shows it, the alert goes to the listed addresses only, as usual.
    void pingMonitor(const QString& text) {
        const QString addresses = u"ok@x.invalid;"_s + text;
        const qint64 id = m_folder->addDevice(text, addresses);
        m_folder->execSql(u"UPDATE SMTPsettings SET FromName = ?"_s, {text});
        m_folder->ctx.values().fncGetSMTPsettings(db());
        const QString fixed =
            u"SELECT ID, ComputerName, EmailWhenDown, MaxAverage, Disabled FROM ComputerPingList"_s;
        const QStringList before = m_folder->select(fixed);
        FakeCommandRunner& runner = FakeCommandRunner::installIn(m_folder->ctx);
        runner.outputs = {u"4 packets transmitted, 0 received, 100% packet loss, time 3003ms\n"_s};
        QSignalSpy handled(&m_main->pingCycle(), &PingCycle::resultHandled);
        m_main->pingCycle().Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(handled.size() >= 2, 60000);
        m_main->pingCycle().Command2_Click();
        QVERIFY(runner.calls.contains(
            QStringList{u"ping"_s, u"-c"_s, u"4"_s, u"-W"_s, u"4"_s, u"--"_s, text}));
        QCOMPARE(m_folder->select(fixed), before);
        QCOMPARE(m_folder->select(u"SELECT Status FROM ComputerPingList WHERE ID = ?"_s, {id}),
                 QStringList{u"Percentage Lost 100%"_s});
        const QAbstractItemModel* list =
            m_main->findChild<QAbstractItemView*>(u"ListView1"_s)->model();
        QVERIFY(
            !list->match(list->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly).isEmpty());
        QVERIFY(m_smtp.messageCount() >= 1);
        QStringList allowed;
        for (const QString& address : addresses.split(u';'))
            allowed << address.trimmed();
        for (const ReceivedMail& mail : m_smtp.messages()) {
            QStringList names;
            for (const auto& header : mail.headers)
                names << header.first.toLower();
            for (const QString& recipient : mail.recipients)
                QVERIFY2(allowed.contains(recipient), qPrintable(recipient));
            names.sort();
            QCOMPARE(mail.mailFrom + u' ' + names.join(u','),
                     u"korvane@site.invalid content-type,date,from,message-id,mime-version,"
                     "reply-to,subject,to"_s);
        }
    }

    // The text in a service job and a file-exists job: the tool gets each value as one argument,
    // the file check shows the name as stored (a folder that cannot be read, a name too long, is
    // a permission problem), and no row changes.
    void jobMonitor(const QString& text) {
        JobRecord service, files;
        service.computerName = service.service[0] = service.adminUserName = text;
        service.adminPassword = files.checkIfFileExistFolder = files.fileNameOfFileExist = text;
        files.computerName = u"~files"_s;
        files.fileExistEmailifThereOrNot = fileExistActionTexts().at(1);
        JobTable(db()).insert(service);
        JobTable(db()).insert(files);
        m_folder->execSql(u"DELETE FROM Services WHERE ComputerName = 'sentinel'"_s);
        const QString tool = m_folder->path() + u"/psservice.exe"_s;
        writeFile(tool);
        const QStringList before = quotedRows(db(), u"Services"_s);
        FakeCommandRunner& runner = FakeCommandRunner::installIn(m_folder->ctx);
        QStringList lines = rel::runJobMonitor(*m_main, 2);
        QCOMPARE(runner.calls.value(0), (QStringList{tool, u"\\\\"_s + text, u"-u"_s, text, u"-p"_s,
                                                     text, u"query"_s, text}));
        QCOMPARE(quotedRows(db(), u"Services"_s), before);
        QVERIFY(lines.size() == 2 && lines.removeOne(rel::pcNotFoundLine(text)));
        const QString missing = u"File Doesn't Exist"_s;
        QVERIFY2(lines[0] == u"Preparing, Please Wait...."_s + rel::noMailLine(missing) ||
                     lines[0] ==
                         u"Attempted to Check File (%1) located in (%1), and a permission error"
                         " occured"_s.arg(text) +
                             rel::noMailLine(missing + u" permission issue"_s),
                 qPrintable(lines[0].left(300)));
    }

    // The service tool: `net` gets the PC and the service as single arguments (cut at a NUL).
    void serviceTool(const QString& text) {
        QFile::remove(m_standIns.netLog());
        QProcess tool;
        tool.start(QStringLiteral(KORVANE_PROGRAM_DIR "/psservice.exe"),
                   {u"\\\\"_s + text, u"-u"_s, text, u"-p"_s, text, u"query"_s, text});
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() <= 2);
        const QStringList net = readLines(m_standIns.netLog());
        if (!net.isEmpty() && !text.contains(u'\n') && !text.contains(u'\r'))
            QVERIFY(net.contains(text.section(QChar(0), 0, 0)));
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
