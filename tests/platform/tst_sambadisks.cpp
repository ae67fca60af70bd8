// A PC's drives: the share list read as drives, real listings with each kind of credentials
// against Samba in a network namespace, and the job monitor's own lister against it.
#include "Files.h"
#include "TestTables.h"
#include "platform/SambaDiskLister.h"
#include "support/SambaPeer.h"

#include <QCoroTask>
#include <QDir>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;
using Status = LogicalDiskList::Status;

namespace {
// Writes drive-check.credentials (none for no password), owner-only unless shared.
QString writeCredentials(const QString& folder, const QString& password, bool shared = false) {
    const QString path = QDir(folder).filePath(SambaDiskLister::credentialsFileName());
    if (!password.isEmpty())
        writeFile(path, {},
                  u"username = %1\npassword = %2\n"_s.arg(SambaPeer::user(), password).toUtf8());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                    (shared ? QFile::ReadGroup : QFile::Permissions()));
    return path;
}
// "anonymous": the server lets anonymous users list shares. With a "ticket" (klist says there
// is one), net asks for Kerberos first, which the server refuses; the next credentials follow.
struct Listing {
    const char* name;
    bool ticket;
    QString password; // of the credentials file; empty: none
    bool shared;
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
            {"ticket refused, file", true, SambaPeer::password(), false, false, true, Status::Found},
            {"credentials file", false, SambaPeer::password(), false, false, true, Status::Found},
            {"wrong password", false, u"wrong"_s, false, false, true, Status::AccessRefused},
            {"anonymous refused", false, QString(), false, false, true, Status::AccessRefused},
            {"ticket refused, anonymous", true, QString(), false, true, true, Status::Found},
            {"file others may read", false, u"wrong"_s, true, true, true, Status::Found},
            {"unreachable", false, SambaPeer::password(), false, true, false, Status::Failed}});
        // clang-format on
    }
    void listing() {
        QFETCH(Listing, c);
        if (c.anonymous != m_anonymous)
            QVERIFY2(m_peer.start(m_anonymous = c.anonymous), qPrintable(m_peer.errorString()));
        QTemporaryDir data;
        writeCredentials(data.path(), c.password, c.shared);
        if (c.shared)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"ignores .*\\(mode 0640;"_s));
        const SambaDiskLister lister(
            {data.path(), u"/usr/bin/net"_s, c.ticket ? u"/bin/true"_s : QString()});
        const LogicalDiskList query =
            QCoro::waitFor(lister.listAsync(c.reachable ? m_peer.address() : m_noServer.address()));
        QCOMPARE(query.status, c.outcome);
        QCOMPARE(query.deviceIds,
                 query.status == Status::Found ? (QStringList{u"C:"_s, u"D:"_s}) : QStringList());
    }

    // The job monitor's lister: its credentials file in the user's data folder.
    void jobMonitorLister() {
        QVERIFY(m_peer.start(m_anonymous = false));
        QVERIFY(QDir().mkpath(SambaDiskLister::defaultOptions().dataFolder));
        writeCredentials(SambaDiskLister::defaultOptions().dataFolder, SambaPeer::password());
        QCOMPARE(createLogicalDisks()->list(m_peer.address()).deviceIds,
                 (QStringList{u"C:"_s, u"D:"_s}));
    }
};

QTEST_MAIN(TestSambaDisks)
#include "tst_sambadisks.moc"
