#pragma once

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <QWidget>

// The names of the top-level windows still visible (a test that leaves one open fails).
inline QStringList visibleTopLevelWindows() {
    QStringList names;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (w->isVisible())
            names << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                : w->objectName());
    return names;
}

#define KORVANE_VERIFY_NO_WINDOW_OPEN()                                                            \
    do {                                                                                           \
        const QStringList open = visibleTopLevelWindows();                                         \
        QVERIFY2(open.isEmpty(), qPrintable(QStringLiteral("still open: ") + open.join(u',')));    \
    } while (false)
