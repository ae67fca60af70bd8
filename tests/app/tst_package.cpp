// The Debian package as a user gets it: built by CPack from this build and unpacked into a
// fresh root; its dependencies declared; the installed program started (offscreen, fresh home)
// until it has shown its window with its database in the user's data folder, none in the
// program folder; and no error from lintian.
#include "RunProgram.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestPackage : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void buildInstallRunLint() {
        for (const QString& tool : {u"cpack"_s, u"dpkg-shlibdeps"_s, u"lintian"_s})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + u" is missing (scripts/setup.sh installs it)"_s));
        QTemporaryDir dir;
        const QString root = dir.filePath(u"root"_s), home = dir.filePath(u"home"_s);
        ProgramRun run = runProgram(u"cpack"_s,
                                    {u"-G"_s, u"DEB"_s, u"-B"_s, dir.path(), u"--config"_s,
                                     QStringLiteral(KORVANE_BUILD_DIR "/CPackConfig.cmake")},
                                    {}, 180000);
        QVERIFY2(run.ok, qPrintable(run.failure));
        const QString deb = dir.filePath(QDir(dir.path()).entryList({u"*.deb"_s}).value(0));
        const QString depends = runProgram(u"dpkg-deb"_s, {u"-f"_s, deb, u"Depends"_s}).output;
        for (const QString& package : {u"iputils-ping"_s, u"samba-common-bin"_s,
                                       u"libqt6sql6-sqlite"_s, u"libqt6widgets6"_s, u"libcurl4"_s})
            QVERIFY2(depends.contains(package), qPrintable(package + u" not in "_s + depends));
        QVERIFY(runProgram(u"dpkg-deb"_s, {u"-x"_s, deb, root}).ok &&
                QDir().mkpath(home + u"/run"_s));
        QVERIFY(QFileInfo(root + u"/usr/lib/korvane/psservice.exe"_s).isExecutable());

        QProcess program; // the launcher in /usr/bin
        program.setEnvironment({u"HOME="_s + home, u"XDG_RUNTIME_DIR="_s + home + u"/run"_s,
                                u"QT_QPA_PLATFORM=offscreen"_s});
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(root + u"/usr/bin/korvane"_s, {});
        QString said;
        (void)QTest::qWaitFor(
            [&] {
                said += QString::fromUtf8(program.readAll());
                return said.contains(u"main window shown"_s) || !program.state();
            },
            60000);
        program.kill();
        program.waitForFinished();
        QVERIFY2(said.contains(u"main window shown"_s), qPrintable(said));
        QVERIFY(QFileInfo::exists(home + u"/.local/share/Brackwater/Korvane/HalvardDB.mdb"_s));
        QVERIFY(QDir(root + u"/usr/lib/korvane"_s).entryList({u"*.mdb"_s}).isEmpty());
        run = runProgram(u"lintian"_s, {u"--fail-on"_s, u"error"_s, deb}, {}, 180000);
        QVERIFY2(run.ok, qPrintable(run.failure));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
