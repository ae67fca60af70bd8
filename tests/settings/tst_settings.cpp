// The two settings windows over a real database file: the checks in their order, what they
// load and save, the Yes/No pairs, and database failures.
#include "WindowChecks.h"
#include "WindowScript.h"
#include "settings/Form4.h"
#include "settings/Form7.h"
#include "settings/SettingsRules.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kMailRow = u"SELECT ServerName, SMTPusername, SMTPpassword, FromEmail, FromName, "
                         u"SMTPport, Subject FROM SMTPsettings"_s;
const QString kAppRow = u"SELECT PingTimerSeconds, ServicesTimerSeconds, AutoStartPinger, "
                        u"AutoStartServices, DesktopNotifications FROM Settings"_s;

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

    // The checks in their order and the Yes/No pairs of the application settings; in the email
    // settings fields of blanks only count as empty and are trimmed away, a port that is no
    // number is saved as typed, and the Subject column is kept.
    void window_data() {
        // clang-format off
        QTest::addColumn<QString>("script"); // see WindowScript.h
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("row"); // the table afterwards; empty: as it was
        const auto add = [](const char* name, const QString& script, const QString& shown, const QString& report, const QString& row = {}) { QTest::newRow(name) << script << (shown.isEmpty() ? QStringList() : QStringList{shown}) << report << row; };
        const auto app = [](const QString& ping, const QString& services, const QString& clicks = {}) { return u"Text1=|Text2=|Text1<"_s + ping + u"|Text2<"_s + services + u'|' + clicks + (clicks.isEmpty() ? u"Command1|?focus|?Text1|?Text2"_s : u"|Command1|?visible"_s); };
        const auto mail = [](const QString& typed) { QString script; const QStringList v = typed.split(u','); for (int i = 0; i < 6; ++i) script += u"Text%1="_s.arg(i < 5 ? i + 1 : 7) + v[i] + u'|'; return script + u"Command1|?focus|?Text1|?Text2|?Text3|?Text4|?Text5|?Text7"_s; };
        const QString blank = u"information Empty Field: The "_s, bad = u"information Invalid Data: The "_s, field = u" field is blank. If you don't want to create a new record click Cancel."_s, saved = u"information Updated: Your changes have been saved."_s;
        add("application: as loaded", u"?Text1|?Text2"_s, {}, u"Text1=7 Text2=12"_s);
        add("application: both empty", app({}, {}), blank + u"Korvane timer interval field can not be blank."_s, u"focus=Text1 Text1= Text2="_s);
        add("application: services empty before a letter", app(u"a"_s, {}), blank + u"Tallis timer interval field can not be blank."_s, u"focus=Text2 Text1=a Text2="_s);
        add("application: both letters", app(u"a"_s, u"b"_s), bad + u"Korvane timer interval must be a number."_s, u"focus=Text1 Text1= Text2=b"_s);
        add("application: number tests before points", app(u"1."_s, u"a"_s), bad + u"Tallis timer interval must be a number."_s, u"focus=Text2 Text1=1. Text2="_s);
        add("application: ping 1.", app(u"1."_s, u"5"_s), bad + u"Korvane timer interval can only have numbers."_s, u"focus=Text1 Text1= Text2=5"_s);
        add("application: services 1.", app(u"5"_s, u"1."_s), bad + u"Tallis timer interval can only have numbers."_s, u"focus=Text2 Text1=5 Text2="_s);
        add("application: ping -1", app(u"-1"_s, u"0"_s), bad + u"Korvane timer interval must be greater than 0."_s, u"focus=Text1 Text1= Text2=0"_s);
        add("application: services 0", app(u"5"_s, u"0"_s), bad + u"Tallis timer interval must be greater than 0."_s, u"focus=Text2 Text1=5 Text2="_s);
        add("application: unchecking Yes checks it again", app(u"7"_s, u"12"_s, u"Check1"_s), saved, u"visible=0"_s, u"7|12|1|0|1"_s);
        add("application: checking the other boxes switches the pairs", app(u"1"_s, u"99"_s, u"Check2|Check3|Check6"_s), saved, u"visible=0"_s, u"1|99|0|1|0"_s);
        add("application: switch, then uncheck; the ping interval trimmed as typed", app(u" +3 "_s, u" 5"_s, u"Check2|Check2|Check5|?Text1"_s), saved, u"Text1=+3 visible=0"_s, u"3|5|0|0|1"_s);
        add("email: as loaded", u"?Text1|?Text2|?Text3|?Text4|?Text5|?Text7"_s, {}, u"Text1=mail.x.invalid Text2=korvane Text3=s3cret Text4=alerts@x.invalid Text5= Text7=2525"_s);
        add("email: all empty", mail(u",,,,,"_s), blank + u"SMTP Server Name"_s + field, u"focus=Text1 Text1= Text2= Text3= Text4= Text5= Text7="_s);
        add("email: server", mail(u"   ,u,p,f,n,25"_s), blank + u"SMTP Server Name"_s + field, u"focus=Text1 Text1= Text2=u Text3=p Text4=f Text5=n Text7=25"_s);
        add("email: user", mail(u"s,   ,p,f,n,25"_s), blank + u"SMTP User Name"_s + field, u"focus=Text2 Text1=s Text2= Text3=p Text4=f Text5=n Text7=25"_s);
        add("email: password", mail(u"s,u,   ,f,n,25"_s), blank + u"SMTP password"_s + field, u"focus=Text3 Text1=s Text2=u Text3= Text4=f Text5=n Text7=25"_s);
        add("email: from", mail(u"s,u,p,   ,n,25"_s), blank + u"from email"_s + field, u"focus=Text4 Text1=s Text2=u Text3=p Text4= Text5=n Text7=25"_s);
        add("email: name, the others trimmed", mail(u"  s  , u,p , f ,, 25"_s), blank + u"from name"_s + field, u"focus=Text5 Text1=s Text2=u Text3=p Text4=f Text5= Text7=25"_s);
        add("email: port", mail(u"s,u,p,f,n,   "_s), blank + u"SMTP port"_s + field, u"focus=Text7 Text1=s Text2=u Text3=p Text4=f Text5=n Text7="_s);
        add("email: saved", mail(u"  127.0.0.1  , newuser,newpass ,new@x.invalid,New  Name  , smtp"_s).replace(u"?focus"_s, u"?visible"_s), u"information Updated: The email settings have been updated."_s,
            u"visible=0 Text1=127.0.0.1 Text2=newuser Text3=newpass Text4=new@x.invalid Text5=New  Name Text7=smtp"_s, u"127.0.0.1|newuser|newpass|new@x.invalid|New  Name|smtp|Keep this subject"_s);
        // clang-format on
    }
    void window() {
        QFETCH(QString, script);
        QFETCH(QString, row);
        const bool email = QByteArray(QTest::currentDataTag()).startsWith("email");
        const QString sql = email ? kMailRow : kAppRow;
        const QStringList before = m_folder->select(sql);
        Form4 application(m_folder->ctx);
        Form7 mail(m_folder->ctx);
        QDialog& form = email ? static_cast<QDialog&>(mail) : application;
        QVERIFY(email ? mail.Form_Load() : application.Form_Load());
        QVERIFY(!email || mail.Text3->displayText() == u"******"_s); // a "*" for every character
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTEST(runScript(form, *m_folder, script), "report");
        QTEST(m_folder->dialogs().boxes(), "shown");
        const QStringList after = m_folder->select(sql);
        QCOMPARE(after, row.isEmpty() ? before : QStringList{row});
        // The alerts follow the notification choice at once; the shared mail settings are
        // loaded again after a save, for the next alert.
        const PublicValues& v = m_folder->ctx.values();
        QCOMPARE(QStringList({v.SMTPserver, v.SMTPUserName, v.SMTPPassword, v.SMTPFromEmail,
                              v.SMTPFromName, v.SMTPport})
                     .join(u'|'),
                 email && !row.isEmpty() ? row.section(u'|', 0, 5) : u"|||||"_s);
        QCOMPARE(m_folder->ctx.desktopNotifications(), email || after.value(0).endsWith(u"|1"_s));
        form.close();
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
