// A PC's drives: the share list read as drives, real listings with each kind of credentials
// against Samba in a network namespace, and a drive-letter job of the job monitor against it.
#include "TestTables.h"
#include "jobs/JobFixture.h"
#include "platform/SambaDiskLister.h"
#include "support/SambaPeer.h"

#include <QCoroTask>
#include <QDir>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using Status = LogicalDiskList::Status;

namespace {
// Writes drive-check.credentials into the folder with the given mode (none for no password).
QString writeCredentials(const QString& folder, const QString& password, int mode = 0600) {
    const QString path = QDir(folder).filePath(SambaDiskLister::credentialsFileName());
    if (!password.isEmpty()) {
        writeFile(path, {},
                  u"username = %1\npassword = %2\n"_s.arg(SambaPeer::user(), password).toUtf8());
        ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
    }
    return path;
}
// "anonymous": the server lets anonymous users list shares. With a "ticket" (klist says there
// is one), net asks for Kerberos first, which the server refuses; the next credentials follow.
struct Listing {
    const char* name;
    bool ticket;
    QString password; // of the credentials file; empty: none
    int mode;
    bool anonymous, reachable;
    Status outcome;
};
} // namespace

class TestSambaDisks : public QObject {
    Q_OBJECT

    SambaPeer m_peer;
    bool m_peerReady = false;
    NetNs m_noServer; // an address where nothing listens
    bool m_anonymous = true;
    QTemporaryDir m_userData;

  private Q_SLOTS:
    void initTestCase() {
        // The user's data folder, which holds drive-check.credentials, is the test's own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_userData.path()));
        m_peerReady = m_peer.start();
    }
    void init() {
        if (!m_peerReady)
            QSKIP(qPrintable(m_peer.errorString()));
    }

    void shareList() {
        QCOMPARE(drivesFromShareList(u"c$\nADMIN$\nIPC$\nprint$\nD$\nData\nC$\n"_s),
                 (QStringList{u"C:"_s, u"D:"_s}));
    }

    void listing_data() {
        // clang-format off
        addRows<Listing>({
            {"ticket refused, file", true, SambaPeer::password(), 0600, false, true, Status::Found},
            {"credentials file", false, SambaPeer::password(), 0600, false, true, Status::Found},
            {"wrong password", false, u"wrong"_s, 0600, false, true, Status::AccessRefused},
            {"anonymous refused", false, QString(), 0600, false, true, Status::AccessRefused},
            {"ticket refused, anonymous", true, QString(), 0600, true, true, Status::Found},
            {"file others may read", false, u"wrong"_s, 0640, true, true, Status::Found},
            {"unreachable", false, SambaPeer::password(), 0600, true, false, Status::Failed}});
        // clang-format on
    }
    void listing() {
        QFETCH(Listing, c);
        if (c.anonymous != m_anonymous)
            QVERIFY2(m_peer.start(m_anonymous = c.anonymous), qPrintable(m_peer.errorString()));
        QTemporaryDir data;
        const QString file = writeCredentials(data.path(), c.password, c.mode);
        if (c.mode != 0600)
            QTest::ignoreMessage(
                QtWarningMsg,
                qPrintable(
                    u"The drive check ignores %1 because other users may read or change it (mode 0640; make it readable by you only with chmod 600)"_s
                        .arg(file)));
        const SambaDiskLister lister(
            {data.path(), u"/usr/bin/net"_s, c.ticket ? u"/bin/true"_s : QString()});
        const LogicalDiskList query =
            QCoro::waitFor(lister.listAsync(c.reachable ? m_peer.address() : m_noServer.address()));
        QCOMPARE(query.status, c.outcome);
        QCOMPARE(query.deviceIds,
                 query.status == Status::Found ? (QStringList{u"C:"_s, u"D:"_s}) : QStringList());
    }

    // A drive-letter job with the default options (the credentials file in the user's folder).
    void driveJob() {
        const QString userData = SambaDiskLister::defaultOptions().dataFolder;
        QVERIFY(QDir().mkpath(userData));
        writeCredentials(userData, SambaPeer::password());
        jobtest::JobFixture fx;
        fx.add(
            u"CheckIfDriveExistPCName=%1|CheckIfDriveExistDriveLetter=c"_s.arg(m_peer.address()));
        fx.open().Command1->click();
        fx.tick();
        QCOMPARE(
            fx.lines(),
            u"Checked Drive Letter (c). Waiting for timer... | Drive Letter (c) WAS found on PC named (%1)."_s
                .arg(m_peer.address()));
    }
};

QTEST_MAIN(TestSambaDisks)
#include "tst_sambadisks.moc"
