// The email settings window over a real database file: controls, load, the checks in their
// order, trimming, the saved row, the main window's reload, database failures, and the menu.
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "app/Form1.h"
#include "settings/Form7.h"
#include "storage/SettingsTables.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kEmptyMessages{
    u"The SMTP Server Name field is blank. If you don't want to create a new record click Cancel."_s,
    u"The SMTP User Name field is blank. If you don't want to create a new record click Cancel."_s,
    u"The SMTP password field is blank. If you don't want to create a new record click Cancel."_s,
    u"The from email field is blank. If you don't want to create a new record click Cancel."_s,
    u"The from name field is blank. If you don't want to create a new record click Cancel."_s,
    u"The SMTP port field is blank. If you don't want to create a new record click Cancel."_s,
};

const QStringList kFields{u"Text1"_s, u"Text2"_s, u"Text3"_s, u"Text4"_s, u"Text5"_s, u"Text7"_s};

SmtpSettingsRow storedRow() {
    SmtpSettingsRow r;
    r.serverName = u"mail.x.invalid"_s;
    r.smtpUserName = u"korvane"_s;
    r.smtpPassword = u"s3cret"_s;
    r.fromEmail = u"alerts@x.invalid"_s;
    r.fromName = u"Korvane Alerts"_s;
    r.subject = u"Keep this subject"_s;
    r.smtpPort = u"2525"_s;
    return r;
}

QStringList columns(const SmtpSettingsRow& r) {
    return {r.serverName, r.smtpUserName, r.smtpPassword, r.fromEmail,
            r.fromName,   r.subject,      r.smtpPort};
}

} // namespace

