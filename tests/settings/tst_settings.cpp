// The two settings windows over a real database file: what they load, the checks in their
// order with the message, focus and emptied field of each, what they save, the Yes/No pairs,
// and database failures (the window does not open on a failed load; a failed save keeps the
// entries).
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "settings/Form4.h"
#include "settings/Form7.h"
#include "settings/SettingsRules.h"
#include "storage/SettingsTables.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kSmtpFields{u"Text1"_s, u"Text2"_s, u"Text3"_s,
                              u"Text4"_s, u"Text5"_s, u"Text7"_s};
const QStringList kStoredSmtp{u"mail.x.invalid"_s,   u"korvane"_s,        u"s3cret"_s,
                              u"alerts@x.invalid"_s, u"Korvane Alerts"_s, u"2525"_s};

template <typename Form> QStringList texts(Form& form, const QStringList& names) {
    QStringList out;
    for (const QString& name : names)
        out << form.template findChild<QLineEdit*>(name)->text();
    return out;
}

QList<bool> checks(const Form4& form) {
    QList<bool> out;
    for (const char16_t* name : {u"Check1", u"Check2", u"Check3", u"Check4", u"Check5", u"Check6"})
        out << form.findChild<QCheckBox*>(QString::fromUtf16(name))->isChecked();
    return out;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

    RecordingDialogs& dialogs() { return m_folder->dialogs(); }
    void expectOneBox(DialogIcon icon, const QString& title, const QString& text) {
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(dialogs().shown.first().icon, icon);
        QCOMPARE(dialogs().shown.first().title, title);
        QCOMPARE(dialogs().shown.first().text, text);
    }
    QStringList settingsRow() const {
        const auto r = SettingsTable(m_folder->databasePath()).read();
        return {r.value.pingTimerSeconds, r.value.servicesTimerSeconds,
                r.value.autoStartPinger ? u"yes"_s : u"no"_s,
                r.value.autoStartServices ? u"yes"_s : u"no"_s,
                r.value.desktopNotifications ? u"yes"_s : u"no"_s};
    }
    QStringList smtpRow() const {
        const auto r = SmtpSettingsTable(m_folder->databasePath()).read();
        return {r.value.serverName, r.value.smtpUserName, r.value.smtpPassword, r.value.fromEmail,
                r.value.fromName,   r.value.subject,      r.value.smtpPort};
    }

  private Q_SLOTS:
    void init() {
        m_folder = std::make_unique<TestProgramFolder>();
        m_folder->execSql(u"UPDATE Settings SET PingTimerSeconds = 7, ServicesTimerSeconds = 12,"
                          u" AutoStartPinger = 1, AutoStartServices = 0"_s);
        m_folder->execSql(u"UPDATE SMTPsettings SET ServerName = ?, SMTPusername = ?,"
                          u" SMTPpassword = ?, FromEmail = ?, FromName = ?, SMTPport = ?,"
                          u" Subject = 'Keep this subject'"_s,
                          {kStoredSmtp[0], kStoredSmtp[1], kStoredSmtp[2], kStoredSmtp[3],
                           kStoredSmtp[4], kStoredSmtp[5]});
    }
    void cleanup() {
        m_folder.reset();
        KORVANE_VERIFY_NO_WINDOW_OPEN();
    }

    // The platform's numeric test behind the interval checks.
    void numericText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        for (const char16_t* yes : {u"5", u" 5", u"5 ", u"1.", u".5", u"-1", u"+1", u"0"})
            QTest::newRow(QString::fromUtf16(yes).toUtf8()) << QString::fromUtf16(yes) << true;
        for (const char16_t* no : {u"a", u"1a", u"", u" ", u".", u"-", u"1.2.3", u"1 2", u"- 1"})
            QTest::newRow((u"not "_s + QString::fromUtf16(no)).toUtf8())
                << QString::fromUtf16(no) << false;
    }
    void numericText() {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(SettingsRules::isNumericText(text), numeric);
    }

    void applicationLoadAndPairs_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QList<bool>>("checked");
        QTest::newRow("as stored")
            << QStringList{} << QList<bool>{true, false, false, true, true, false};
        QTest::newRow("unchecking Yes checks it again")
            << QStringList{u"Check1"_s} << QList<bool>{true, false, false, true, true, false};
        QTest::newRow("checking the other box switches")
            << QStringList{u"Check2"_s, u"Check3"_s, u"Check6"_s}
            << QList<bool>{false, true, true, false, false, true};
        QTest::newRow("switch then uncheck") << QStringList{u"Check2"_s, u"Check2"_s, u"Check5"_s}
                                             << QList<bool>{false, true, false, true, true, false};
    }
    void applicationLoadAndPairs() {
        QFETCH(QStringList, clicks);
        QFETCH(QList<bool>, checked);
        Form4 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        QCOMPARE(texts(form, {u"Text1"_s, u"Text2"_s}), (QStringList{u"7"_s, u"12"_s}));
        for (const QString& name : clicks)
            form.findChild<QCheckBox*>(name)->click();
        QCOMPARE(checks(form), checked);
    }

    void applicationTyping() {
        Form4 form(m_folder->ctx);
        // The ping interval is trimmed while it is typed; the services interval is not.
        QTest::keyClicks(form.Text1, u" 5"_s);
        QTest::keyClicks(form.Text2, u" 5"_s);
        QCOMPARE(texts(form, {u"Text1"_s, u"Text2"_s}), (QStringList{u"5"_s, u" 5"_s}));
    }

    void applicationChecks_data() {
        QTest::addColumn<QString>("ping");
        QTest::addColumn<QString>("services");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("left");
        const QString empty = u"Empty Field"_s;
        const QString invalid = u"Invalid Data"_s;
        const QString pingBlank = u"The Korvane timer interval field can not be blank."_s;
        QTest::newRow("both empty") << QString() << QString() << empty << pingBlank << u"Text1"_s
                                    << QStringList{QString(), QString()};
        QTest::newRow("services empty before a letter")
            << u"a"_s << QString() << empty
            << u"The Tallis timer interval field can not be blank."_s << u"Text2"_s
            << QStringList{u"a"_s, QString()};
        QTest::newRow("both letters")
            << u"a"_s << u"b"_s << invalid << u"The Korvane timer interval must be a number."_s
            << u"Text1"_s << QStringList{QString(), u"b"_s};
        QTest::newRow("services letter")
            << u"5"_s << u"b"_s << invalid << u"The Tallis timer interval must be a number."_s
            << u"Text2"_s << QStringList{u"5"_s, QString()};
        QTest::newRow("number tests before points")
            << u"1."_s << u"a"_s << invalid << u"The Tallis timer interval must be a number."_s
            << u"Text2"_s << QStringList{u"1."_s, QString()};
        QTest::newRow("ping 1.") << u"1."_s << u"5"_s << invalid
                                 << u"The Korvane timer interval can only have numbers."_s
                                 << u"Text1"_s << QStringList{QString(), u"5"_s};
        QTest::newRow("services 1.")
            << u"5"_s << u"1."_s << invalid << u"The Tallis timer interval can only have numbers."_s
            << u"Text2"_s << QStringList{u"5"_s, QString()};
        QTest::newRow("ping -1") << u"-1"_s << u"0"_s << invalid
                                 << u"The Korvane timer interval must be greater than 0."_s
                                 << u"Text1"_s << QStringList{QString(), u"0"_s};
        QTest::newRow("services 0")
            << u"5"_s << u"0"_s << invalid << u"The Tallis timer interval must be greater than 0."_s
            << u"Text2"_s << QStringList{u"5"_s, QString()};
    }
    void applicationChecks() {
        QFETCH(QString, ping);
        QFETCH(QString, services);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QStringList, left);
        Form4 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        form.Text1->setText(ping);
        form.Text2->setText(services);
        form.Command1_Click();
        expectOneBox(DialogIcon::Information, title, message);
        QCOMPARE(form.focusWidget(), form.findChild<QWidget*>(focus));
        QCOMPARE(texts(form, {u"Text1"_s, u"Text2"_s}), left);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(settingsRow(), (QStringList{u"7"_s, u"12"_s, u"yes"_s, u"no"_s, u"yes"_s}));
    }

    void applicationSave_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("row");
        QTest::newRow("unchanged") << QStringList{u"7"_s, u"12"_s} << QStringList{}
                                   << QStringList{u"7"_s, u"12"_s, u"yes"_s, u"no"_s, u"yes"_s};
        QTest::newRow("new values, pairs switched")
            << QStringList{u"1"_s, u"99"_s} << QStringList{u"Check2"_s, u"Check3"_s, u"Check6"_s}
            << QStringList{u"1"_s, u"99"_s, u"no"_s, u"yes"_s, u"no"_s};
        QTest::newRow("blank and sign") << QStringList{u"+3"_s, u" 5"_s} << QStringList{}
                                        << QStringList{u"3"_s, u"5"_s, u"yes"_s, u"no"_s, u"yes"_s};
    }
    void applicationSave() {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, row);
        Form4 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        form.Text1->setText(typed[0]);
        form.Text2->setText(typed[1]);
        for (const QString& name : clicks)
            form.findChild<QCheckBox*>(name)->click();
        form.Command1_Click();
        expectOneBox(DialogIcon::Information, u"Updated"_s, u"Your changes have been saved."_s);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(settingsRow(), row);
        // The alerts follow the notification choice at once.
        QCOMPARE(m_folder->ctx.desktopNotifications(), row.last() == u"yes"_s);
    }

    void emailEmptyFields_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<int>("reported");
        QTest::addColumn<QStringList>("left");
        const QStringList names{u"SMTP Server Name"_s, u"SMTP User Name"_s, u"SMTP password"_s,
                                u"from email"_s,       u"from name"_s,      u"SMTP port"_s};
        QTest::newRow("all empty") << QStringList(6) << 0 << QStringList(6);
        for (int i = 0; i < 6; ++i) {
            QStringList typed = kStoredSmtp;
            typed[i] = u"   "_s; // blanks only count as empty and are trimmed away
            QStringList left = kStoredSmtp;
            left[i].clear();
            QTest::addRow("%s", qPrintable(names[i])) << typed << i << left;
        }
        QTest::newRow("trimmed texts stay")
            << QStringList{u"  s  "_s, u" u"_s, u"p "_s, u" f "_s, QString(), u" 25"_s} << 4
            << QStringList{u"s"_s, u"u"_s, u"p"_s, u"f"_s, QString(), u"25"_s};
    }
    void emailEmptyFields() {
        QFETCH(QStringList, typed);
        QFETCH(int, reported);
        QFETCH(QStringList, left);
        const QStringList messages{u"SMTP Server Name"_s, u"SMTP User Name"_s, u"SMTP password"_s,
                                   u"from email"_s,       u"from name"_s,      u"SMTP port"_s};
        Form7 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        for (int i = 0; i < 6; ++i)
            form.findChild<QLineEdit*>(kSmtpFields[i])->setText(typed[i]);
        form.Command1_Click();
        expectOneBox(
            DialogIcon::Information, u"Empty Field"_s,
            u"The "_s + messages[reported] +
                u" field is blank. If you don't want to create a new record click Cancel."_s);
        QCOMPARE(form.focusWidget(), form.findChild<QWidget*>(kSmtpFields[reported]));
        QCOMPARE(texts(form, kSmtpFields), left);
        QCOMPARE(smtpRow().first(), kStoredSmtp.first());
    }

    void emailLoadAndSave() {
        m_folder->execSql(u"UPDATE SMTPsettings SET FromName = NULL"_s);
        Form7 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        QStringList loaded = kStoredSmtp;
        loaded[4].clear();
        QCOMPARE(texts(form, kSmtpFields), loaded);
        // The password shows a "*" for every character.
        QCOMPARE(form.Text3->displayText(), u"******"_s);

        const QStringList typed{u"  127.0.0.1  "_s, u" newuser"_s,    u"newpass "_s,
                                u"new@x.invalid"_s, u"New  Name  "_s, u" submission-port"_s};
        for (int i = 0; i < 6; ++i)
            form.findChild<QLineEdit*>(kSmtpFields[i])->setText(typed[i]);
        form.Command1_Click();
        expectOneBox(DialogIcon::Information, u"Updated"_s,
                     u"The email settings have been updated."_s);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(smtpRow(),
                 (QStringList{u"127.0.0.1"_s, u"newuser"_s, u"newpass"_s, u"new@x.invalid"_s,
                              u"New  Name"_s, u"Keep this subject"_s, u"submission-port"_s}));
        // The shared mail settings were loaded again for the next alert.
        const PublicValues& v = m_folder->ctx.values();
        QCOMPARE((QStringList{v.SMTPserver, v.SMTPUserName, v.SMTPPassword, v.SMTPFromEmail,
                              v.SMTPFromName, v.SMTPport}),
                 (QStringList{u"127.0.0.1"_s, u"newuser"_s, u"newpass"_s, u"new@x.invalid"_s,
                              u"New  Name"_s, u"submission-port"_s}));
    }

    // A window whose load fails reports it and does not open.
    void loadFailureDoesNotOpen_data() {
        QTest::addColumn<bool>("email");
        QTest::addColumn<QString>("text");
        QTest::newRow("email settings")
            << true
            << u"The email settings could not be read from the database: the database file is missing, unreadable or in use by another program."_s;
        QTest::newRow("application settings")
            << false
            << u"The settings could not be read from the database: the database file is missing, unreadable or in use by another program."_s;
    }
    void loadFailureDoesNotOpen() {
        QFETCH(bool, email);
        QFETCH(QString, text);
        QVERIFY(QFile::remove(m_folder->databasePath()));
        bool opened = false;
        QTimer watchdog;
        connect(&watchdog, &QTimer::timeout, this, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = true;
                modal->close();
            }
        });
        watchdog.start(10);
        if (email)
            Form7::showModal(m_folder->ctx, nullptr);
        else
            Form4::showModal(m_folder->ctx, nullptr);
        QVERIFY(!opened);
        expectOneBox(DialogIcon::Critical, u"Database Error"_s, text);
        QVERIFY(m_folder->endedWith.isEmpty());
    }

    // A save that fails keeps the window open with the entries and changes nothing.
    void saveFailureKeepsEntries() {
        Form7 email(m_folder->ctx);
        Form4 application(m_folder->ctx);
        QVERIFY(email.Form_Load() && application.Form_Load());
        m_folder->ctx.values().fncGetSMTPsettings(m_folder->databasePath());
        m_folder->execSql(u"DELETE FROM SMTPsettings"_s);
        m_folder->execSql(u"DELETE FROM Settings"_s);
        email.Text1->setText(u"127.0.0.1"_s);
        application.Text1->setText(u"9"_s);
        email.Command1_Click();
        application.Command1_Click();
        QCOMPARE(dialogs().shown.size(), 2);
        QCOMPARE(
            dialogs().shown[0].text,
            u"The email settings could not be saved: the SMTPsettings row is missing. Nothing has been changed in the database."_s);
        QCOMPARE(
            dialogs().shown[1].text,
            u"The settings could not be saved: the Settings row is missing. Nothing has been changed in the database."_s);
        QCOMPARE(email.result(), int(QDialog::Rejected));
        QCOMPARE(application.result(), int(QDialog::Rejected));
        QCOMPARE(email.Text1->text(), u"127.0.0.1"_s);
        QCOMPARE(application.Text1->text(), u"9"_s);
        QCOMPARE(m_folder->ctx.values().SMTPserver, kStoredSmtp.first());
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
