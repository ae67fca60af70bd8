// The desktop notification of each alert, as the notification service on a private session bus
// receives it: a ping alert and a job alert that went out, one that could not be sent, and none
// when the settings switched them off. The service reads markup, so the body arrives escaped.
#include "NotifyPeer.h"
#include "jobs/JobFixture.h"
#include "ping/CycleFixture.h"
#include "platform/DesktopNotifier.h"
#include "support/SmtpPeer.h"

#include <QLabel>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kOps = u"ops@site.invalid"_s;
const QString kPc = u"pc7.site.invalid"_s;
const QString kDownSubject = u"Korvane - Device Can Not Be Pinged - pc7.site.invalid"_s;
} // namespace

class TestNotifications : public QObject {
    Q_OBJECT

    std::unique_ptr<NotifyPeer> m_service;
    std::unique_ptr<SmtpPeer> m_smtp;
    int m_seen = 0;

    void prepare(TestProgramFolder& folder, quint16 smtpPort, bool notificationsOn) {
        folder.ctx.setNotifier(std::make_unique<DesktopNotifier>(m_service->connection()));
        folder.execSql(u"UPDATE SMTPsettings SET ServerName = '127.0.0.1', FromEmail ="
                       u" 'korvane@site.invalid', FromName = 'Korvane', SMTPport = ?"_s,
                       {QString::number(smtpPort)});
        folder.execSql(u"UPDATE Settings SET DesktopNotifications = ?"_s, {notificationsOn});
    }
    // The next notification the service received: title and body.
    QStringList nextNote() {
        const QList<QJsonObject> notes = m_service->notes(m_seen + 1);
        if (notes.size() <= m_seen)
            return {};
        const QJsonObject note = notes.at(m_seen++);
        return {note.value(u"summary"_s).toString(), note.value(u"body"_s).toString()};
    }

  private Q_SLOTS:
    void initTestCase() {
        m_service = std::make_unique<NotifyPeer>();
        if (!m_service->start())
            QSKIP(qPrintable(u"no private notification service: "_s + m_service->errorString()));
        m_smtp = std::make_unique<SmtpPeer>();
        KORVANE_START_SMTP_PEER(*m_smtp);
    }

    void pingAlert_data() {
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<bool>("notificationsOn");
        QTest::addColumn<QStringList>("note");
        QTest::newRow("sent") << true << true
                              << QStringList{kDownSubject,
                                             u"pc7.site.invalid is not able to be pinged.\n\n"
                                             u"Emailed To: ops@site.invalid"_s};
        QTest::newRow("not sent") << false << true
                                  << QStringList{u"Alert not sent"_s,
                                                 kDownSubject + u"\nEmail Failed To: "
                                                                u"ops@site.invalid - could not "
                                                                u"connect"_s};
        // Nothing is shown: the next note is the one the test sends itself.
        QTest::newRow("switched off") << true << false << QStringList{u"marker"_s, u"m"_s};
    }
    void pingAlert() {
        QFETCH(bool, serverUp);
        QFETCH(bool, notificationsOn);
        QFETCH(QStringList, note);
        cycletest::CycleFixture<> fx;
        prepare(fx.folder, serverUp ? m_smtp->port() : unusedLoopbackPort(), notificationsOn);
        fx.addDevice(kPc, kOps);
        fx.runner->outputs = {cycletest::iputilsUnknownHost(kPc)};
        fx.load();
        fx.click(u"Command1"_s);
        QVERIFY(fx.tick());
        if (!notificationsOn)
            fx.folder.ctx.notifier().notify(u"marker"_s, u"m"_s);
        QCOMPARE(nextNote(), note);
    }

    void jobAlert() {
        jobtest::JobFixture fx;
        prepare(fx.folder, m_smtp->port(), true);
        const QString path = fx.folder.path() + u"/R&D.bak"_s;
        JobRecord job;
        job.filePathToCheck = path;
        job.ageOfFile = ageOfFileTexts().at(1);
        job.emailWhenDown = kOps;
        fx.add(job);
        fx.open().Command1->click();
        fx.tick();
        const QString escaped = path.toHtmlEscaped();
        QCOMPARE(nextNote(),
                 (QStringList{u"Korvane File Check - "_s + path + u" Path is in error"_s,
                              escaped + u" - The Path is in error. Try checking the path to this "
                                        u"file. Try to always use a mapped network drive\n\n"
                                        u"Emailed To: ops@site.invalid"_s}));
    }
};

QTEST_MAIN(TestNotifications)
#include "tst_notifications.moc"
