// The Debian package as a user gets it: built by CPack from this build, unpacked into a fresh
// root, its dependencies declared, the installed program started (offscreen, with a fresh home)
// until it has shown its window and made its database in the user's data folder, not in the
// program folder; and lintian finds no error in it.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kStepMs = 180000;

// Runs a command to its end (within the limit); its output, or a failure with what it said.
QString run(const QString& program, const QStringList& args, bool* ok) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool finished = p.waitForStarted() && p.waitForFinished(kStepMs);
    if (!finished)
        p.kill();
    const QString out = QString::fromUtf8(p.readAll());
    *ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return out;
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_deb;

  private Q_SLOTS:
    void initTestCase() {
        for (const QString& tool : {u"cpack"_s, u"dpkg-deb"_s, u"dpkg-shlibdeps"_s, u"lintian"_s})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + u" is not installed (scripts/setup.sh installs it)"_s));
        bool ok = false;
        const QString out = run(u"cpack"_s,
                                {u"-G"_s, u"DEB"_s, u"--config"_s,
                                 QStringLiteral(KORVANE_BUILD_DIR) + u"/CPackConfig.cmake"_s,
                                 u"-B"_s, m_dir.filePath(u"out"_s)},
                                &ok);
        QVERIFY2(ok, qPrintable(out));
        const QStringList debs = QDir(m_dir.filePath(u"out"_s)).entryList({u"*.deb"_s});
        QCOMPARE(debs.size(), 1);
        m_deb = m_dir.filePath(u"out/"_s + debs.first());
    }

    void dependenciesDeclared() {
        bool ok = false;
        const QString depends = run(u"dpkg-deb"_s, {u"-f"_s, m_deb, u"Depends"_s}, &ok);
        QVERIFY(ok);
        for (const QString& package : {u"iputils-ping"_s, u"samba-common-bin"_s,
                                       u"libqt6sql6-sqlite"_s, u"libqt6widgets6"_s,
                                       u"libqt6dbus6"_s, u"libcurl4"_s})
            QVERIFY2(depends.contains(package), qPrintable(package + u" missing: "_s + depends));
    }

    void installedProgramRuns() {
        const QString root = m_dir.filePath(u"root"_s);
        bool ok = false;
        const QString unpacked = run(u"dpkg-deb"_s, {u"-x"_s, m_deb, root}, &ok);
        QVERIFY2(ok, qPrintable(unpacked));
        const QString programFolder = root + u"/usr/lib/korvane"_s;
        QVERIFY(QFileInfo(programFolder + u"/psservice.exe"_s).isExecutable());
        QVERIFY(QFileInfo::exists(root + u"/usr/share/applications/korvane.desktop"_s));
        QVERIFY(QFileInfo::exists(root + u"/usr/share/icons/hicolor/scalable/apps/korvane.svg"_s));
        QCOMPARE(QFileInfo(root + u"/usr/bin/korvane"_s).symLinkTarget(),
                 programFolder + u"/korvane"_s);

        const QString home = m_dir.filePath(u"home"_s);
        const QString runtime = m_dir.filePath(u"run"_s);
        QVERIFY(QDir().mkpath(home) && QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        QProcessEnvironment env;
        env.insert(u"PATH"_s, u"/usr/bin:/bin"_s);
        env.insert(u"HOME"_s, home);
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(root + u"/usr/bin/korvane"_s, {});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        QString said;
        const bool shown = QTest::qWaitFor(
            [&] {
                said += QString::fromUtf8(program.readAll());
                return said.contains(u"main window shown"_s) ||
                       program.state() == QProcess::NotRunning;
            },
            60000);
        program.kill();
        program.waitForFinished();
        QVERIFY2(shown && said.contains(u"main window shown"_s), qPrintable(said));
        QVERIFY(QFileInfo::exists(home + u"/.local/share/Brackwater/Korvane/HalvardDB.mdb"_s));
        QVERIFY(!QFileInfo::exists(programFolder + u"/HalvardDB.mdb"_s));
    }

    void lintianFindsNoError() {
        bool ok = false;
        const QString out = run(u"lintian"_s, {u"--fail-on"_s, u"error"_s, m_deb}, &ok);
        QVERIFY2(ok && !out.contains(u"\nE: "_s) && !out.startsWith(u"E: "_s), qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
