// Every window as a screen reader and a keyboard user meet it: each control has a name in the
// accessibility tree and each button is reached with Tab; each menu and menu entry has an
// accelerator while its caption reads as before.
#include "TestProgramFolder.h"
#include "app/Form1.h"
#include "editors/Form2.h"
#include "editors/Form6.h"
#include "jobs/Form3.h"
#include "mail/MailWindows.h"
#include "mail/frmMain.h"
#include "settings/Form4.h"
#include "settings/Form7.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QString nameOf(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).trimmed();
}

// The controls a screen reader would read without a name, and buttons Tab cannot reach. Qt's
// own parts (a combo box's text box, a list's header, the menu bar's overflow) and the
// controls of other windows are left out.
QStringList unreachable(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QAbstractItemView*>(w);
        if (!control || w->window() != window || qobject_cast<QHeaderView*>(w) ||
            w->objectName().startsWith(u"qt_"_s) || qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        if (nameOf(w).isEmpty() ||
            (qobject_cast<QAbstractButton*>(w) && !(w->focusPolicy() & Qt::TabFocus)))
            out << window->objectName() + u"."_s + w->objectName();
    }
    return out;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void everyWindow() {
        TestProgramFolder folder;
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        main.mnuRemoteServicesScanning_Click();
        Form3* jobs = Form3::openWindow(&main);
        Form6 devices(folder.ctx, main, &main);
        Form2 jobEditor(folder.ctx, &main);
        Form4 application(folder.ctx, &main);
        Form7 email(folder.ctx, &main);
        QVERIFY(devices.Form_Load() && jobEditor.Form_Load() && application.Form_Load() &&
                email.Form_Load());
        frmMain* mail = main.mailWindows().create(folder.ctx);
        QStringList missing;
        for (QWidget* w : std::initializer_list<QWidget*>{&main, jobs, &devices, &jobEditor,
                                                          &application, &email, mail})
            missing << unreachable(w);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", "_s)));

        // The picture buttons say what they do; a box is named by its label.
        QStringList names;
        for (QWidget* w : {static_cast<QWidget*>(&main), static_cast<QWidget*>(jobs)})
            for (const QString& button : {u"Command1"_s, u"Command2"_s, u"Command3"_s})
                names << nameOf(w->findChild<QWidget*>(button));
        names << nameOf(application.Text1);
        QCOMPARE(names, (QStringList{u"Start"_s, u"Stop"_s, u"Pause"_s, u"Start"_s, u"Stop"_s,
                                     u"Pause"_s, u"Korvane Timer Interval (Min)"_s}));

        // Every menu and entry has one "&" before its key; shown, the caption is unchanged.
        QStringList shown;
        for (QAction* menu : main.menuBar()->actions())
            for (QAction* a : QList<QAction*>{menu} + menu->menu()->actions()) {
                QCOMPARE(a->text().count(u'&'), 1);
                shown << QString(a->text()).remove(u'&');
            }
        QCOMPARE(shown.join(u'|'),
                 u"Edit|Edit Ping Database|Edit Remote Services/File Age/File Exist/Drive Exist "
                 u"Database|Exit|Remote Services|Start Services/File Age/File Exist/Drive Exist "
                 u"Scanning|Settings|Email Settings|Application Settings|Help|Korvane Online|"
                 u"About"_s);
        mail->close();
        main.close();
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
