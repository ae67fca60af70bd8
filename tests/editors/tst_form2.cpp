// The job editor over a real database file: the eleven checks, saving each kind, a kind
// change, deleting, the stored restart flag, and the input rules typed as a user types them.
#include "EditorFixture.h"
#include "editors/Form2.h"
#include "storage/JobTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {
const QStringList kOptional{u"EmailWhenDown"_s, u"AgeOfFile"_s, u"FileExistEmailifThereOrNot"_s};

// A new row as the editor writes it: the given "Column=quoted value"s, Null in the three
// columns it writes only when they are used, 0 in the flags, '' in every other text column.
QString newRow(const QStringList& given) {
    QMap<QString, QString> values;
    for (const QString& g : given)
        values.insert(g.section(u'=', 0, 0), g.section(u'=', 1));
    QStringList out;
    for (const QString& c : jobColumns().mid(1)) {
        const bool flag = c.startsWith(u"Restart"_s) || c == u"Disabled"_s;
        out << values.value(c, kOptional.contains(c) ? u"NULL"_s : flag ? u"0"_s : u"''"_s);
    }
    return out.join(u'|');
}

// The controls in a fixed order: Text1 .. Text20 without the focus sink, then the lists.
QStringList allControls() {
    QStringList names;
    for (int i = 1; i <= 20; ++i)
        if (i != 3)
            names << u"Text%1"_s.arg(i);
    return names << u"Combo1"_s << u"Combo2"_s;
}

QString textOfControl(QWidget& form, const QString& name) {
    QWidget* w = control<QWidget>(form, name);
    return w->property(qobject_cast<QComboBox*>(w) ? "currentText" : "text").toString();
}
} // namespace

