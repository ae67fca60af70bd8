// The ping monitor while `ping` is still running: Stop, Pause, closing the window and stray
// timer ticks during the probe and during the ten-echo check. A gated runner lets the test act
// while a run is "under way"; the real runner is used with a real child (loopback) to see
// that Stop kills it.
#include "CycleFixture.h"
#include "WindowChecks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace cycletest;

namespace {

using Gated = CycleFixture<GatedCommandRunner>;

// Starts and ticks once (interval 1): the probe of the first device is under way.
void startProbe(Gated& fx) {
    fx.form->Command1->click();
    fx.form->Timer1_Timer();
}

// Wraps the real runner and records what came back from each run and whether its cancel
// guard went away while it ran.
class RecordingProcessRunner final : public CommandRunner {
  public:
    struct Run {
        QStringList argv;
        bool cancelled = false;
        bool done = false;
        QString output;
    };
    QCoro::Task<QString> GetCommandOutput(QStringList argv, CommandOptions options) override {
        const qsizetype index = runs.size();
        runs.append({argv, false, false, {}});
        if (!options.cancelGuard.isNull()) {
            QObject::connect(options.cancelGuard.data(), &QObject::destroyed, &m_context,
                             [this, index] {
                                 if (!runs[index].done)
                                     runs[index].cancelled = true;
                             });
        }
        auto run = m_real.GetCommandOutput(argv, options);
        QString output = co_await run;
        runs[index].done = true;
        runs[index].output = output;
        co_return output;
    }
    QList<Run> runs;

  private:
    ProcessCommandRunner m_real;
    QObject m_context;
};

} // namespace

