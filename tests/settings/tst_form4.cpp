// The application settings window over a real database file: controls, load, the Yes/No
// pairs, trimming while typing, the checks in their order, the saved row, database failures,
// and the menu.
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "app/Form1.h"
#include "settings/Form4.h"
#include "storage/SettingsTables.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Stored {
    QString ping;
    QString services;
    bool autoPing;
    bool autoServices;
};

} // namespace

class TestForm4 : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

    RecordingDialogs& dialogs() { return m_folder->dialogs(); }
    void store(int ping, int services, bool autoPing, bool autoServices) {
        m_folder->execSql(u"UPDATE Settings SET PingTimerSeconds = ?, ServicesTimerSeconds = ?,"
                          u" AutoStartPinger = ?, AutoStartServices = ?"_s,
                          {ping, services, autoPing ? 1 : 0, autoServices ? 1 : 0});
    }
    Stored stored() const {
        const auto r = SettingsTable(m_folder->databasePath()).read();
        return {r.value.pingTimerSeconds, r.value.servicesTimerSeconds, r.value.autoStartPinger,
                r.value.autoStartServices};
    }
    static QList<bool> checks(const Form4& form) {
        return {form.Check1->isChecked(), form.Check2->isChecked(), form.Check3->isChecked(),
                form.Check4->isChecked()};
    }

  private Q_SLOTS:
    void init() {
        m_folder = std::make_unique<TestProgramFolder>();
        store(7, 12, true, false);
    }
    void cleanup() {
        m_folder.reset();
        KORVANE_VERIFY_NO_WINDOW_OPEN();
    }

    void controls() {
        Form4 form(m_folder->ctx);
        QCOMPARE(form.objectName(), u"Form4"_s);
        QCOMPARE(form.windowTitle(), u"Settings"_s);
        QVERIFY(form.isModal());
        const struct {
            const char16_t* name;
            const char16_t* text;
        } labels[] = {{u"Label1", u"Korvane Timer Interval (Min)"},
                      {u"Label2", u"Tallis Timer Interval (Min)"},
                      {u"Label3", u"Auto Start Pinger Feature"},
                      {u"Label4", u"Auto Start Services Feature"}};
        for (const auto& l : labels)
            QCOMPARE(form.findChild<QLabel*>(QString::fromUtf16(l.name))->text(),
                     QString::fromUtf16(l.text));
        QCOMPARE(form.findChild<QLineEdit*>(u"Text1"_s)->toolTip(),
                 u"The number of minutes in between each Ping Job. Two charaters only"_s);
        QCOMPARE(form.findChild<QLineEdit*>(u"Text2"_s)->toolTip(),
                 u"The number of minutes in between each Service Job. Two charaters only"_s);
        QCOMPARE(form.Text1->maxLength(), 2);
        QCOMPARE(form.Text2->maxLength(), 2);
        QCOMPARE(form.findChild<QCheckBox*>(u"Check1"_s)->text(), u"Yes"_s);
        QCOMPARE(form.findChild<QCheckBox*>(u"Check2"_s)->text(), u"No"_s);
        QCOMPARE(form.findChild<QCheckBox*>(u"Check3"_s)->text(), u"Yes"_s);
        QCOMPARE(form.findChild<QCheckBox*>(u"Check4"_s)->text(), u"No"_s);
        auto* save = form.findChild<QPushButton*>(u"Command1"_s);
        QCOMPARE(save->text(), u"Save"_s);
        QCOMPARE(save->toolTip(), u"Click here to save any changes and close this window"_s);
    }

    void load_data() {
        QTest::addColumn<bool>("autoPing");
        QTest::addColumn<bool>("autoServices");
        QTest::addColumn<QList<bool>>("checked");
        QTest::newRow("yes, no") << true << false << QList<bool>{true, false, false, true};
        QTest::newRow("no, yes") << false << true << QList<bool>{false, true, true, false};
        QTest::newRow("no, no") << false << false << QList<bool>{false, true, false, true};
        QTest::newRow("yes, yes") << true << true << QList<bool>{true, false, true, false};
    }
    void load() {
        QFETCH(bool, autoPing);
        QFETCH(bool, autoServices);
        QFETCH(QList<bool>, checked);
        store(15, 30, autoPing, autoServices);
        Form4 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        QCOMPARE(form.Text1->text(), u"15"_s);
        QCOMPARE(form.Text2->text(), u"30"_s);
        QCOMPARE(checks(form), checked);
        QVERIFY(dialogs().shown.isEmpty());
    }

    void pairs_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QList<bool>>("checked");
        // Loaded as Yes for the pinger, No for the services.
        QTest::newRow("no clicks") << QStringList{} << QList<bool>{true, false, false, true};
        QTest::newRow("unchecking Yes checks it again")
            << QStringList{u"Check1"_s} << QList<bool>{true, false, false, true};
        QTest::newRow("checking No switches")
            << QStringList{u"Check2"_s} << QList<bool>{false, true, false, true};
        QTest::newRow("unchecking No checks it again")
            << QStringList{u"Check4"_s} << QList<bool>{true, false, false, true};
        QTest::newRow("checking Yes switches")
            << QStringList{u"Check3"_s} << QList<bool>{true, false, true, false};
        QTest::newRow("there and back")
            << QStringList{u"Check2"_s, u"Check1"_s, u"Check4"_s, u"Check3"_s}
            << QList<bool>{true, false, true, false};
        QTest::newRow("switch then uncheck")
            << QStringList{u"Check2"_s, u"Check2"_s} << QList<bool>{false, true, false, true};
    }
    void pairs() {
        QFETCH(QStringList, clicks);
        QFETCH(QList<bool>, checked);
        Form4 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        for (const QString& name : clicks)
            form.findChild<QCheckBox*>(name)->click();
        QCOMPARE(checks(form), checked);
    }

    void typing_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("text2");
        QTest::newRow("blank then 5") << u" 5"_s << u"5"_s << u" 5"_s;
        QTest::newRow("5 then blank") << u"5 "_s << u"5"_s << u"5 "_s;
        QTest::newRow("two digits") << u"42"_s << u"42"_s << u"42"_s;
        QTest::newRow("limit of two") << u"123"_s << u"12"_s << u"12"_s;
        QTest::newRow("1.") << u"1."_s << u"1."_s << u"1."_s;
    }
    void typing() {
        QFETCH(QString, keys);
        QFETCH(QString, text1);
        QFETCH(QString, text2);
        Form4 form(m_folder->ctx);
        QTest::keyClicks(form.Text1, keys);
        QTest::keyClicks(form.Text2, keys);
        QCOMPARE(form.Text1->text(), text1);
        QCOMPARE(form.Text2->text(), text2);
    }

    void checks_data() {
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("text2");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("left1");
        QTest::addColumn<QString>("left2");
        const QString empty = u"Empty Field"_s;
        const QString invalid = u"Invalid Data"_s;
        QTest::newRow("ping empty") << QString() << u"5"_s << empty
                                    << u"The Korvane timer interval field can not be blank."_s
                                    << u"Text1"_s << QString() << u"5"_s;
        QTest::newRow("both empty") << QString() << QString() << empty
                                    << u"The Korvane timer interval field can not be blank."_s
                                    << u"Text1"_s << QString() << QString();
        QTest::newRow("services empty") << u"5"_s << QString() << empty
                                        << u"The Tallis timer interval field can not be blank."_s
                                        << u"Text2"_s << u"5"_s << QString();
        QTest::newRow("services empty before a letter")
            << u"a"_s << QString() << empty
            << u"The Tallis timer interval field can not be blank."_s << u"Text2"_s << u"a"_s
            << QString();
        QTest::newRow("ping letter")
            << u"a"_s << u"5"_s << invalid << u"The Korvane timer interval must be a number."_s
            << u"Text1"_s << QString() << u"5"_s;
        QTest::newRow("both letters")
            << u"a"_s << u"b"_s << invalid << u"The Korvane timer interval must be a number."_s
            << u"Text1"_s << QString() << u"b"_s;
        QTest::newRow("services letter")
            << u"5"_s << u"b"_s << invalid << u"The Tallis timer interval must be a number."_s
            << u"Text2"_s << u"5"_s << QString();
        QTest::newRow("ping 1.") << u"1."_s << u"5"_s << invalid
                                 << u"The Korvane timer interval can only have numbers."_s
                                 << u"Text1"_s << QString() << u"5"_s;
        QTest::newRow("services 1.")
            << u"5"_s << u"1."_s << invalid << u"The Tallis timer interval can only have numbers."_s
            << u"Text2"_s << u"5"_s << QString();
        QTest::newRow("ping 0") << u"0"_s << u"5"_s << invalid
                                << u"The Korvane timer interval must be greater than 0."_s
                                << u"Text1"_s << QString() << u"5"_s;
        QTest::newRow("ping -1") << u"-1"_s << u"5"_s << invalid
                                 << u"The Korvane timer interval must be greater than 0."_s
                                 << u"Text1"_s << QString() << u"5"_s;
        QTest::newRow("services 0")
            << u"5"_s << u"0"_s << invalid << u"The Tallis timer interval must be greater than 0."_s
            << u"Text2"_s << u"5"_s << QString();
        QTest::newRow("services -5") << u"5"_s << u"-5"_s << invalid
                                     << u"The Tallis timer interval must be greater than 0."_s
                                     << u"Text2"_s << u"5"_s << QString();
    }
    void checks() {
        QFETCH(QString, text1);
        QFETCH(QString, text2);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QString, left1);
        QFETCH(QString, left2);
        Form4 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        form.Text1->setText(text1);
        form.Text2->setText(text2);
        form.Command1_Click();
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(dialogs().shown.first().icon, DialogIcon::Information);
        QCOMPARE(dialogs().shown.first().title, title);
        QCOMPARE(dialogs().shown.first().text, message);
        QCOMPARE(form.focusWidget(), form.findChild<QWidget*>(focus));
        QCOMPARE(form.Text1->text(), left1);
        QCOMPARE(form.Text2->text(), left2);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        const Stored row = stored();
        QCOMPARE(row.ping, u"7"_s);
        QCOMPARE(row.services, u"12"_s);
    }

    void save_data() {
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("text2");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("ping");
        QTest::addColumn<QString>("services");
        QTest::addColumn<bool>("autoPing");
        QTest::addColumn<bool>("autoServices");
        QTest::newRow("unchanged")
            << u"7"_s << u"12"_s << QStringList{} << u"7"_s << u"12"_s << true << false;
        QTest::newRow("new values, pairs switched")
            << u"1"_s << u"99"_s << QStringList{u"Check2"_s, u"Check3"_s} << u"1"_s << u"99"_s
            << false << true;
        QTest::newRow("blank before the services number")
            << u"5"_s << u" 5"_s << QStringList{} << u"5"_s << u"5"_s << true << false;
        QTest::newRow("plus sign")
            << u"+3"_s << u"4"_s << QStringList{} << u"3"_s << u"4"_s << true << false;
    }
    void save() {
        QFETCH(QString, text1);
        QFETCH(QString, text2);
        QFETCH(QStringList, clicks);
        QFETCH(QString, ping);
        QFETCH(QString, services);
        QFETCH(bool, autoPing);
        QFETCH(bool, autoServices);
        Form4 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        form.Text1->setText(text1);
        form.Text2->setText(text2);
        for (const QString& name : clicks)
            form.findChild<QCheckBox*>(name)->click();
        form.Command1_Click();
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(dialogs().shown.first().icon, DialogIcon::Information);
        QCOMPARE(dialogs().shown.first().title, u"Updated"_s);
        QCOMPARE(dialogs().shown.first().text, u"Your changes have been saved."_s);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        const Stored row = stored();
        QCOMPARE(row.ping, ping);
        QCOMPARE(row.services, services);
        QCOMPARE(row.autoPing, autoPing);
        QCOMPARE(row.autoServices, autoServices);
    }

    void loadFailure() {
        m_folder->execSql(u"DELETE FROM Settings"_s);
        Form4 form(m_folder->ctx);
        QVERIFY(!form.Form_Load());
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(dialogs().shown.first().icon, DialogIcon::Critical);
        QCOMPARE(dialogs().shown.first().title, u"Database Error"_s);
        QCOMPARE(
            dialogs().shown.first().text,
            u"The settings could not be read from the database: the Settings row is missing."_s);
        QCOMPARE(form.Text1->text(), QString());
        QVERIFY(m_folder->endedWith.isEmpty());
    }

    void saveFailure() {
        Form4 form(m_folder->ctx);
        QVERIFY(form.Form_Load());
        m_folder->execSql(u"DELETE FROM Settings"_s);
        form.Text1->setText(u"9"_s);
        form.Check2->click();
        form.Command1_Click();
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(dialogs().shown.first().icon, DialogIcon::Critical);
        QCOMPARE(dialogs().shown.first().title, u"Database Error"_s);
        QCOMPARE(
            dialogs().shown.first().text,
            u"The settings could not be saved: the Settings row is missing. Nothing has been changed in the database."_s);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(form.Text1->text(), u"9"_s);
        QCOMPARE(form.Text2->text(), u"12"_s);
        QCOMPARE(checks(form), (QList<bool>{false, true, false, true}));
        QVERIFY(m_folder->endedWith.isEmpty());
    }

    void openedFromTheMenu() {
        Form1 main(m_folder->ctx);
        QString seenCaption;
        QString seenInterval;
        bool wasModal = false;
        QTimer::singleShot(0, this, [&] {
            auto* form = qobject_cast<Form4*>(QApplication::activeModalWidget());
            if (!form)
                return;
            seenCaption = form->windowTitle();
            seenInterval = form->Text1->text();
            wasModal = form->isModal() && form->parentWidget() == &main;
            form->Text1->setText(u"3"_s);
            form->Command1_Click();
        });
        main.findChild<QAction*>(u"mnuApplicationSettings"_s)->trigger();
        QCOMPARE(seenCaption, u"Settings"_s);
        QCOMPARE(seenInterval, u"7"_s);
        QVERIFY(wasModal);
        QCOMPARE(stored().ping, u"3"_s);
        QVERIFY(main.findChildren<Form4*>().isEmpty());
    }
};

QTEST_MAIN(TestForm4)
#include "tst_form4.moc"