class TestForm7 : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<Form1> m_main;

    RecordingDialogs& dialogs() { return m_folder->dialogs(); }
    SmtpSettingsRow readRow() const {
        const auto r = SmtpSettingsTable(m_folder->databasePath()).read();
        if (!r.ok())
            qWarning() << "cannot read SMTPsettings:" << r.status.detail;
        return r.value;
    }
    void storeRow(const SmtpSettingsRow& r) {
        m_folder->execSql(
            u"UPDATE SMTPsettings SET ServerName = ?, SMTPusername = ?, SMTPpassword = ?,"
            u" FromEmail = ?, FromName = ?, Subject = ?, SMTPport = ?"_s,
            {r.serverName, r.smtpUserName, r.smtpPassword, r.fromEmail, r.fromName, r.subject,
             r.smtpPort});
    }
    void setFields(Form7& form, const QStringList& values) {
        for (int i = 0; i < kFields.size(); ++i)
            form.findChild<QLineEdit*>(kFields.at(i))->setText(values.at(i));
    }
    QStringList fieldTexts(Form7& form) {
        QStringList out;
        for (const QString& name : kFields)
            out << form.findChild<QLineEdit*>(name)->text();
        return out;
    }

  private Q_SLOTS:
    void init() {
        m_folder = std::make_unique<TestProgramFolder>();
        storeRow(storedRow());
        m_main = std::make_unique<Form1>(m_folder->ctx);
    }
    void cleanup() {
        m_main.reset();
        m_folder.reset();
        KORVANE_VERIFY_NO_WINDOW_OPEN();
    }

    void controls_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("labelText");
        QTest::addColumn<QString>("tip");
        QTest::newRow("Text1")
            << u"Text1"_s << u"Label1"_s << u"SMTP Server"_s
            << u"Enter your SMTP server. This can be either an I.P. or smtp domain address"_s;
        QTest::newRow("Text2") << u"Text2"_s << u"Label2"_s << u"SMTP User Name"_s
                               << u"Enter your SMTP user name"_s;
        QTest::newRow("Text3") << u"Text3"_s << u"Label3"_s << u"SMTP Password"_s
                               << u"Enter your SMTP password"_s;
        QTest::newRow("Text4")
            << u"Text4"_s << u"Label4"_s << u"From Email"_s
            << u"Enter the From email address that all email address will come from"_s;
        QTest::newRow("Text5")
            << u"Text5"_s << u"Label5"_s << u"From Name"_s
            << u"Enter the text that will appear in the From section of the email"_s;
        QTest::newRow("Text7")
            << u"Text7"_s << u"Label7"_s << u"SMTP Port"_s
            << u"Enter the Port your SMTP servers send on. Common ones are 25 or 2525"_s;
    }
    void controls() {
        QFETCH(QString, box);
        QFETCH(QString, label);
        QFETCH(QString, labelText);
        QFETCH(QString, tip);
        Form7 form(m_folder->ctx, m_main.get());
        QCOMPARE(form.objectName(), u"Form7"_s);
        QCOMPARE(form.windowTitle(), u"Email Settings"_s);
        QVERIFY(form.isModal());
        auto* edit = form.findChild<QLineEdit*>(box);
        QVERIFY(edit);
        QCOMPARE(edit->toolTip(), tip);
        QCOMPARE(edit->maxLength(), 100);
        QCOMPARE(edit->echoMode(), box == u"Text3"_s ? QLineEdit::Password : QLineEdit::Normal);
        QCOMPARE(form.findChild<QLabel*>(label)->text(), labelText);
        QCOMPARE(form.findChild<QLabel*>(u"Label8"_s)->text(),
                 u"Only use an SMTP email that does not require SSL"_s);
        auto* ok = form.findChild<QPushButton*>(u"Command1"_s);
        QCOMPARE(ok->text(), u"OK"_s);
        QCOMPARE(ok->toolTip(), u"Click here to save the SMTP settings"_s);
    }

    void typingLimit() {
        Form7 form(m_folder->ctx, m_main.get());
        QTest::keyClicks(form.Text7, QString(120, u'9'));
        QCOMPARE(form.Text7->text(), QString(100, u'9'));
    }

    void load() {
        Form7 form(m_folder->ctx, m_main.get());
        QVERIFY(form.Form_Load());
        QCOMPARE(fieldTexts(form),
                 (QStringList{u"mail.x.invalid"_s, u"korvane"_s, u"s3cret"_s, u"alerts@x.invalid"_s,
                              u"Korvane Alerts"_s, u"2525"_s}));
        QVERIFY(dialogs().shown.isEmpty());
    }

    void loadNulls() {
        m_folder->execSql(u"UPDATE SMTPsettings SET ServerName = NULL, SMTPport = NULL"_s);
        Form7 form(m_folder->ctx, m_main.get());
        QVERIFY(form.Form_Load());
        QCOMPARE(form.Text1->text(), QString());
        QCOMPARE(form.Text2->text(), u"korvane"_s);
        QCOMPARE(form.Text7->text(), QString());
    }

    void emptyFields_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<int>("reported");     // index into the six fields
        QTest::addColumn<QStringList>("left"); // the boxes afterwards
        const QStringList good{u"s"_s, u"u"_s, u"p"_s, u"f"_s, u"n"_s, u"25"_s};
        QTest::newRow("all empty") << QStringList(6) << 0 << QStringList(6);
        for (int i = 0; i < 6; ++i) {
            QStringList typed = good;
            typed[i].clear();
            QTest::addRow("%s empty", qPrintable(kFields.at(i))) << typed << i << typed;
        }
        QStringList blanks = good;
        blanks[2] = u"    "_s;
        blanks[4] = u"  "_s;
        QStringList blanksLeft = good;
        blanksLeft[2].clear();
        blanksLeft[4].clear();
        QTest::newRow("blanks only count as empty") << blanks << 2 << blanksLeft;
        QStringList padded{u"  s  "_s, u" u"_s, u"p "_s, u" f "_s, u""_s, u" 25"_s};
        QTest::newRow("trimmed texts stay")
            << padded << 4 << QStringList{u"s"_s, u"u"_s, u"p"_s, u"f"_s, QString(), u"25"_s};
    }
    void emptyFields() {
        QFETCH(QStringList, typed);
        QFETCH(int, reported);
        QFETCH(QStringList, left);
        Form7 form(m_folder->ctx, m_main.get());
        QVERIFY(form.Form_Load());
        setFields(form, typed);
        form.Command1_Click();
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(dialogs().shown.first().icon, DialogIcon::Information);
        QCOMPARE(dialogs().shown.first().title, u"Empty Field"_s);
        QCOMPARE(dialogs().shown.first().text, kEmptyMessages.at(reported));
        QCOMPARE(form.focusWidget(), form.findChild<QWidget*>(kFields.at(reported)));
        QCOMPARE(fieldTexts(form), left);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(columns(readRow()), columns(storedRow()));
    }

    void save() {
        Form7 form(m_folder->ctx, m_main.get());
        QVERIFY(form.Form_Load());
        m_main->publicValues().fncGetSMTPsettings(m_main->context().databasePath());
        QCOMPARE(m_main->publicValues().SMTPserver, u"mail.x.invalid"_s);
        setFields(form, {u"  127.0.0.1  "_s, u" newuser"_s, u"newpass "_s, u"  new@x.invalid"_s,
                         u"New  Name  "_s, u"  submission-port"_s});
        form.Command1_Click();
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(dialogs().shown.first().icon, DialogIcon::Information);
        QCOMPARE(dialogs().shown.first().title, u"Updated"_s);
        QCOMPARE(dialogs().shown.first().text, u"The email settings have been updated."_s);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(fieldTexts(form),
                 (QStringList{u"127.0.0.1"_s, u"newuser"_s, u"newpass"_s, u"new@x.invalid"_s,
                              u"New  Name"_s, u"submission-port"_s}));
        QCOMPARE(columns(readRow()),
                 (QStringList{u"127.0.0.1"_s, u"newuser"_s, u"newpass"_s, u"new@x.invalid"_s,
                              u"New  Name"_s, u"Keep this subject"_s, u"submission-port"_s}));
        // The main window reloaded its mail settings.
        QCOMPARE(m_main->publicValues().SMTPserver, u"127.0.0.1"_s);
        QCOMPARE(m_main->publicValues().SMTPUserName, u"newuser"_s);
        QCOMPARE(m_main->publicValues().SMTPPassword, u"newpass"_s);
        QCOMPARE(m_main->publicValues().SMTPFromEmail, u"new@x.invalid"_s);
        QCOMPARE(m_main->publicValues().SMTPFromName, u"New  Name"_s);
        QCOMPARE(m_main->publicValues().SMTPport, u"submission-port"_s);
    }

    void saveUnchanged() {
        Form7 form(m_folder->ctx, m_main.get());
        QVERIFY(form.Form_Load());
        form.Command1_Click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(columns(readRow()), columns(storedRow()));
    }

    void loadFailure_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("text");
        QTest::newRow("row deleted")
            << u"delete"_s
            << u"The email settings could not be read from the database: the SMTPsettings row is missing."_s;
        QTest::newRow("file of garbage")
            << u"garbage"_s
            << u"The email settings could not be read from the database: the database file is damaged or is not a Korvane database."_s;
        QTest::newRow("file gone")
            << u"remove"_s
            << u"The email settings could not be read from the database: the database file is missing, unreadable or in use by another program."_s;
    }
    void loadFailure() {
        QFETCH(QString, damage);
        QFETCH(QString, text);
        if (damage == u"delete"_s) {
            m_folder->execSql(u"DELETE FROM SMTPsettings"_s);
        } else {
            QFile file(m_folder->databasePath());
            if (damage == u"remove"_s) {
                QVERIFY(file.remove());
            } else {
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                file.write(QByteArray(8192, 'g'));
                file.close();
            }
        }
        Form7 form(m_folder->ctx, m_main.get());
        QVERIFY(!form.Form_Load());
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(dialogs().shown.first().icon, DialogIcon::Critical);
        QCOMPARE(dialogs().shown.first().title, u"Database Error"_s);
        QCOMPARE(dialogs().shown.first().text, text);
        QCOMPARE(fieldTexts(form), QStringList(6));
        QVERIFY(m_folder->endedWith.isEmpty());
    }

    void saveFailure() {
        Form7 form(m_folder->ctx, m_main.get());
        QVERIFY(form.Form_Load());
        m_main->publicValues().fncGetSMTPsettings(m_main->context().databasePath());
        m_folder->execSql(u"DELETE FROM SMTPsettings"_s);
        const QStringList typed{u"127.0.0.1"_s, u"u"_s, u"p"_s, u"f@x.invalid"_s, u"n"_s, u"25"_s};
        setFields(form, typed);
        form.Command1_Click();
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(dialogs().shown.first().icon, DialogIcon::Critical);
        QCOMPARE(dialogs().shown.first().title, u"Database Error"_s);
        QCOMPARE(
            dialogs().shown.first().text,
            u"The email settings could not be saved: the SMTPsettings row is missing. Nothing has been changed in the database."_s);
        // The window stays open with the entries; the main window keeps its values.
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(fieldTexts(form), typed);
        QCOMPARE(m_main->publicValues().SMTPserver, u"mail.x.invalid"_s);
        QVERIFY(m_folder->endedWith.isEmpty());
    }

    void openedFromTheMenu() {
        QString seenCaption;
        QString seenServer;
        bool wasModal = false;
        QTimer::singleShot(0, this, [&] {
            auto* form = qobject_cast<Form7*>(QApplication::activeModalWidget());
            if (!form)
                return;
            seenCaption = form->windowTitle();
            seenServer = form->Text1->text();
            wasModal = form->isModal() && form->parentWidget() == m_main.get();
            form->Text1->setText(u"menu.x.invalid"_s);
            form->Command1_Click();
        });
        m_main->findChild<QAction*>(u"mnuEmailSettings"_s)->trigger();
        QCOMPARE(seenCaption, u"Email Settings"_s);
        QCOMPARE(seenServer, u"mail.x.invalid"_s);
        QVERIFY(wasModal);
        QCOMPARE(readRow().serverName, u"menu.x.invalid"_s);
        QCOMPARE(m_main->publicValues().SMTPserver, u"menu.x.invalid"_s);
        QVERIFY(m_main->findChildren<Form7*>().isEmpty());
    }
};

QTEST_MAIN(TestForm7)
#include "tst_form7.moc"
