// What a screen reader and a keyboard user meet in every window: each control has a name in
// the accessibility tree, each button can be reached with Tab, and each menu and menu entry
// has a keyboard accelerator while its caption reads as before.
#include "TestProgramFolder.h"
#include "WindowChecks.h"
#include "app/Form1.h"
#include "editors/Form2.h"
#include "editors/Form6.h"
#include "jobs/Form3.h"
#include "mail/MailWindows.h"
#include "mail/frmMain.h"
#include "settings/Form4.h"
#include "settings/Form7.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

bool isControl(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractItemView*>(w);
}

QString accessibleName(QWidget* w) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Name) : QString();
}

// The controls of a window that a screen reader would read without a name, and the buttons
// that Tab cannot reach.
QStringList unnamedControls(QWidget* window) {
    QStringList missing;
    const auto widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        // Qt's own parts (the menu bar's overflow button, a combo box's text box) and the
        // column headers of a list are named by Qt.
        if (!isControl(w) || w->window() != window || w->objectName().startsWith(u"qt_"_s) ||
            qobject_cast<QHeaderView*>(w) || qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        const QString what = window->objectName() + u"."_s + w->objectName() + u"("_s +
                             QString::fromLatin1(w->metaObject()->className()) + u")"_s;
        if (accessibleName(w).trimmed().isEmpty())
            missing << what;
        if (qobject_cast<QAbstractButton*>(w) && !(w->focusPolicy() & Qt::TabFocus))
            missing << what + u" (no Tab)"_s;
    }
    return missing;
}

// Menus and entries of the main window without an accelerator; and their captions as shown.
QStringList menusWithoutAccelerator(QMenuBar* bar, QStringList& shown) {
    QStringList missing;
    std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& actions) {
        for (QAction* a : actions) {
            if (a->isSeparator())
                continue;
            if (a->text().count(u'&') != 1 && a->shortcut().isEmpty())
                missing << a->text();
            shown << QString(a->text()).remove(u'&');
            if (a->menu())
                walk(a->menu()->actions());
        }
    };
    walk(bar->actions());
    return missing;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void everyControlIsNamed() {
        TestProgramFolder folder;
        folder.addDevice(u"printer.site.invalid"_s);
        Form1 main(folder.ctx);
        QVERIFY(main.Form_Load());
        main.mnuRemoteServicesScanning_Click();
        Form6 devices(folder.ctx, main, &main);
        QVERIFY(devices.Form_Load());
        Form2 jobs(folder.ctx, &main);
        QVERIFY(jobs.Form_Load());
        Form4 application(folder.ctx, &main);
        QVERIFY(application.Form_Load());
        Form7 email(folder.ctx, &main);
        QVERIFY(email.Form_Load());
        frmMain* mail = main.mailWindows().create(folder.ctx);

        QStringList missing;
        for (QWidget* w : std::initializer_list<QWidget*>{&main, Form3::openWindow(&main), &devices,
                                                          &jobs, &application, &email, mail})
            missing << unnamedControls(w);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", "_s)));

        // The picture buttons say what they do.
        QStringList buttons;
        for (QWidget* w :
             {static_cast<QWidget*>(&main), static_cast<QWidget*>(Form3::openWindow(&main))})
            for (const char16_t* name : {u"Command1", u"Command2", u"Command3"})
                buttons << accessibleName(w->findChild<QWidget*>(QString::fromUtf16(name)));
        QCOMPARE(buttons, (QStringList{u"Start"_s, u"Stop"_s, u"Pause"_s, u"Start"_s, u"Stop"_s,
                                       u"Pause"_s}));
        // A text box is named by its label.
        QCOMPARE(accessibleName(application.Text1), u"Korvane Timer Interval (Min)"_s);

        QStringList shown;
        QCOMPARE(menusWithoutAccelerator(main.menuBar(), shown), QStringList());
        QCOMPARE(shown,
                 (QStringList{u"Edit"_s, u"Edit Ping Database"_s,
                              u"Edit Remote Services/File Age/File Exist/Drive Exist Database"_s,
                              u"Exit"_s, u"Remote Services"_s,
                              u"Start Services/File Age/File Exist/Drive Exist Scanning"_s,
                              u"Settings"_s, u"Email Settings"_s, u"Application Settings"_s,
                              u"Help"_s, u"Korvane Online"_s, u"About"_s}));
        mail->close();
        main.close();
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
