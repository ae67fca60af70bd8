// The two settings windows over a real database file: the checks in their order, what they
// load and save, the Yes/No pairs, and database failures.
#include "TestProgramFolder.h"
#include "TestTables.h"
#include "WindowChecks.h"
#include "settings/Form4.h"
#include "settings/Form7.h"
#include "settings/SettingsRules.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSaved = u"information Updated: Your changes have been saved."_s;

template <typename Form> QString texts(Form& form, const QString& names) {
    QStringList out;
    for (const QString& name : names.split(u' '))
        out << form.template findChild<QLineEdit*>(name)->text();
    return out.join(u'|');
}

struct Application {
    const char* name;
    QString ping, services;
    QString box;                   // the one message shown
    QString focus;                 // where the focus went
    QString left;                  // Text1|Text2 afterwards
    QString clicks = QString();    // check boxes clicked, in order
    QString checks = u"100110"_s;  // Check1..6, 1 for checked
    QString row = u"7|12|1|0|1"_s; // the Settings row afterwards
};

struct Email {
    const char* name;
    QString typed; // Text1|Text2|Text3|Text4|Text5|Text7
    QString box, focus, left;
    QString row = u"mail.x.invalid|korvane|s3cret|alerts@x.invalid||Keep this subject|2525"_s;
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

  private Q_SLOTS:
    void init() {
        m_folder = std::make_unique<TestProgramFolder>();
        m_folder->execSql(u"UPDATE Settings SET PingTimerSeconds = 7, ServicesTimerSeconds = 12,"
                          u" AutoStartPinger = 1, AutoStartServices = 0"_s);
        m_folder->execSql(u"UPDATE SMTPsettings SET ServerName = 'mail.x.invalid', SMTPusername "
                          u"= 'korvane', SMTPpassword = 's3cret', FromEmail = 'alerts@x.invalid',"
                          u" FromName = NULL, SMTPport = '2525', Subject = 'Keep this subject'"_s);
    }
    void cleanup() {
        m_folder.reset();
        KORVANE_VERIFY_NO_WINDOW_OPEN();
    }

    // The platform's numeric test behind the interval checks.
    void numericText() {
        QString got;
        for (const QString& text : u"5| 5|5 |1.|.5|-1|+1|0|a|1a|| |.|-|1.2.3|1 2|- 1"_s.split(u'|'))
            got += SettingsRules::isNumericText(text) ? u'1' : u'0';
        QCOMPARE(got, u"11111111000000000"_s);
    }

