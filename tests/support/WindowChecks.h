#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

// Fails the test when a top-level window is still visible (a test that leaves one open).
#define KORVANE_VERIFY_NO_WINDOW_OPEN()                                                            \
    do {                                                                                           \
        QStringList open;                                                                          \
        for (QWidget * w : QApplication::topLevelWidgets())                                        \
            if (w->isVisible())                                                                    \
                open << w->objectName();                                                           \
        QVERIFY2(open.isEmpty(), qPrintable(QStringLiteral("still open: ") + open.join(u',')));    \
    } while (false)
