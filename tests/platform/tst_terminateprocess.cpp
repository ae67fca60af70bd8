// Ending processes by name (this run's own): copies of sleep and of a bash that ignores SIGTERM
// are ended, also under a name the kernel cut; others, the program itself and "" are not.
#include "platform/ProcessTerminator.h"

#include <QCoroTask>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestTerminateProcess : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void terminate() {
        QTemporaryDir dir;
        const QString tool = u"kvt%1.exe"_s.arg(QCoreApplication::applicationPid());
        const QStringList names = {tool, u"a-longer-name-"_s + tool,
                                   tool.toUpper() + u"-stubborn"_s, u"other-tool"_s};
        std::vector<std::unique_ptr<QProcess>> children;
        for (const QString& name : names) {
            const bool stubborn = name.endsWith(u"stubborn");
            QVERIFY(QFile::copy(stubborn ? u"/bin/bash"_s : u"/bin/sleep"_s, dir.filePath(name)));
            QProcess& child = *children.emplace_back(std::make_unique<QProcess>());
            child.start(dir.filePath(name),
                        stubborn ? QStringList{u"-c"_s, u"trap '' TERM; echo ready; read line"_s}
                                 : QStringList{u"300"_s});
            // The bash copy ignores SIGTERM before the signal comes.
            QVERIFY(stubborn ? child.waitForReadyRead() : child.waitForStarted());
        }
        ProcfsProcessTerminator terminator(std::chrono::milliseconds(300));
        QCOMPARE(QCoro::waitFor(terminator.fncTerminateProcess(u" "_s + tool.toUpper())), 3);
        QCOMPARE(QCoro::waitFor(terminator.fncTerminateProcess(u"tst_terminateprocess"_s)), 0);
        QCOMPARE(QCoro::waitFor(terminator.fncTerminateProcess(u"  "_s)), 0); // not everything
        for (int i = 0; i < 3; ++i)
            QTRY_COMPARE(children[i]->state(), QProcess::NotRunning);
        QCOMPARE(children[2]->exitStatus(), QProcess::CrashExit); // killed after the grace
        QCOMPARE(children[3]->state(), QProcess::Running);        // killed as it goes
    }
};

QTEST_GUILESS_MAIN(TestTerminateProcess)
#include "tst_terminateprocess.moc"
