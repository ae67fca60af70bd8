// The console command runner against real child processes.
#include "app/CmdOutput.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kPython = u"/usr/bin/python3"_s;

QString run(const QStringList& argv, CommandOptions options) {
    ProcessCommandRunner runner;
    return QCoro::waitFor(runner.GetCommandOutput(argv, options));
}

CommandOptions streams(bool out, bool err, bool oem = true) {
    CommandOptions o;
    o.wantStdOut = out;
    o.wantStdErr = err;
    o.oemConvert = oem;
    return o;
}

// True when the process no longer runs (gone, or a zombie waiting to be reaped).
bool processGone(const QString& pid) {
    QFile stat(u"/proc/"_s + pid + u"/stat"_s);
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || line.mid(close + 2, 1) == "Z";
}

} // namespace

class TestCmdOutput : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void outputs_data() {
        // A script that writes to both streams in turn, flushing after each write.
        const QString mixed = u"import sys\nfor i in range(3):\n    sys.stdout.write('out%d\\n' % "
                              u"i); sys.stdout.flush()\n"
                              u"    sys.stderr.write('err%d\\n' % i); sys.stderr.flush()\n"_s;
        QString longText;
        for (int i = 0; i < 20000; ++i)
            longText += u"%1\n"_s.arg(i, 6, 10, QChar(u'0'));

        QTest::addColumn<QStringList>("argv");
        QTest::addColumn<bool>("out");
        QTest::addColumn<bool>("err");
        QTest::addColumn<QString>("expected");
        QTest::newRow("prints nothing")
            << QStringList{u"/bin/true"_s} << true << false << QString();
        QTest::newRow("one line") << QStringList{u"/bin/echo"_s, u"hello world"_s} << true << false
                                  << u"hello world\n"_s;
        QTest::newRow("arguments are not split or interpreted")
            << QStringList{u"/bin/echo"_s, u"a; rm -rf / $(id) `id` | x"_s} << true << false
            << u"a; rm -rf / $(id) `id` | x\n"_s;
        QTest::newRow("140 KB in order")
            << QStringList{kPython, u"-c"_s,
                           u"import sys\nfor i in range(20000): sys.stdout.write('%06d\\n' % i)"_s}
            << true << false << longText;
        QTest::newRow("both streams interleave in write order")
            << QStringList{kPython, u"-c"_s, mixed} << true << true
            << u"out0\nerr0\nout1\nerr1\nout2\nerr2\n"_s;
        QTest::newRow("missing program")
            << QStringList{u"/nonexistent/korvane-no-such-tool"_s, u"x"_s} << true << false
            << u"Failed to create process, check the path of the command line."_s;
        QTest::newRow("empty command line")
            << QStringList{} << true << false
            << u"Failed to create process, check the path of the command line."_s;
    }

    void outputs() {
        QFETCH(QStringList, argv);
        QFETCH(bool, out);
        QFETCH(bool, err);
        QFETCH(QString, expected);
        QCOMPARE(run(argv, streams(out, err)), expected);
    }

    void neitherStreamIsAnError() {
        ProcessCommandRunner runner;
        bool thrown = false;
        try {
            auto task = runner.GetCommandOutput({u"/bin/echo"_s, u"x"_s}, streams(false, false));
            Q_UNUSED(task);
        } catch (const std::invalid_argument&) {
            thrown = true;
        }
        QVERIFY(thrown);
    }

    void consoleEncoding() {
        const QStringList argv{
            kPython, u"-c"_s,
            u"import sys; sys.stdout.buffer.write(b'Paket verloren: caf\\xc3\\xa9\\n')"_s};
        QCOMPARE(run(argv, streams(true, false, true)), u"Paket verloren: café\n"_s);
        // Without conversion every byte stays one character.
        QCOMPARE(run(argv, streams(true, false, false)), u"Paket verloren: caf\u00c3\u00a9\n"_s);
    }

    void timeLimitEndsChildAndGrandchild() {
        // The child starts a grandchild that keeps the output pipe open, prints both ids and
        // then hangs; the time limit must end both and return what was printed.
        const QStringList argv{
            kPython, u"-c"_s,
            u"import os, subprocess, sys, time\n"
            u"p = subprocess.Popen(['/bin/sleep', '120'])\n"
            u"sys.stdout.write('started %d %d\\n' % (os.getpid(), p.pid)); sys.stdout.flush()\n"
            u"time.sleep(120)\n"_s};
        CommandOptions o = streams(true, false);
        o.timeout = 700ms;
        const QString text = run(argv, o);
        QVERIFY2(text.startsWith(u"started "_s), qPrintable(text));
        const QStringList ids = text.trimmed().split(u' ').mid(1);
        QCOMPARE(ids.size(), 2);
        for (const QString& pid : ids)
            QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), 5000);
    }

    void cancelGuardEndsTheChild() {
        auto guard = std::make_unique<QObject>();
        CommandOptions o = streams(true, false);
        o.cancelGuard = guard.get();
        ProcessCommandRunner runner;
        auto task = runner.GetCommandOutput(
            {kPython, u"-c"_s, u"import sys, time\nprint('begun', flush=True)\ntime.sleep(60)"_s},
            o);
        QTimer::singleShot(300, this, [&guard] { guard.reset(); });
        const QString text = QCoro::waitFor(std::move(task));
        QCOMPARE(text, u"begun\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestCmdOutput)
#include "tst_cmdoutput.moc"
