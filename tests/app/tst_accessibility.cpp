// Every window as a screen reader and a keyboard user meet it: each control has a name in the
// accessibility tree and each button is reached with Tab; each menu and menu entry has one
// accelerator.
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

class TestAccessibility : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void everyWindow() {
        TestProgramFolder folder;
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        main.mnuRemoteServicesScanning_Click();
        Form6 devices(folder.ctx, main, &main);
        Form2 jobEditor(folder.ctx, &main);
        Form4 application(folder.ctx, &main);
        Form7 email(folder.ctx, &main);
        QVERIFY(devices.Form_Load() && jobEditor.Form_Load() && application.Form_Load() &&
                email.Form_Load());
        // The controls a screen reader would read without a name, and buttons Tab cannot
        // reach. Qt's own parts (a combo box's text box, a list's header, the menu bar's
        // overflow) and the controls of other windows are left out.
        QStringList missing;
        for (QWidget* window : std::initializer_list<QWidget*>{
                 &main, Form3::openWindow(&main), &devices, &jobEditor, &application, &email,
                 main.mailWindows().create(folder.ctx)}) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                const auto* button = qobject_cast<QAbstractButton*>(w);
                if ((!button && !qobject_cast<QLineEdit*>(w) && !qobject_cast<QPlainTextEdit*>(w) &&
                     !qobject_cast<QComboBox*>(w) && !qobject_cast<QAbstractItemView*>(w)) ||
                    w->window() != window || qobject_cast<QHeaderView*>(w) ||
                    w->objectName().startsWith(u"qt_"_s) ||
                    qobject_cast<QComboBox*>(w->parentWidget()))
                    continue;
                const QString name =
                    QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
                if (name.trimmed().isEmpty() || (button && !(w->focusPolicy() & Qt::TabFocus)))
                    missing << window->objectName() + u'.' + w->objectName();
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", "_s)));
        for (QAction* menu : main.menuBar()->actions())
            for (QAction* a : QList<QAction*>{menu} + menu->menu()->actions())
                QVERIFY2(a->text().count(u'&') == 1, qPrintable(a->text()));
        main.mailWindows().closeAll();
        main.close();
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