class TestForm2 : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<Form2> m_form;

    Form2& open(const QList<JobRecord>& jobs = {}) {
        for (const JobRecord& j : jobs)
            JobTable(m_folder->databasePath()).insert(j);
        m_form = openEditor<Form2>(m_folder->ctx);
        return *m_form;
    }
    // "Name=value" for each control; a list takes the item with that text, a check box "1".
    void set(const QStringList& assignments) {
        for (const QString& a : assignments) {
            QWidget* w = control<QWidget>(*m_form, a.section(u'=', 0, 0));
            w->setProperty(qobject_cast<QComboBox*>(w)   ? "currentText"
                           : qobject_cast<QCheckBox*>(w) ? "checked"
                                                         : "text",
                           a.section(u'=', 1));
        }
    }
    bool focusOn(const QString& name) {
        QWidget* w = control<QWidget>(*m_form, name);
        return w == QApplication::focusWidget() || w->isAncestorOf(QApplication::focusWidget());
    }
    QStringList rows() { return tableRows(*m_folder, u"Services"_s, jobColumns().mid(1)); }
    QStringList shown() { return takeShown(m_folder->dialogs()); }

  private Q_SLOTS:
    void init() { m_folder = std::make_unique<TestProgramFolder>(); }
    void cleanup() {
        m_form.reset();
        m_folder.reset();
        KORVANE_VERIFY_NO_WINDOW_OPEN();
    }

    void checks_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const QStringList pc{u"Text1=pc"_s, u"Text2=svc"_s, u"Text8=u"_s, u"Text9=p"_s};
        const QStringList age{u"Text12=X:\\f"_s, u"Combo1=Greater Than 1 Day"_s};
        const QStringList exist{u"Text15=\\\\pc\\c$"_s, u"Combo2=If File Exist - Email Below"_s,
                                u"Text16=n"_s};
        const QString mail = u"I Enter Email Address: You must enter an email address."_s;
        QTest::newRow("1 no key")
            << QStringList()
            << u"I Empty PC Name Field: The I.P. Address or Host Name field is blank. If you don't want to create a new record click Cancel."_s
            << u"Text1"_s;
        QTest::newRow("2 service")
            << pc.mid(0, 1)
            << u"I Empty Service Name Field: The First Services box needs the name of the Service "
               "to check on this remote PC. You do not have to enter anything in the other four "
               "boxes, but you do in the first."_s
            << u"Text2"_s;
        QTest::newRow("3 user") << pc.mid(0, 2)
                                << u"I Empty User Name Field: The User Name of the PC must be "
                                   "filled out."_s
                                << u"Text8"_s;
        QTest::newRow("4 password") << pc.mid(0, 3)
                                    << u"I Empty Password Field: The Password of the PC must be "
                                       "filled out."_s
                                    << u"Text9"_s;
        QTest::newRow("5 age") << age.mid(0, 1)
                               << u"I Make Selection: You must select the Age Of the file from "
                                  "the drop down menu before saving."_s
                               << u"Combo1"_s;
        QTest::newRow("6 age mail") << age << mail << u"Text13"_s;
        QTest::newRow("7 action") << exist.mid(0, 1)
                                  << u"I Make Selection: You must select a If File Exist email "
                                     "action."_s
                                  << u"Combo2"_s;
        QTest::newRow("8 name part") << exist.mid(0, 2)
                                     << u"I Enter File Name: You must enter part of the file "
                                        "name. Do not use a wild card charater."_s
                                     << u"Text16"_s;
        QTest::newRow("9 exist mail") << exist << mail << u"Text17"_s;
        QTest::newRow("10 letter")
            << QStringList{u"Text19=pc"_s}
            << u"I Enter Drive Letter: You must enter an Drive letter."_s << u"Text18"_s;
        QTest::newRow("11 drive mail")
            << QStringList{u"Text19=pc"_s, u"Text18=c"_s} << mail << u"Text20"_s;
    }
    void checks() {
        QFETCH(QStringList, entries);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        Form2& f = open(); // an empty table shows nothing and says nothing
        for (const QString& name : allControls())
            QCOMPARE(textOfControl(f, name), QString());
        QVERIFY(!f.cmdMovePrevious->isEnabled() && shown().isEmpty());
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        set(entries);
        // Update follows the four key boxes, whoever changes them.
        QCOMPARE(f.Command3->isEnabled(), focus != u"Text1"_s);
        f.Command3->setEnabled(true);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(shown(), QStringList{message});
        QVERIFY(focusOn(focus));
        QCOMPARE(rows(), QStringList());
        QCOMPARE(f.Command2->text(), u"Cancel"_s);
    }

    void saveEachKind_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("row");
        QTest::newRow("service, no mail")
            << QStringList{u"Text1=pc1"_s, u"Text2=Spooler"_s,  u"Text8=dom\\admin"_s,
                           u"Text9=pw"_s,  u"Text14=W32Time"_s, u"Check2=1"_s,
                           u"Check1=1"_s}
            << u"Record for PC (pc1) has been added to the database."_s
            << newRow({u"ComputerName='pc1'"_s, u"Service1='Spooler'"_s, u"RestartService1=1"_s,
                       u"AlwaysRestartThisService='W32Time'"_s, u"AdminUserName='dom\\admin'"_s,
                       u"AdminPassword='pw'"_s, u"EmailWhenDown=''"_s, u"Disabled=1"_s});
        QTest::newRow("file age")
            << QStringList{u"Text12=X:\\log.txt"_s, u"Combo1=Greater Than 1 Week"_s,
                           u"Text13=a@x.invalid"_s}
            << u"Record for Path (X:\\log.txt) has been added to the database."_s
            << newRow({u"FilePathToCheck='X:\\log.txt'"_s, u"AgeOfFile='Greater Than 1 Week'"_s,
                       u"EmailWhenDown='a@x.invalid'"_s});
        QTest::newRow("file exists")
            << QStringList{u"Text15=\\\\pc\\in"_s, u"Text16=*.csv"_s,
                           u"Combo2=If File Doesn't Exist - Email Below"_s, u"Text17=b@x.invalid"_s}
            << u"Record for File (*.csv) has been added to the database."_s
            << newRow({u"CheckIfFileExistFolder='\\\\pc\\in'"_s, u"FileNameOfFileExist='*.csv'"_s,
                       u"FileExistEmailifThereOrNot='If File Doesn''t Exist - Email Below'"_s,
                       u"FileExistEmailHere='b@x.invalid'"_s});
        QTest::newRow("drive letter")
            << QStringList{u"Text19=pc9"_s, u"Text18=d"_s, u"Text20=c@x.invalid"_s}
            << u"The Record for PC named (pc9) & drive (D) has been added to the database."_s
            << newRow({u"CheckIfDriveExistPCName='pc9'"_s, u"CheckIfDriveExistDriveLetter='D'"_s,
                       u"CheckIfDriveExistEmailIfIssue='c@x.invalid'"_s});
    }
    void saveEachKind() {
        QFETCH(QStringList, entries);
        QFETCH(QString, saved);
        QFETCH(QString, row);
        Form2& f = open();
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        set(entries);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(shown(), QStringList{u"- Saved: "_s + saved});
        QCOMPARE(rows(), QStringList{row});
        QCOMPARE(f.Command2->text(), u"Add New"_s);
        QVERIFY(f.Command4->isEnabled() && f.cmdMoveNext->isEnabled());
        QVERIFY(focusOn(u"Text3"_s));
    }

    void kindChangeKeepsTheOldListValue() {
        JobRecord old;
        old.filePathToCheck = u"X:\\f"_s;
        old.ageOfFile = u"Greater Than 1 Day"_s;
        old.emailWhenDown = u"a@x.invalid"_s;
        Form2& f = open({old});
        QCOMPARE(f.Combo1->currentText(), u"Greater Than 1 Day"_s);
        QCOMPARE(f.Text13->text(), u"a@x.invalid"_s);
        typeInto(f.Text15, u"\\\\pc\\in"_s);
        set({u"Text16=n"_s, u"Combo2=If File Exist - Email Below"_s, u"Text17=m@x.invalid"_s});
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(shown(), QStringList{u"I Updated: Your changes have been saved."_s});
        QCOMPARE(rows(), QStringList{newRow(
                             {u"CheckIfFileExistFolder='\\\\pc\\in'"_s,
                              u"FileNameOfFileExist='n'"_s, u"FileExistEmailHere='m@x.invalid'"_s,
                              u"AgeOfFile='Greater Than 1 Day'"_s, u"EmailWhenDown='a@x.invalid'"_s,
                              u"FileExistEmailifThereOrNot='If File Exist - Email Below'"_s})});
    }

    void deleteUntilTheWindowCloses() {
        JobRecord a, b;
        a.computerName = u"pc-a"_s;
        b.computerName = u"pc-b"_s;
        b.service[1] = u"svc2"_s; // a restart flag stored for the empty first slot
        b.restartService = {true, true, false, false, false, false};
        Form2& f = open({b, a});
        QTest::mouseClick(f.Command4, Qt::LeftButton);
        QCOMPARE(f.Text1->text(), u"pc-b"_s);
        QVERIFY(!f.Check2->isChecked() && f.Check3->isChecked());
        QTest::mouseClick(f.Command4, Qt::LeftButton);
        const QString ask = u"Q Delete?: Are you sure you want to delete this record?"_s;
        QCOMPARE(shown(), (QStringList{ask, u"I Deleted: The record was deleted."_s,
                                       u"C Error: You must have a service name typed before "
                                       "checking this box!"_s,
                                       ask,
                                       u"I Deleted: The record was deleted. Since that was the "
                                       "last record, this window will now close"_s}));
        QVERIFY(!f.isVisible());
        QCOMPARE(rows(), QStringList());
    }

    // --- the input rules ---

    void sectionClearing_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<QString>("emptied"); // box numbers, lists as c1/c2, in this order
        const QString a = u"12 13 15 16 17 18 19 20 c1 c2"_s;
        const QString service = u"1 2 4 5 6 7 8 9 10 11 14"_s;
        QTest::newRow("A letter") << u"Text1"_s << QKeySequence(u"x"_s) << a;
        QTest::newRow("A Enter") << u"Text9"_s << QKeySequence(Qt::Key_Return) << a;
        QTest::newRow("A Backspace")
            << u"Text10"_s << QKeySequence(Qt::Key_Backspace) << u"10 "_s + a;
        QTest::newRow("B") << u"Text11"_s << QKeySequence(u"x"_s) << u"12 18 19 20 c1"_s;
        QTest::newRow("C") << u"Text13"_s << QKeySequence(u"x"_s)
                           << service + u" 15 16 17 18 19 20 c2"_s;
        QTest::newRow("D") << u"Text16"_s << QKeySequence(u"x"_s)
                           << u"1 2 4 5 6 7 8 9 10 11 12 13 14 18 19 20 c1"_s;
        const QString e = u"1 2 4 5 6 7 8 9 10 11 12 13 14 15 16 17 c2"_s; // Combo1 stays
        QTest::newRow("E") << u"Text20"_s << QKeySequence(u"x"_s) << e;
        QTest::newRow("E paste") << u"Text19"_s << QKeySequence(QKeySequence::Paste) << e;
        QTest::newRow("always-restart box") << u"Text14"_s << QKeySequence(u"x"_s) << QString();
        QTest::newRow("Delete") << u"Text12"_s << QKeySequence(Qt::Key_Delete) << QString();
        QTest::newRow("arrow") << u"Text12"_s << QKeySequence(Qt::Key_Left) << QString();
    }
    void sectionClearing() {
        QFETCH(QString, box);
        QFETCH(QKeySequence, key);
        QFETCH(QString, emptied);
        Form2& f = open();
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        for (const QString& name : allControls())
            set({name + u"=v"_s});
        for (QCheckBox* c : {f.Check2, f.Check3, f.Check4, f.Check5, f.Check6, f.Check7})
            c->setChecked(true);
        QApplication::clipboard()->setText(u"w"_s);
        auto* edit = control<QLineEdit>(f, box);
        edit->setFocus();
        QTest::keySequence(edit, key);
        QStringList empty;
        for (const QString& name : allControls())
            if (textOfControl(f, name).isEmpty())
                empty << (name.startsWith(u"Combo"_s) ? u"c"_s + name.back() : name.mid(4));
        QCOMPARE(empty.join(u' '), emptied);
        for (QCheckBox* c : {f.Check2, f.Check3, f.Check4, f.Check5, f.Check6, f.Check7})
            QVERIFY(c->isChecked());
    }

    void boxRules() {
        Form2& f = open();
        QCOMPARE(f.Text9->echoMode(), QLineEdit::Password);
        typeInto(f.Text18, u"cd"_s);
        QCOMPARE(f.Text18->text(), u"C"_s);
        typeInto(f.Text14, u" a b "_s); // a blank at either end goes at once
        QCOMPARE(f.Text14->text(), u"ab"_s);
        typeInto(f.Text8, u"  u  "_s);
        typeInto(f.Text10, u" nobody "_s);
        QCOMPARE(f.Text8->text(), u"u"_s);
        f.Text2->setFocus();
        QCOMPARE(f.Text10->text(), QString());
        QVERIFY(focusOn(u"Text10"_s));
        QCOMPARE(shown(), QStringList{u"I Email Address Error: Please enter at least one valid "
                                      "Email Address."_s});
        // Restart boxes need a named service, whether the click ticks or clears.
        const QString error =
            u"C Error: You must have a service name typed before checking this box!"_s;
        QTest::mouseClick(f.Check4, Qt::LeftButton);
        QVERIFY(!f.Check4->isChecked());
        f.Text5->setText(u"svc"_s);
        QTest::mouseClick(f.Check4, Qt::LeftButton);
        QVERIFY(f.Check4->isChecked());
        f.Text5->clear();
        QTest::mouseClick(f.Check4, Qt::LeftButton);
        QCOMPARE(shown(), (QStringList{error, error}));
    }

    void listBoxesRefuseTyping_data() {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<bool>("refused");
        QTest::newRow("letter") << QKeySequence(u"a"_s) << true;
        QTest::newRow("blank") << QKeySequence(Qt::Key_Space) << true;
        QTest::newRow("Backspace") << QKeySequence(Qt::Key_Backspace) << false;
    }
    void listBoxesRefuseTyping() {
        QFETCH(QKeySequence, key);
        QFETCH(bool, refused);
        Form2& f = open();
        for (QComboBox* list : {f.Combo1, f.Combo2}) {
            list->setCurrentIndex(0);
            const QString before = list->currentText();
            list->setFocus();
            QTest::keySequence(list, key);
            QCOMPARE(list->currentText(), before.chopped(1));
        }
        const QString refusal =
            u"I Error - Can't Type Here: You can't type here. You can only select from the list."_s;
        QCOMPARE(shown(), (refused ? QStringList{refusal, refusal} : QStringList()));
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
