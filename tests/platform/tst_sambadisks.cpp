// The drive listing of a Windows PC: which credentials it uses (scripted net and klist), and
// real listings against a Samba server in a network namespace.

#include "platform/SambaDiskLister.h"
#include "support/SambaPeer.h"

#include <QCoroTask>
#include <QDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

using Status = LogicalDiskList::Status;

Q_DECLARE_METATYPE(Status)

namespace {

// Writes drive-check.credentials into the folder (none for an empty password).
QString writeCredentials(const QString& folder, const QString& password, int mode) {
    const QString path = QDir(folder).filePath(SambaDiskLister::credentialsFileName());
    QFile file(path);
    if (!password.isEmpty() &&
        (!file.open(QIODevice::WriteOnly) ||
         file.write(
             u"username = %1\npassword = %2\n"_s.arg(SambaPeer::user(), password).toUtf8()) <= 0 ||
         ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) != 0))
        qFatal("cannot write the credentials file");
    return path;
}

} // namespace

class TestSambaDisks : public QObject {
    Q_OBJECT

    SambaPeer m_peer;
    bool m_peerReady = false;
    NetNs m_noServer; // an address where nothing listens
    bool m_anonymous = true;

  private Q_SLOTS:
    void initTestCase() { m_peerReady = m_peer.start(); }

    void shareList() {
        const QString output = u"c$\nADMIN$\nIPC$\nprint$\nD$\nData\nC$\n"_s;
        QCOMPARE(drivesFromShareList(output), (QStringList{u"C:"_s, u"D:"_s}));
    }

    // The real net against the real server. With a "ticket" (klist says there is one), net
    // is asked for Kerberos first, which the server refuses; the next credentials follow.
    void listing_data() {
        QTest::addColumn<bool>("ticket");
        QTest::addColumn<QString>("password"); // of the credentials file; empty: none
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("anonymous"); // the server lets anonymous users list shares
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<Status>("outcome");
        // clang-format off
        QTest::newRow("ticket refused, file") << true << SambaPeer::password() << 0600 << false << true << Status::Found;
        QTest::newRow("credentials file") << false << SambaPeer::password() << 0600 << false << true << Status::Found;
        QTest::newRow("wrong password") << false << u"wrong"_s << 0600 << false << true << Status::AccessRefused;
        QTest::newRow("anonymous refused") << false << QString() << 0600 << false << true << Status::AccessRefused;
        QTest::newRow("ticket refused, anonymous") << true << QString() << 0600 << true << true << Status::Found;
        QTest::newRow("file others may read") << false << u"wrong"_s << 0644 << true << true << Status::Found;
        QTest::newRow("anonymous allowed") << false << QString() << 0600 << true << true << Status::Found;
        QTest::newRow("unreachable") << false << SambaPeer::password() << 0600 << true << false << Status::Failed;
        // clang-format on
    }
    void listing() {
        QFETCH(bool, ticket);
        QFETCH(QString, password);
        QFETCH(int, mode);
        QFETCH(bool, anonymous);
        QFETCH(bool, reachable);
        QFETCH(Status, outcome);
        if (!m_peerReady)
            QSKIP(qPrintable(m_peer.errorString()));
        if (anonymous != m_anonymous)
            QVERIFY2(m_peer.start(anonymous), qPrintable(m_peer.errorString()));
        m_anonymous = anonymous;
        QTemporaryDir data;
        const QString file = writeCredentials(data.path(), password, mode);
        if (mode != 0600)
            QTest::ignoreMessage(
                QtWarningMsg,
                qPrintable(
                    u"The drive check ignores %1 because other users may read or change it (mode 0644; make it readable by you only with chmod 600)"_s
                        .arg(file)));
        const SambaDiskLister lister(
            {data.path(), u"/usr/bin/net"_s, ticket ? u"/bin/true"_s : QString()});
        const LogicalDiskList query =
            QCoro::waitFor(lister.listAsync(reachable ? m_peer.address() : m_noServer.address()));
        QCOMPARE(query.status, outcome);
        QCOMPARE(query.deviceIds,
                 outcome == Status::Found ? (QStringList{u"C:"_s, u"D:"_s}) : QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSambaDisks)
#include "tst_sambadisks.moc"
