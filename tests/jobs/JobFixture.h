#pragma once

// What the job monitor's tests share: a loaded main window over a fresh program folder that
// holds the service tool, its job monitor window opened from the menu, jobs added as rows, a
// stand-in for a PC's logical disks, and the mails at the local SMTP server.

#include "SmtpPeer.h"
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "platform/LogicalDisks.h"
#include "storage/JobTable.h"
#include <QAction>

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>

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

// Sets a file's last-modified time.
inline void setFileTime(const QString& path, const QDateTime& when) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || !f.setFileTime(when, QFileDevice::FileModificationTime))
        qFatal("cannot set the time of %s", qPrintable(path));
}

inline void writeFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
}

struct JobFixture {
    explicit JobFixture(int interval = 1) {
        writeFile(folder.path() + u"/PsService.EXE"_s);
        folder.execSql(u"UPDATE Settings SET ServicesTimerSeconds = ?"_s, {interval});
    }
    ~JobFixture() {
        if (main)
            main->close();
    }

    qint64 add(JobRecord job) {
        const auto id = JobTable(folder.databasePath()).insert(job);
        if (!id.ok())
            qFatal("cannot add a job: %s", qPrintable(id.status.detail));
        return id.value;
    }
    // Loads the main window and opens the job monitor from its menu.
    Form3& open() {
        main = std::make_unique<Form1>(folder.ctx);
        if (!main->Form_Load())
            qFatal("the main window did not load");
        main->findChild<QAction*>(QStringLiteral("mnuRemoteServicesScanning"))->trigger();
        form = Form3::openWindow(main.get());
        form->cycle().setCheckTimeLimit(std::chrono::seconds(5));
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

    TestProgramFolder folder;
    std::unique_ptr<Form1> main;
    Form3* form = nullptr;
};

// The job monitor mails through the local SMTP server on this port.
inline void pointMailAt(JobFixture& fx, quint16 port) {
    fx.folder.execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', FromEmail ="
                      u" 'korvane@site.invalid', FromName = 'Korvane', SMTPusername = '',"
                      u" SMTPpassword = '', SMTPport = ?"_s,
                      {QString::number(port)});
}

// Every mail the server received, oldest first: recipients, subject and body.
inline QList<QStringList> receivedMails(const SmtpPeer& peer) {
    QList<QStringList> mails;
    for (const ReceivedMail& m : peer.messages()) {
        QString body = m.body();
        while (body.endsWith(u'\n'))
            body.chop(1);
        mails.append(
            {m.recipients.join(u';'), m.decodedHeader(u"Subject"_s).value_or(QString()), body});
    }
    return mails;
}

} // namespace jobtest