class TestPingCycleRace : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void cleanup() { KORVANE_VERIFY_NO_WINDOW_OPEN(); }

    void windowAnswersWhilePingRuns() {
        Gated fx;
        const qint64 id = fx.addDevice(u"pc1"_s);
        fx.load();
        startProbe(fx);
        QVERIFY(fx.cycle().probeRunning());
        QCOMPARE(fx.form->Label3->text(), u"Pinging - pc1, Please Wait...."_s);
        // The event loop turns: a timer of the test fires while ping runs.
        bool fired = false;
        QTimer::singleShot(0, fx.form.get(), [&fired] { fired = true; });
        QTRY_VERIFY(fired);
        QVERIFY(fx.cycle().probeRunning());

        // Stray ticks while the probe runs change nothing.
        fx.form->Timer2_Timer();
        fx.form->Timer1_Timer();
        QCOMPARE(fx.runner->calls.size(), 1);
        QVERIFY(!fx.form->Timer2->isActive());

        fx.runner->release(0, iputilsOutput(u"pc1"_s, 4, 3));
        QTRY_VERIFY(fx.form->Timer2->isActive());
        QVERIFY(!fx.cycle().probeRunning());
        QVERIFY(fx.cycle().resultPending());
        fx.form->Timer2_Timer();
        fx.form->Timer2_Timer(); // a second tick finds nothing to apply
        QTRY_VERIFY(fx.form->Timer1->isActive());
        QCOMPARE(fx.row(id).status, u"Percentage Lost 25%"_s);
        QCOMPARE(fx.row(id).actionTaken, u"Nothing For Now"_s);
        QCOMPARE(fx.runner->calls.size(), 1);
        QVERIFY(fx.runner->calls.at(0).guarded);
        QVERIFY(!fx.runner->calls.at(0).cancelled);
    }

    void interruptProbe_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("stop") << u"stop"_s;
        QTest::newRow("pause") << u"pause"_s;
        QTest::newRow("close") << u"close"_s;
    }

    void interruptProbe() {
        QFETCH(QString, how);
        Gated fx;
        const qint64 pc1 = fx.addDevice(u"pc1"_s);
        const qint64 pc2 = fx.addDevice(u"pc2"_s);
        fx.load();
        startProbe(fx);
        QVERIFY(fx.cycle().probeRunning());

        if (how == u"stop"_s)
            fx.form->Command2->click();
        else if (how == u"pause"_s)
            fx.form->Command3->click();
        else
            fx.form->close();
        // The child is killed at once; its end is noticed and dropped.
        QVERIFY(fx.runner->calls.at(0).cancelled);
        QTRY_COMPARE(fx.runner->unfinished(), 0);
        QVERIFY(!fx.cycle().probeRunning());
        QVERIFY(!fx.cycle().resultPending());
        QVERIFY(!fx.form->Timer2->isActive());
        QVERIFY(!fx.form->Timer1->isActive());
        QCOMPARE(fx.statusColumn(), (QStringList{QString(), QString()}));
        if (how == u"close"_s)
            return;
        if (how == u"stop"_s) {
            QCOMPARE(fx.form->Label3->text(), QString());
            QCOMPARE(fx.form->Label5->text(), QString());
            // Start again: the walk begins at the first device.
            fx.form->Command1->click();
            fx.form->Timer1_Timer();
            QCOMPARE(fx.runner->calls.at(1).argv.last(), u"pc1"_s);
        } else {
            // Resume: the dropped device's turn is over; the next probe takes the next one.
            fx.form->Command3->click();
            fx.form->Timer1_Timer();
            QCOMPARE(fx.runner->calls.at(1).argv.last(), u"pc2"_s);
        }
        fx.runner->release(1, iputilsOutput(u"x"_s, 4, 4));
        QTRY_VERIFY(fx.form->Timer2->isActive());
        fx.form->Timer2_Timer();
        QTRY_VERIFY(fx.form->Timer1->isActive());
        QCOMPARE(fx.row(how == u"stop"_s ? pc1 : pc2).status, u"Percentage Lost 0%"_s);
        QCOMPARE(fx.row(how == u"stop"_s ? pc2 : pc1).status, QString());
    }

    void staleResultNeverReachesTheNextDevice() {
        // Stop during the probe of pc1, Start, and the new probe (pc1 again) is under way when
        // the killed run's output finally arrives: it is dropped, and the new run's result is
        // the one applied.
        Gated fx;
        fx.addDevice(u"pc1"_s);
        fx.addDevice(u"pc2"_s);
        fx.load();
        startProbe(fx);
        const quint64 first = fx.cycle().generation();
        fx.form->Command2->click();
        fx.form->Command1->click();
        fx.form->Timer1_Timer();
        QVERIFY(fx.cycle().generation() > first);
        QCOMPARE(fx.runner->calls.size(), 2);
        QTRY_VERIFY(fx.runner->calls.at(0).finished);
        QVERIFY(fx.cycle().probeRunning());
        QVERIFY(!fx.form->Timer2->isActive());
        fx.runner->release(1, iputilsOutput(u"pc1"_s, 4, 0));
        QTRY_VERIFY(fx.form->Timer2->isActive());
        fx.form->Timer2_Timer();
        QTRY_VERIFY(fx.form->Timer1->isActive());
        QCOMPARE(fx.statusColumn(), (QStringList{u"Percentage Lost 100%"_s, QString()}));
    }

    void averageCheckFreezesDrawingOnly() {
        Gated fx;
        const qint64 id = fx.addDevice(u"pc1"_s, {}, u"10"_s);
        fx.load();
        startProbe(fx);
        fx.runner->release(0, iputilsOutput(u"pc1"_s, 4, 4));
        QTRY_VERIFY(fx.form->Timer2->isActive());
        fx.form->Timer2_Timer();
        QTRY_COMPARE(fx.runner->calls.size(), 2);
        QCOMPARE(fx.runner->calls.at(1).argv,
                 (QStringList{u"ping"_s, u"-c"_s, u"10"_s, u"-W"_s, u"4"_s, u"--"_s, u"pc1"_s}));
        // The probe's result is recorded before the check; the window does not draw while
        // the check runs, but the event loop does.
        QCOMPARE(fx.row(id).status, u"Percentage Lost 0%"_s);
        QVERIFY(!fx.form->updatesEnabled());
        QVERIFY(fx.cycle().handlingResult());
        bool fired = false;
        QTimer::singleShot(0, fx.form.get(), [&fired] { fired = true; });
        QTRY_VERIFY(fired);
        // Ticks while the check runs find nothing to do.
        fx.form->Timer2_Timer();
        fx.form->Timer1_Timer();
        QCOMPARE(fx.runner->calls.size(), 2);

        fx.runner->release(1, windowsOutput(u"pc1"_s, 0, 11));
        QTRY_VERIFY(fx.form->Timer1->isActive());
        QVERIFY(fx.form->updatesEnabled());
        QVERIFY(!fx.cycle().handlingResult());
        QCOMPARE(fx.row(id).status, u"Device Is Slow"_s);
        QCOMPARE(fx.row(id).actionTaken, u"Emailed To: "_s);
    }

    void interruptAverageCheck_data() {
        QTest::addColumn<bool>("pause");
        QTest::newRow("stop") << false;
        QTest::newRow("pause") << true;
    }

    void interruptAverageCheck() {
        QFETCH(bool, pause);
        Gated fx;
        const qint64 id = fx.addDevice(u"pc1"_s, {}, u"10"_s);
        fx.load();
        startProbe(fx);
        fx.runner->release(0, iputilsOutput(u"pc1"_s, 4, 4));
        QTRY_VERIFY(fx.form->Timer2->isActive());
        fx.form->Timer2_Timer();
        QTRY_COMPARE(fx.runner->calls.size(), 2);
        QVERIFY(!fx.form->updatesEnabled());

        if (pause)
            fx.form->Command3->click();
        else
            fx.form->Command2->click();
        QVERIFY(fx.runner->calls.at(1).cancelled);
        QVERIFY(fx.form->updatesEnabled());
        QTRY_COMPARE(fx.runner->unfinished(), 0);
        QVERIFY(!fx.cycle().handlingResult());
        QVERIFY(!fx.form->Timer1->isActive());
        QVERIFY(!fx.form->Timer2->isActive());
        // The probe's own result stays; nothing of the check is applied.
        QCOMPARE(fx.row(id).status, u"Percentage Lost 0%"_s);
        QCOMPARE(fx.row(id).actionTaken, pingOkAt2105());
    }

    void stopBetweenTwoWrites_data() {
        QTest::addColumn<bool>("pause");
        QTest::newRow("stop") << false;
        QTest::newRow("pause") << true;
    }

    void stopBetweenTwoWrites() {
        // The window gets a turn between the status and the action write; a Stop or Pause
        // that comes in then ends the result there.
        QFETCH(bool, pause);
        CycleFixture<FakeCommandRunner> fx;
        const qint64 id = fx.addDevice(u"pc1"_s);
        fx.runner->outputs = {iputilsOutput(u"pc1"_s, 4, 4)};
        fx.load();
        fx.form->Command1->click();
        fx.form->Timer1_Timer();
        QTRY_VERIFY(fx.form->Timer2->isActive());
        fx.form->Timer2_Timer();
        QCOMPARE(fx.row(id).status, u"Percentage Lost 0%"_s);
        QVERIFY(fx.cycle().handlingResult());
        if (pause)
            fx.form->Command3->click();
        else
            fx.form->Command2->click();
        QVERIFY(!fx.cycle().handlingResult());
        // Give the dropped result every chance to go on.
        int turns = 0;
        QObject* context = fx.form.get();
        QTimer::singleShot(0, context, [&turns, context] {
            ++turns;
            QTimer::singleShot(0, context, [&turns] { ++turns; });
        });
        QTRY_COMPARE(turns, 2);
        QCOMPARE(fx.row(id).actionTaken, QString());
        QCOMPARE(fx.listColumn(1), QStringList{QString()});
        QVERIFY(!fx.form->Timer1->isActive());
        QVERIFY(!fx.form->Timer2->isActive());
    }

    void destroyingTheWindowDuringTheProbe() {
        Gated fx;
        fx.addDevice(u"pc1"_s);
        fx.load();
        startProbe(fx);
        fx.form->close();
        fx.form.reset();
        QTRY_COMPARE(fx.runner->unfinished(), 0);
        QVERIFY(fx.runner->calls.at(0).cancelled);
        QCOMPARE(fx.statusColumn(), QStringList{QString()});
    }

    void stopKillsTheRealChild() {
        CycleFixture<RecordingProcessRunner> fx;
        const qint64 id = fx.addDevice(u"127.0.0.1"_s);
        fx.load();
        fx.form->Command1->click();
        fx.form->Timer1_Timer();
        QVERIFY(fx.cycle().probeRunning());
        QElapsedTimer started;
        started.start();
        fx.form->Command2->click();
        QVERIFY(fx.runner->runs.at(0).cancelled);
        QTRY_VERIFY(fx.runner->runs.at(0).done);
        // A ping that ran to its end prints its statistics; a killed one does not.
        QVERIFY2(!fx.runner->runs.at(0).output.contains(u"packets transmitted"_s),
                 qPrintable(fx.runner->runs.at(0).output));
        QVERIFY(!fx.form->Timer2->isActive());
        QVERIFY(!fx.cycle().resultPending());
        QCOMPARE(fx.row(id).status, QString());
        QCOMPARE(fx.row(id).actionTaken, QString());
        qInfo("killed after %lld ms", static_cast<long long>(started.elapsed()));
    }
};

QTEST_MAIN(TestPingCycleRace)
#include "tst_pingcyclerace.moc"