    void application_data() {
        // clang-format off
        const QString none, blank = u"information Empty Field: The "_s,
                            bad = u"information Invalid Data: The "_s;
        addRows<Application>({
            {"both empty", none, none, blank + u"Korvane timer interval field can not be blank."_s, u"Text1"_s, u"|"_s},
            {"services empty before a letter", u"a"_s, none, blank + u"Tallis timer interval field can not be blank."_s, u"Text2"_s, u"a|"_s},
            {"both letters", u"a"_s, u"b"_s, bad + u"Korvane timer interval must be a number."_s, u"Text1"_s, u"|b"_s},
            {"number tests before points", u"1."_s, u"a"_s, bad + u"Tallis timer interval must be a number."_s, u"Text2"_s, u"1.|"_s},
            {"ping 1.", u"1."_s, u"5"_s, bad + u"Korvane timer interval can only have numbers."_s, u"Text1"_s, u"|5"_s},
            {"services 1.", u"5"_s, u"1."_s, bad + u"Tallis timer interval can only have numbers."_s, u"Text2"_s, u"5|"_s},
            {"ping -1", u"-1"_s, u"0"_s, bad + u"Korvane timer interval must be greater than 0."_s, u"Text1"_s, u"|0"_s},
            {"services 0", u"5"_s, u"0"_s, bad + u"Tallis timer interval must be greater than 0."_s, u"Text2"_s, u"5|"_s},
            {"unchecking Yes checks it again", u"7"_s, u"12"_s, kSaved, none, u"7|12"_s, u"Check1"_s},
            {"checking the other boxes switches the pairs", u"1"_s, u"99"_s, kSaved, none, u"1|99"_s, u"Check2 Check3 Check6"_s, u"011001"_s, u"1|99|0|1|0"_s},
            {"switch, then uncheck; the ping interval is trimmed as typed", u" +3 "_s, u" 5"_s, kSaved, none, u"+3| 5"_s, u"Check2 Check2 Check5"_s, u"010110"_s, u"3|5|0|0|1"_s},
        });
        // clang-format on
    }
    void application() {
        QFETCH(Application, c);
        Form4 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        QCOMPARE(texts(form, u"Text1 Text2"_s), u"7|12"_s);
        for (QLineEdit* box : {form.Text1, form.Text2})
            box->clear();
        QTest::keyClicks(form.Text1, c.ping);
        QTest::keyClicks(form.Text2, c.services);
        for (const QString& name : c.clicks.split(u' ', Qt::SkipEmptyParts))
            form.findChild<QCheckBox*>(name)->click();
        form.Command1_Click();
        QCOMPARE(m_folder->dialogs().boxes(), QStringList{c.box});
        QCOMPARE(form.focusWidget() ? form.focusWidget()->objectName() : QString(), c.focus);
        QCOMPARE(texts(form, u"Text1 Text2"_s), c.left);
        QString checks;
        for (const char* name : {"Check1", "Check2", "Check3", "Check4", "Check5", "Check6"})
            checks += form.findChild<QCheckBox*>(QLatin1String(name))->isChecked() ? u'1' : u'0';
        QCOMPARE(checks, c.checks);
        QCOMPARE(form.result(), int(c.box == kSaved ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(m_folder->select(u"SELECT PingTimerSeconds, ServicesTimerSeconds, "
                                  u"AutoStartPinger, AutoStartServices, DesktopNotifications "
                                  u"FROM Settings"_s),
                 QStringList{c.row});
        // The alerts follow the notification choice at once.
        QCOMPARE(m_folder->ctx.desktopNotifications(), c.row.endsWith(u"|1"_s));
    }

    // Fields of blanks only count as empty and are trimmed away; a port that is no number is
    // saved as typed; the Subject column is kept.
    void email_data() {
        // clang-format off
        const QString empty = u"information Empty Field: The "_s;
        const QString blank = u" field is blank. If you don't want to create a new record click Cancel."_s;
        addRows<Email>({
            {"all empty", u"|||||"_s, empty + u"SMTP Server Name"_s + blank, u"Text1"_s, u"|||||"_s},
            {"server", u"   |u|p|f|n|25"_s, empty + u"SMTP Server Name"_s + blank, u"Text1"_s, u"|u|p|f|n|25"_s},
            {"user", u"s|   |p|f|n|25"_s, empty + u"SMTP User Name"_s + blank, u"Text2"_s, u"s||p|f|n|25"_s},
            {"password", u"s|u|   |f|n|25"_s, empty + u"SMTP password"_s + blank, u"Text3"_s, u"s|u||f|n|25"_s},
            {"from", u"s|u|p|   |n|25"_s, empty + u"from email"_s + blank, u"Text4"_s, u"s|u|p||n|25"_s},
            {"name, the others trimmed", u"  s  | u|p | f || 25"_s, empty + u"from name"_s + blank, u"Text5"_s, u"s|u|p|f||25"_s},
            {"port", u"s|u|p|f|n|   "_s, empty + u"SMTP port"_s + blank, u"Text7"_s, u"s|u|p|f|n|"_s},
            {"saved", u"  127.0.0.1  | newuser|newpass |new@x.invalid|New  Name  | smtp"_s,
             u"information Updated: The email settings have been updated."_s, QString(), u"127.0.0.1|newuser|newpass|new@x.invalid|New  Name|smtp"_s,
             u"127.0.0.1|newuser|newpass|new@x.invalid|New  Name|Keep this subject|smtp"_s},
        });
        // clang-format on
    }
    void email() {
        QFETCH(Email, c);
        Form7 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        QCOMPARE(texts(form, u"Text1 Text2 Text3 Text4 Text5 Text7"_s),
                 u"mail.x.invalid|korvane|s3cret|alerts@x.invalid||2525"_s);
        QCOMPARE(form.Text3->displayText(), u"******"_s); // a "*" for every character
        const QStringList typed = c.typed.split(u'|');
        for (int i = 0; i < 6; ++i)
            form.findChild<QLineEdit*>(u"Text1 Text2 Text3 Text4 Text5 Text7"_s.split(u' ')[i])
                ->setText(typed[i]);
        form.Command1_Click();
        QCOMPARE(m_folder->dialogs().boxes(), QStringList{c.box});
        QCOMPARE(form.focusWidget() ? form.focusWidget()->objectName() : QString(), c.focus);
        QCOMPARE(texts(form, u"Text1 Text2 Text3 Text4 Text5 Text7"_s), c.left);
        QCOMPARE(m_folder->select(u"SELECT ServerName, SMTPusername, SMTPpassword, FromEmail, "
                                  u"FromName, Subject, SMTPport FROM SMTPsettings"_s),
                 QStringList{c.row});
        // The shared mail settings are loaded again after a save, for the next alert.
        const PublicValues& v = m_folder->ctx.values();
        QCOMPARE(QStringList({v.SMTPserver, v.SMTPUserName, v.SMTPPassword, v.SMTPFromEmail,
                              v.SMTPFromName, v.SMTPport})
                     .join(u'|'),
                 c.focus.isEmpty() ? c.left : u"|||||"_s);
    }

    // A load that fails shows its message and the window does not open; a save that fails
    // keeps the window open with the entries, and the database and the mail settings as they
    // were.
    void databaseFailures() {
        Form7 email(m_folder->ctx);
        Form4 application(m_folder->ctx);
        QVERIFY(email.Form_Load() && application.Form_Load());
        m_folder->ctx.values().fncGetSMTPsettings(m_folder->databasePath());
        m_folder->execSql(u"DELETE FROM SMTPsettings"_s);
        m_folder->execSql(u"DELETE FROM Settings"_s);
        email.Text1->setText(u"127.0.0.1"_s);
        email.Text5->setText(u"Alerts"_s);
        application.Text1->setText(u"9"_s);
        email.Command1_Click();
        application.Command1_Click();
        QVERIFY(email.result() == QDialog::Rejected && application.result() == QDialog::Rejected);
        QCOMPARE(email.Text1->text() + u'|' + application.Text1->text(), u"127.0.0.1|9"_s);
        QCOMPARE(m_folder->ctx.values().SMTPserver, u"mail.x.invalid"_s);
        QVERIFY(QFile::remove(m_folder->databasePath()));
        bool opened = false;
        QTimer closer;
        closer.callOnTimeout(this, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget())
                opened = modal->close();
        });
        closer.start(10);
        Form7::showModal(m_folder->ctx, nullptr);
        Form4::showModal(m_folder->ctx, nullptr);
        QVERIFY(!opened && m_folder->endedWith.isEmpty());
        const QString error = u"critical Database Error: The "_s;
        const QString unusable = u" could not be read from the database: the database file is "
                                 u"missing, unreadable or in use by another program."_s;
        QCOMPARE(m_folder->dialogs().boxes(),
                 (QStringList{error + u"email settings could not be saved: the SMTPsettings row "
                                      u"is missing. Nothing has been changed in the database."_s,
                              error + u"settings could not be saved: the Settings row is missing. "
                                      u"Nothing has been changed in the database."_s,
                              error + u"email settings"_s + unusable,
                              error + u"settings"_s + unusable}));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
