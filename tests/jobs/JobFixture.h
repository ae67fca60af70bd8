#pragma once

// What the job monitor's tests share: a fresh program folder that holds the service tool, the
// job monitor window opened over it beside a stand-in main window, jobs added as rows, a
// stand-in for a PC's logical disks, and the mails at the local SMTP server.

#include "FakeMonitorHost.h"
#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "mail/MailWindows.h"
#include "platform/LogicalDisks.h"
#include "storage/JobTable.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace jobtest {

using namespace Qt::Literals::StringLiterals;

// A PC whose disks are known to the test.
class FakeDisks final : public LogicalDisks {
  public:
    explicit FakeDisks(LogicalDiskList answer) : m_answer(std::move(answer)) {}
    LogicalDiskList list(const QString&) override { return m_answer; }

  private:
    LogicalDiskList m_answer;
};

inline std::shared_ptr<LogicalDisks> disks(LogicalDiskList::Status status, QStringList ids = {}) {
    return std::make_shared<FakeDisks>(LogicalDiskList{status, std::move(ids), {}});
}

// Writes an empty file, last modified at the given time when there is one.
inline void writeFile(const QString& path, const QDateTime& modified = {}) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) ||
        (modified.isValid() && !f.setFileTime(modified, QFileDevice::FileModificationTime)))
        qFatal("cannot write %s", qPrintable(path));
}

struct JobFixture {
    explicit JobFixture(int interval = 1) {
        writeFile(folder.path() + u"/PsService.EXE"_s);
        folder.execSql(u"UPDATE Settings SET ServicesTimerSeconds = ?"_s, {interval});
    }
    // The main window's unload: the job monitor window and the mail windows close.
    ~JobFixture() {
        Form3::unloadShared(owner.get());
        mailWindows->closeAll();
    }

    qint64 add(const JobRecord& job) {
        const auto id = JobTable(folder.databasePath()).insert(job);
        if (!id.ok())
            qFatal("cannot add a job: %s", qPrintable(id.status.detail));
        return id.value;
    }
    // Opens the job monitor window as the main window's menu does; its checks get a shorter
    // time limit and, when given, the stand-in PC.
    Form3& open(std::shared_ptr<LogicalDisks> pc = {}) {
        form = Form3::showShared(folder.ctx, host, *mailWindows, owner.get());
        cycle().setCheckTimeLimit(std::chrono::seconds(5));
        if (pc)
            cycle().setLogicalDisks(std::move(pc));
        return *form;
    }
    JobCycle& cycle() { return form->cycle(); }
    // One tick; when it made a job due, waits until the job has ended.
    void tick() {
        QSignalSpy ended(&cycle(), &JobCycle::jobEnded);
        cycle().Timer1_Timer();
        if (cycle().jobUnderWay() && !ended.wait(20000))
            qWarning("the job did not end");
    }
    // The job monitor mails through the local SMTP server on this port.
    void mailTo(quint16 port) {
        folder.execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', FromEmail ="
                       u" 'korvane@site.invalid', FromName = 'Korvane', SMTPusername = '',"
                       u" SMTPpassword = '', SMTPport = ?"_s,
                       {QString::number(port)});
        folder.ctx.values().fncGetSMTPsettings(folder.databasePath()); // as the main window's load
    }
    // The status lines: Label3, then Label1.
    QString lines() const { return form->Label3->text() + u" | "_s + form->Label1->text(); }

    TestProgramFolder folder;
    FakeMonitorHost host;
    std::unique_ptr<QWidget> owner = std::make_unique<QWidget>(); // in the main window's place
    MailWindows* mailWindows = new MailWindows(owner.get());
    Form3* form = nullptr;
};

// Every mail the server received, oldest first, as "recipients | subject | body".
inline QStringList receivedMails(const SmtpPeer& peer) {
    QStringList mails;
    for (const ReceivedMail& m : peer.messages()) {
        QString body = m.body();
        while (body.endsWith(u'\n'))
            body.chop(1);
        mails << m.recipients.join(u';') + u" | "_s +
                     m.decodedHeader(u"Subject"_s).value_or(QString()) + u" | "_s + body;
    }
    return mails;
}

} // namespace jobtest
