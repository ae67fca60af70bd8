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

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSaved = u"information Updated: Your changes have been saved."_s;
const QString kMailBoxes = u"Text1 Text2 Text3 Text4 Text5 Text7"_s;
const QString kMailRow = u"SELECT ServerName, SMTPusername, SMTPpassword, FromEmail, FromName, "
                         u"Subject, SMTPport FROM SMTPsettings"_s;
const QString kAppRow = u"SELECT PingTimerSeconds, ServicesTimerSeconds, AutoStartPinger, "
                        u"AutoStartServices, DesktopNotifications FROM Settings"_s;

QString texts(const QWidget& form, const QString& names) {
    QStringList out;
    for (const QString& name : names.split(u' '))
        out << form.findChild<QLineEdit*>(name)->text();
    return out.join(u'|');
}

struct Case {
    const char* name;
    QString typed;       // into the boxes, "|" between them: two are the application settings
    QString box;         // the one message shown
    QString after;       // the focus, then the boxes' texts, "|" between them
    QString row = {};    // the table row afterwards; empty: as it was
    QString clicks = {}; // check boxes clicked
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

    // Email: fields of blanks only count as empty and are trimmed away; a port that is no
    // number is saved as typed; the Subject column is kept.
    void save_data() {
        // clang-format off
        const QString blank = u"information Empty Field: The "_s, bad = u"information Invalid Data: The "_s, field = u" field is blank. If you don't want to create a new record click Cancel."_s;
        addRows<Case>({
            {"both empty", u"|"_s, blank + u"Korvane timer interval field can not be blank."_s, u"Text1|||100110"_s},
            {"services empty before a letter", u"a|"_s, blank + u"Tallis timer interval field can not be blank."_s, u"Text2|a||100110"_s},
            {"both letters", u"a|b"_s, bad + u"Korvane timer interval must be a number."_s, u"Text1||b|100110"_s},
            {"number tests before points", u"1.|a"_s, bad + u"Tallis timer interval must be a number."_s, u"Text2|1.||100110"_s},
            {"ping 1.", u"1.|5"_s, bad + u"Korvane timer interval can only have numbers."_s, u"Text1||5|100110"_s},
            {"services 1.", u"5|1."_s, bad + u"Tallis timer interval can only have numbers."_s, u"Text2|5||100110"_s},
            {"ping -1", u"-1|0"_s, bad + u"Korvane timer interval must be greater than 0."_s, u"Text1||0|100110"_s},
            {"services 0", u"5|0"_s, bad + u"Tallis timer interval must be greater than 0."_s, u"Text2|5||100110"_s},
            {"unchecking Yes checks it again", u"7|12"_s, kSaved, u"|7|12|100110"_s, u"7|12|1|0|1"_s, u"Check1"_s},
            {"checking the other boxes switches the pairs", u"1|99"_s, kSaved, u"|1|99|011001"_s, u"1|99|0|1|0"_s, u"Check2 Check3 Check6"_s},
            {"switch, then uncheck; the ping interval is trimmed as typed", u" +3 | 5"_s, kSaved, u"|+3| 5|010110"_s, u"3|5|0|0|1"_s, u"Check2 Check2 Check5"_s},
            {"email: all empty", u"|||||"_s, blank + u"SMTP Server Name"_s + field, u"Text1||||||"_s},
            {"email: server", u"   |u|p|f|n|25"_s, blank + u"SMTP Server Name"_s + field, u"Text1||u|p|f|n|25"_s},
            {"email: user", u"s|   |p|f|n|25"_s, blank + u"SMTP User Name"_s + field, u"Text2|s||p|f|n|25"_s},
            {"email: password", u"s|u|   |f|n|25"_s, blank + u"SMTP password"_s + field, u"Text3|s|u||f|n|25"_s},
            {"email: from", u"s|u|p|   |n|25"_s, blank + u"from email"_s + field, u"Text4|s|u|p||n|25"_s},
            {"email: name, the others trimmed", u"  s  | u|p | f || 25"_s, blank + u"from name"_s + field, u"Text5|s|u|p|f||25"_s},
            {"email: port", u"s|u|p|f|n|   "_s, blank + u"SMTP port"_s + field, u"Text7|s|u|p|f|n|"_s},
            {"email: saved", u"  127.0.0.1  | newuser|newpass |new@x.invalid|New  Name  | smtp"_s, u"information Updated: The email settings have been updated."_s, u"|127.0.0.1|newuser|newpass|new@x.invalid|New  Name|smtp"_s, u"127.0.0.1|newuser|newpass|new@x.invalid|New  Name|Keep this subject|smtp"_s},
        });
        // clang-format on
    }
    void save() {
        QFETCH(Case, c);
        const QStringList typed = c.typed.split(u'|');
        const bool email = typed.size() == 6;
        Form4 application(m_folder->ctx);
        Form7 mail(m_folder->ctx);
        QDialog& form = email ? static_cast<QDialog&>(mail) : application;
        const QString names = email ? kMailBoxes : u"Text1 Text2"_s;
        const QString sql = email ? kMailRow : kAppRow;
        const QStringList before = m_folder->select(sql);
        QVERIFY(email ? mail.Form_Load() : application.Form_Load());
        QCOMPARE(texts(form, names),
                 email ? u"mail.x.invalid|korvane|s3cret|alerts@x.invalid||2525"_s : u"7|12"_s);
        QVERIFY(!email || mail.Text3->displayText() == u"******"_s); // a "*" for every character
        for (int i = 0; i < typed.size(); ++i) {
            QLineEdit* box = form.findChild<QLineEdit*>(names.section(u' ', i, i));
            box->clear();
            QTest::keyClicks(box, typed[i]);
        }
        for (const QString& name : c.clicks.split(u' ', Qt::SkipEmptyParts))
            form.findChild<QCheckBox*>(name)->click();
        email ? mail.Command1_Click() : application.Command1_Click();
        QCOMPARE(m_folder->dialogs().boxes(), QStringList{c.box});
        QString after = (form.focusWidget() ? form.focusWidget()->objectName() : QString()) + u'|' +
                        texts(form, names) + (email ? u""_s : u"|"_s);
        for (int i = 1; !email && i <= 6; ++i)
            after += form.findChild<QCheckBox*>(u"Check%1"_s.arg(i))->isChecked() ? u'1' : u'0';
        QCOMPARE(after, c.after);
        QCOMPARE(form.result(), int(c.row.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
        QCOMPARE(m_folder->select(sql), c.row.isEmpty() ? before : QStringList{c.row});
        // The alerts follow the notification choice at once; the shared mail settings are
        // loaded again after a save, for the next alert.
        const PublicValues& v = m_folder->ctx.values();
        QCOMPARE(QStringList({v.SMTPserver, v.SMTPUserName, v.SMTPPassword, v.SMTPFromEmail,
                              v.SMTPFromName, v.SMTPport})
                     .join(u'|'),
                 email && !c.row.isEmpty() ? texts(form, names) : u"|||||"_s);
        QVERIFY(email || m_folder->ctx.desktopNotifications() == application.Check5->isChecked());
    }

    // A load that fails shows its message and refuses to open the window; a save that fails
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
        QVERIFY(!Form7(m_folder->ctx).Form_Load() && !Form4(m_folder->ctx).Form_Load());
        QVERIFY(m_folder->endedWith.isEmpty());
        const QString error = u"critical Database Error: The "_s,
                      unusable = u" could not be read from the database: the database file is "
                                 u"missing, unreadable or in use by another program."_s,
                      missing = u" row is missing. Nothing has been changed in the database."_s;
        QCOMPARE(m_folder->dialogs().boxes(),
                 (QStringList{
                     error + u"email settings could not be saved: the SMTPsettings"_s + missing,
                     error + u"settings could not be saved: the Settings"_s + missing,
                     error + u"email settings"_s + unusable, error + u"settings"_s + unusable}));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
