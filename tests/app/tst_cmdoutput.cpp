// The console command runner against real child processes.
#include "Files.h"
#include "app/CmdOutput.h"

#include <QCoroTask>
#include <QTest>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

QString run(const QStringList& argv, CommandOptions options = {}) {
    ProcessCommandRunner runner;
    return QCoro::waitFor(runner.GetCommandOutput(argv, std::move(options)));
}
QStringList python(const QString& code) {
    return {u"/usr/bin/python3"_s, u"-c"_s, code};
}

} // namespace

class TestCmdOutput : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void outputs_data() {
        // clang-format off
        QTest::addColumn<QStringList>("argv");
        QTest::addColumn<bool>("oem"); // and standard error as well
        QTest::addColumn<QString>("expected");
        QString longText;
        for (int i = 0; i < 20000; ++i)
            longText += u"%1\n"_s.arg(i, 6, 10, QChar(u'0'));
        const QString failed = commandStartFailureText(), cafe = u"import sys; sys.stdout.buffer.write(b'caf\\xc3\\xa9\\n')"_s;
        QTest::newRow("prints nothing") << QStringList{u"/bin/true"_s} << true << QString();
        QTest::newRow("arguments are not split or interpreted") << QStringList{u"/bin/echo"_s, u"a; rm -rf / $(id) `id` | x"_s} << true << u"a; rm -rf / $(id) `id` | x\n"_s;
        QTest::newRow("140 KB in order") << python(u"import sys\nfor i in range(20000): sys.stdout.write('%06d\\n' % i)"_s) << true << longText;
        QTest::newRow("both streams interleave in write order") << python(u"import sys\nfor i in range(3):\n    print('out%d' % i, flush=True); print('err%d' % i, file=sys.stderr, flush=True)\n"_s) << true << u"out0\nerr0\nout1\nerr1\nout2\nerr2\n"_s;
        QTest::newRow("console encoding") << python(cafe) << true << u"café\n"_s;
        QTest::newRow("no conversion: every byte one character") << python(cafe) << false << u"caf\u00c3\u00a9\n"_s;
        QTest::newRow("missing program") << QStringList{u"/nonexistent/korvane-no-such-tool"_s, u"x"_s} << true << failed;
        QTest::newRow("empty command line") << QStringList{} << true << failed;
        // clang-format on
    }
    void outputs() {
        QFETCH(QStringList, argv);
        QFETCH(bool, oem);
        QTEST(run(argv, {.wantStdErr = oem, .oemConvert = oem, .cancelGuard = {}}), "expected");
    }

    // Asking for neither stream is refused; the time limit ends the child and a grandchild that
    // keeps the output pipe open, and returns what was printed.
    void refusedAndTimeLimit() {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 run({u"/bin/echo"_s}, {.wantStdOut = false, .cancelGuard = {}}));
        const QString text = run(python(u"import os, subprocess, time\np = "
                                        u"subprocess.Popen(['/bin/sleep', '120'])\nprint('started "
                                        u"%d %d' % (os.getpid(), p.pid), flush=True)\n"
                                        u"time.sleep(120)\n"_s),
                                 {.timeout = 700ms, .cancelGuard = {}});
        const QStringList ids = text.trimmed().split(u' ').mid(1);
        QCOMPARE(ids.size(), 2);
        for (const QString& pid : ids) // gone, or a zombie waiting to be reaped
            QTRY_VERIFY_WITH_TIMEOUT(readFile(u"/proc/"_s + pid + u"/stat"_s).contains(") Z ") ||
                                         !QFile::exists(u"/proc/"_s + pid),
                                     5000);
    }
};

QTEST_GUILESS_MAIN(TestCmdOutput)
#include "tst_cmdoutput.moc"
