// The device editor over a real database file: browsing, Add New/Cancel, saving with the
// duplicate check, the field rules, deleting, a locked database, and the main list refresh.
#include "EditorFixture.h"
#include "app/Form1.h"
#include "editors/Form6.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {
const QStringList kColumns{u"ComputerName"_s, u"EmailWhenDown"_s, u"MaxAverage"_s,
                           u"Disabled"_s,     u"Status"_s,        u"ActionTaken"_s};
const QString kDuplicate =
    u"C Duplicate Record Detected: There is already a Record with that I.P. Address or Host "
    "Name. Please make the change before updating."_s;
} // namespace

class TestForm6 : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<Form1> m_main;
    std::unique_ptr<Form6> m_form;

    Form6& open(const QStringList& devices) {
        for (const QString& d : devices)
            m_folder->addDevice(d);
        m_form = openEditor<Form6>(m_folder->ctx, *m_main);
        return *m_form;
    }
    QStringList rows() { return tableRows(*m_folder, u"ComputerPingList"_s, kColumns); }
    QStringList shown() { return takeShown(m_folder->dialogs()); }
    void fill(const QString& host, const QString& mail, const QString& average, bool off) {
        m_form->Text1->setText(host);
        m_form->Text2->setText(mail);
        m_form->Text4->setText(average);
        m_form->Check1->setChecked(off);
    }

  private Q_SLOTS:
    void init() {
        m_folder = std::make_unique<TestProgramFolder>();
        m_main = std::make_unique<Form1>(m_folder->ctx);
    }
    void cleanup() {
        m_form.reset();
        m_main.reset();
        m_folder.reset();
        KORVANE_VERIFY_NO_WINDOW_OPEN();
    }

    void emptyTableAtLoad() {
        Form6& f = open({});
        QCOMPARE(f.Text1->text() + f.Text2->text() + f.Text4->text(), QString());
        QVERIFY(!f.cmdMovePrevious->isEnabled());
        QCOMPARE(f.focusWidget(), f.Text3);
        QCOMPARE(shown(), QStringList());
        // Update without Add New saves nothing.
        typeInto(f.Text1, u"pc1"_s);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(shown(),
                 QStringList{u"I Read ME: You Must first click the Add New button in order to add "
                             "a new record."_s});
        QCOMPARE(f.focusWidget(), f.Text3);
        QCOMPARE(rows(), QStringList());
        // Adding with an empty host keeps Update disabled; Cancel on an empty table enables it.
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QCOMPARE(f.Command2->text(), u"Cancel"_s);
        QVERIFY(!f.Command3->isEnabled());
        typeInto(f.Text1, u"x"_s);
        QVERIFY(f.Command3->isEnabled());
        QTest::keyClick(f.Text1, Qt::Key_Backspace);
        QVERIFY(!f.Command3->isEnabled());
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QVERIFY(f.Command3->isEnabled());
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(
            shown(),
            QStringList{
                u"I Empty Field: The I.P. Address or Host Name field is blank. If you don't want to create a new record click Cancel."_s});
        QCOMPARE(f.focusWidget(), f.Text1);
    }

    void navigation() {
        Form6& f = open({u"bravo"_s, u"Alpha"_s, u"charlie"_s});
        QStringList seen{f.Text1->text()};
        for (int i = 0; i < 3; ++i)
            seen << (QTest::mouseClick(f.cmdMoveNext, Qt::LeftButton), f.Text1->text());
        QCOMPARE(seen, (QStringList{u"Alpha"_s, u"bravo"_s, u"charlie"_s, u"charlie"_s}));
        QCOMPARE(shown(), QStringList{u"I Last Record: You are at the last record."_s});
        QVERIFY(!f.cmdMoveNext->isEnabled());
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(f.cmdMovePrevious, Qt::LeftButton);
        QVERIFY(f.cmdMoveNext->isEnabled());
        QCOMPARE(f.Text1->text(), u"Alpha"_s);
        QCOMPARE(shown(), QStringList{u"I First Record: You are at the first record."_s});
        QVERIFY(!f.cmdMovePrevious->isEnabled());
        QCOMPARE(f.focusWidget(), f.Text3);
    }

    void save_data() {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("after");
        // A new row leaves Status and ActionTaken to the monitor (Null); an update keeps them.
        const QString alpha = u"'alpha'|''|''|0|''|''"_s, beta = u"'beta'|''|''|0|''|''"_s;
        const QString added = u"'%1'|'ops@x.invalid'|'250'|1|NULL|NULL"_s;
        const QString saved = u"'%1'|'ops@x.invalid'|'250'|1|''|''"_s;
        const QString record = u"- Saved: Record (%1) has been added to the database."_s;
        const QString updated = u"I Updated: Your changes have been saved."_s;
        const QString hostile = u"-x'; DROP TABLE x; --"_s;
        QTest::newRow("new") << true << u"pc-new"_s << record.arg(u"pc-new"_s)
                             << QStringList{alpha, beta, added.arg(u"pc-new"_s)};
        QTest::newRow("duplicate") << true << u"alpha"_s << kDuplicate << QStringList{alpha, beta};
        QTest::newRow("other case") << true << u"ALPHA"_s << record.arg(u"ALPHA"_s)
                                    << QStringList{alpha, beta, added.arg(u"ALPHA"_s)};
        QTest::newRow("hostile") << true << hostile << record.arg(hostile)
                                 << QStringList{alpha, beta,
                                                added.arg(u"-x''; DROP TABLE x; --"_s)};
        QTest::newRow("same name")
            << false << u"alpha"_s << updated << QStringList{saved.arg(u"alpha"_s), beta};
        QTest::newRow("rename to taken")
            << false << u"beta"_s << kDuplicate << QStringList{alpha, beta};
        QTest::newRow("rename, case")
            << false << u"Beta"_s << updated << QStringList{saved.arg(u"Beta"_s), beta};
    }
    void save() {
        QFETCH(bool, adding);
        QFETCH(QString, host);
        QFETCH(QString, message);
        QFETCH(QStringList, after);
        Form6& f = open({u"alpha"_s, u"beta"_s});
        if (adding)
            QTest::mouseClick(f.Command2, Qt::LeftButton);
        fill(host, u"ops@x.invalid"_s, u"250"_s, true);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(shown(), QStringList{message});
        QCOMPARE(rows(), after);
        const bool refused = message == kDuplicate;
        QCOMPARE(f.Command2->text(), adding && refused ? u"Cancel"_s : u"Add New"_s);
        QCOMPARE(f.Text1->text(), host);
        QCOMPARE(f.focusWidget(), refused ? f.Text1 : f.Text3);
    }

    void fieldRules_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QStringList>("messages");
        const QStringList none;
        const QStringList mail{u"I Email Address Error: Please enter at least one valid Email "
                               "Address."_s};
        const QStringList number{u"I Input Error: You must only enter a number in this field "
                                 "greater than 1."_s};
        QTest::newRow("host trimmed") << u"Text1"_s << u"  pc 1  "_s << u"pc 1"_s << none;
        QTest::newRow("mail without @") << u"Text2"_s << u"nobody"_s << QString() << mail;
        QTest::newRow("12ms") << u"Text4"_s << u"12ms"_s << u"12"_s << none;
        QTest::newRow("007") << u"Text4"_s << u"007"_s << u"7"_s << none;
        QTest::newRow("half") << u"Text4"_s << u"0.5"_s << u"0.5"_s << none;
        QTest::newRow("letters") << u"Text4"_s << u"abc"_s << QString() << number;
        QTest::newRow("negative") << u"Text4"_s << u"-5"_s << QString() << number;
        QTest::newRow("four at most") << u"Text4"_s << u"12345"_s << u"1234"_s << none;
    }
    void fieldRules() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, left);
        QFETCH(QStringList, messages);
        Form6& f = open({});
        auto* edit = control<QLineEdit>(f, box);
        typeInto(edit, typed);
        f.Check1->setFocus();
        QCOMPARE(edit->text(), left);
        QCOMPARE(shown(), messages);
        QCOMPARE(f.focusWidget(), messages.isEmpty() ? static_cast<QWidget*>(f.Check1) : edit);
    }

    void remove_data() {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<int>("at"); // moves before the delete
        QTest::addColumn<QString>("shownAfter");
        const QStringList three{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("first of three") << three << 0 << u"b"_s;
        QTest::newRow("last of three") << three << 2 << u"b"_s;
        QTest::newRow("the only one") << QStringList{u"a"_s} << 0 << QString();
    }
    void remove() {
        QFETCH(QStringList, devices);
        QFETCH(int, at);
        QFETCH(QString, shownAfter);
        Form6& f = open(devices);
        for (int i = 0; i < at; ++i)
            QTest::mouseClick(f.cmdMoveNext, Qt::LeftButton);
        f.Text2->setText(u"keep@x.invalid"_s);
        m_folder->dialogs().answers = {DialogAnswer::No};
        QTest::mouseClick(f.Command4, Qt::LeftButton);
        QCOMPARE(f.focusWidget(), f.Text1);
        QTest::mouseClick(f.Command4, Qt::LeftButton);
        const QString ask = u"Q Delete?: Are you sure you want to delete this record?"_s;
        QCOMPARE(shown(), (QStringList{ask, ask, u"I Deleted: The record was deleted."_s}));
        QCOMPARE(f.Text1->text() + f.Text2->text(), shownAfter);
        devices.removeAt(at);
        QCOMPARE(rows().join(u' '), devices.isEmpty()
                                        ? QString()
                                        : u"'%1'|''|''|0|''|'' '%2'|''|''|0|''|''"_s.arg(
                                              devices.value(0), devices.value(1)));
        QTest::mouseClick(f.Command4, Qt::LeftButton);
        if (devices.isEmpty())
            QCOMPARE(shown(), QStringList{u"- No Record To Delete: No Record to Delete."_s});
    }

    void lockedDatabase() {
        Form6& f = open({u"alpha"_s});
        fill(u"alpha2"_s, u"a@x.invalid"_s, u"5"_s, false);
        {
            DbSession holder(m_folder->databasePath()); // another program's connection
            QSqlQuery(holder.db()).exec(u"BEGIN EXCLUSIVE"_s);
            QTest::mouseClick(f.Command3, Qt::LeftButton);
            const QString box = shown().join(u'+');
            QVERIFY2(box.startsWith(u"C Database Error: The record could not be saved: database "
                                    "is locked"_s) &&
                         box.endsWith(u"\n\nNothing was written to the database. Your entries "
                                      "are still in the window, so you can try again."_s),
                     qPrintable(box));
        }
        QCOMPARE(rows(), QStringList{u"'alpha'|''|''|0|''|''"_s});
        QCOMPARE(f.Text1->text(), u"alpha2"_s);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(shown(), QStringList{u"I Updated: Your changes have been saved."_s});
        QCOMPARE(rows(), QStringList{u"'alpha2'|'a@x.invalid'|'5'|0|''|''"_s});
    }

    void openedFromTheMenuAndRefreshesTheList() {
        m_folder->addDevice(u"host"_s);
        QVERIFY(m_main->Form_Load());
        QTimer::singleShot(0, this, [&] {
            auto* f = qobject_cast<Form6*>(QApplication::activeModalWidget());
            QVERIFY(f && f->parentWidget() == m_main.get());
            f->Command2_Click();
            f->Text1->setText(u"HOST"_s);
            f->Command3_Click();
            f->close();
        });
        m_main->findChild<QAction*>(u"mnuPingList"_s)->trigger();
        const QAbstractItemModel* list =
            m_main->findChild<QAbstractItemView*>(u"ListView1"_s)->model();
        QTRY_COMPARE(list->rowCount(), 2);
        QCOMPARE(list->index(0, 0).data().toString() + list->index(1, 0).data().toString(),
                 u"hostHOST"_s);
        m_main->close();
    }
};

QTEST_MAIN(TestForm6)
#include "tst_form6.moc"
