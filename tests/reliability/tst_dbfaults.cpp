// Database faults while the ping monitor writes an outcome or the device editor saves: each is
// told exactly, nothing crashes, no row is half written, and nothing is lost without a word.
#include "Reliability.h"
#include "RunProgram.h"
#include "editors/Form6.h"

#include <unistd.h>

class TestDbFaults : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir; // a small tmpfs for each case, which the faults act on
    QProcess m_locker;

    QString db() const { return m_dir.filePath(u"HalvardDB.mdb"_s); }
    bool mount(const QString& options) {
        return runProgram(u"mount"_s, options.split(u' ') << m_dir.path()).ok;
    }
    // Brings a fault on, or takes it away again where the file is still the database.
    void fault(const QString& fault, bool on) {
        const QString filler = m_dir.filePath(u"filler"_s);
        if (fault == u"removed"_s && on)
            QFile::remove(db());
        else if (fault == u"read-only"_s)
            mount(on ? u"-o remount,ro"_s : u"-o remount,rw"_s);
        else if (fault == u"garbage"_s && on)
            writeFile(db(), {}, QByteArray(8192, '\x5a'));
        else if (QFile file(filler);
                 fault == u"disk full"_s && on && file.open(QIODevice::WriteOnly))
            while (file.write(QByteArray(4096, '\0')) == 4096) {
            }
        else if (fault == u"disk full"_s)
            QFile::remove(filler);
        else if (fault == u"locked"_s && on)
            m_locker.start(u"python3"_s,
                           {u"-c"_s,
                            u"import sqlite3,sys\n"
                            "c=sqlite3.connect(sys.argv[1],isolation_level=None)\n"
                            "c.execute('BEGIN EXCLUSIVE')\nprint('locked',flush=True)\n"
                            "sys.stdin.read()"_s,
                            db()}),
                m_locker.waitForReadyRead(30000);
        else if (fault == u"locked"_s && m_locker.state() != QProcess::NotRunning)
            m_locker.closeWriteChannel(), m_locker.waitForFinished();
    }

  private Q_SLOTS:
    void init() {
        if (::geteuid() != 0 || !mount(u"-t tmpfs -o size=1m tmpfs"_s))
            QSKIP("mounting a small tmpfs needs root");
    }
    void cleanup() {
        fault(u"locked"_s, false);
        runProgram(u"umount"_s, {u"-l"_s, m_dir.path()});
    }

    void faultWhileWriting_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("onMonitor");
        QTest::addColumn<QString>("said"); // the box; DB stands for the database's path
        const QString monitor = u"Database Error: The monitoring database could not be read or"
                                " written (%1). This application will now close."_s;
        const QString editor = u"Database Error: The record could not be saved: %1\n\nNothing was"
                               " written to the database. Your entries are still in the window, so"
                               " you can try again."_s;
        // fault, cause on the monitor, on the editor when it differs
        for (const auto& [fault, onMonitor, onEditor] : QList<std::array<QString, 3>>{
                 {u"removed"_s, u"no database file at DB"_s, {}},
                 {u"read-only"_s,
                  u"attempt to write a readonly database Unable to fetch row"_s,
                  {}},
                 {u"garbage"_s, u"file is not a database Unable to execute statement"_s, {}},
                 {u"locked"_s, u"the database is locked by another program"_s,
                  u"database is locked Unable to execute statement"_s},
                 {u"disk full"_s, u"database or disk is full Unable to fetch row"_s, {}}}) {
            QTest::addRow("%s, ping monitor", qPrintable(fault))
                << fault << true << monitor.arg(onMonitor);
            QTest::addRow("%s, device editor", qPrintable(fault))
                << fault << false << editor.arg(onEditor.isEmpty() ? onMonitor : onEditor);
        }
    }
    void faultWhileWriting() {
        QFETCH(QString, fault);
        QFETCH(bool, onMonitor);
        QFETCH(QString, said);
        TestProgramFolder folder(false);
        folder.ctx.setDatabasePath(db());
        folder.ctx.setTickDivisor(1000);
        folder.ctx.setLockedRetryLimit(std::chrono::seconds(2));
        QVERIFY(Schema::create(db()).ok());
        const QString row = u"SELECT ComputerName, EmailWhenDown, Status, ActionTaken FROM"
                            " ComputerPingList WHERE ID = %1"_s.arg(folder.addDevice(u"alpha"_s));
        const QStringList before = sqlRows(db(), row);
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        Form6 editor(folder.ctx, main);
        if (onMonitor) {
            // The fault comes as the probe runs; the device answered.
            FakeCommandRunner& runner = FakeCommandRunner::installIn(folder.ctx);
            runner.outputs = {
                u"4 packets transmitted, 4 received, 0% packet loss, time 3003ms\n"_s};
            runner.onRun = [&] { this->fault(fault, true); };
            main.pingCycle().Command1_Click();
            QTRY_VERIFY_WITH_TIMEOUT(!folder.dialogs().shown.isEmpty(), 60000);
            // The monitor stops: what could not be written is never taken as done.
            QCOMPARE(folder.endedWith, QList<int>{1});
        } else {
            QVERIFY(editor.Form_Load());
            this->fault(fault, true);
            editor.Text2->setText(u"ops@x.invalid"_s);
            editor.Command3_Click();
            // The entry stays in the window for another try.
            QCOMPARE(editor.Text2->text(), u"ops@x.invalid"_s);
        }
        const auto& box = folder.dialogs().shown.value(0);
        QString told = box.title + u": "_s + box.text;
        QCOMPARE(told, said.replace(u"DB"_s, db()));
        this->fault(fault, false);
        if (fault != u"removed"_s && fault != u"garbage"_s) {
            QCOMPARE(sqlRows(db(), u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
            QCOMPARE(sqlRows(db(), row), before);
        }
        rel::figure(u"faults"_s, QString::fromLatin1(QTest::currentDataTag()),
                    told.replace(db(), u"HalvardDB.mdb"_s).replace(u'\n', u' '));
    }
};

QTEST_MAIN(TestDbFaults)
#include "tst_dbfaults.moc"
