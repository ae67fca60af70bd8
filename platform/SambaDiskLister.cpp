#include "platform/SambaDiskLister.h"

#include "app/Log.h"
#include "platform/SambaNet.h"

#include <QCoroFuture>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThreadPool>
#include <QtConcurrent>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Listings wait on the network: they get threads of their own, so a PC that does not answer
// never holds up the workers of other subsystems.
QThreadPool& listingPool() {
    static QThreadPool* pool = [] {
        static QThreadPool p;
        p.setMaxThreadCount(2);
        return &p;
    }();
    return *pool;
}

const char* credentialsName(DiskCredentials credentials) {
    switch (credentials) {
    case DiskCredentials::KerberosTicket:
        return "a Kerberos ticket";
    case DiskCredentials::CredentialsFile:
        return "the credentials file";
    case DiskCredentials::Anonymous:
        return "anonymous access";
    }
    return "?";
}

} // namespace

SambaDiskLister::Options SambaDiskLister::defaultOptions() {
    Options o;
    o.dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    o.netPath = samba::defaultNetPath();
    o.klistPath = QStandardPaths::findExecutable(u"klist"_s);
    return o;
}

SambaDiskLister::SambaDiskLister(Options options) : m_options(std::move(options)) {}

QStringList drivesFromShareList(const QString& output) {
    static const QRegularExpression driveShare(u"^\\s*([A-Za-z])\\$\\s*$"_s,
                                               QRegularExpression::MultilineOption);
    QStringList drives;
    for (auto it = driveShare.globalMatch(output); it.hasNext();) {
        const QString id = it.next().captured(1).toUpper() + u':';
        if (!drives.contains(id))
            drives.append(id);
    }
    return drives;
}

LogicalDiskList readShareListing(bool finished, int exitCode, const QString& output) {
    using Status = LogicalDiskList::Status;
    if (finished && exitCode == 0)
        return {Status::Found, drivesFromShareList(output), {}};
    if (samba::refusedAccess(output))
        return {Status::AccessRefused, {}, {}};
    return {Status::Failed, {}, {}};
}

QStringList SambaDiskLister::listArguments(const QString& pcName, DiskCredentials credentials,
                                           const QString& credentialsFile) {
    QStringList args = {u"rpc"_s, u"share"_s, u"list"_s, u"--server="_s + pcName};
    switch (credentials) {
    case DiskCredentials::KerberosTicket:
        args << u"--use-kerberos=required"_s;
        break;
    case DiskCredentials::CredentialsFile:
        args << u"--authentication-file="_s + credentialsFile;
        break;
    case DiskCredentials::Anonymous:
        args << u"--user=%"_s;
        break;
    }
    return args;
}

QString SambaDiskLister::usableCredentialsFile() const {
    if (m_options.dataFolder.isEmpty())
        return {};
    const QString path = QDir(m_options.dataFolder).filePath(credentialsFileName());
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {}; // no file: nothing to say
    QString problem;
    if (!S_ISREG(st.st_mode))
        problem = u"it is not an ordinary file"_s;
    else if (st.st_uid != ::geteuid())
        problem = u"it belongs to another user"_s;
    else if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        problem = u"other users may read or change it (mode %1; make it readable by you only "
                  u"with chmod 600)"_s.arg(st.st_mode & 07777, 4, 8, QChar(u'0'));
    else if (!QFileInfo(path).isReadable())
        problem = u"it cannot be read"_s;
    if (problem.isEmpty())
        return path;
    qCWarning(lcJobs).noquote() << "The drive check ignores" << path << "because" << problem;
    return {};
}

bool SambaDiskLister::hasKerberosTicket() const {
    if (m_options.klistPath.isEmpty())
        return false;
    samba::NetRunOptions run;
    run.timeout = std::chrono::seconds(5);
    const samba::NetRun r = samba::runNet(m_options.klistPath, {u"-s"_s}, run);
    return r.started && !r.timedOut && r.exitCode == 0;
}

LogicalDiskList SambaDiskLister::listWith(const QString& pcName, DiskCredentials credentials,
                                          const QString& credentialsFile) const {
    samba::NetRunOptions run;
    run.timeout = m_options.timeout;
    const samba::NetRun r =
        samba::runNet(m_options.netPath, listArguments(pcName, credentials, credentialsFile), run);
    const LogicalDiskList query = readShareListing(r.started && !r.timedOut, r.exitCode, r.output);
    if (query.status == LogicalDiskList::Status::Found)
        return query;
    QString why = r.output.trimmed();
    if (r.timedOut)
        why = u"no answer within %1 s"_s.arg(m_options.timeout.count() / 1000);
    else if (why.isEmpty())
        why = u"net printed nothing (exit status %1)"_s.arg(r.exitCode);
    qCInfo(lcJobs).noquote() << "Listing the drives of" << pcName << "with"
                             << credentialsName(credentials) << "failed:" << why;
    return query;
}

LogicalDiskList SambaDiskLister::list(const QString& pcName) const {
    const QString file = usableCredentialsFile();
    const DiskCredentials fallback =
        file.isEmpty() ? DiskCredentials::Anonymous : DiskCredentials::CredentialsFile;
    if (hasKerberosTicket()) {
        const LogicalDiskList query = listWith(pcName, DiskCredentials::KerberosTicket, {});
        // A ticket of another realm says nothing about this PC: only a refusal (a ticket the
        // PC does not take) lets the next kind of credentials try.
        if (query.status != LogicalDiskList::Status::AccessRefused)
            return query;
    }
    return listWith(pcName, fallback, file);
}

QCoro::Task<LogicalDiskList> SambaDiskLister::listAsync(QString pcName) const {
    const SambaDiskLister lister = *this; // the worker keeps its own copy
    QFuture<LogicalDiskList> running =
        QtConcurrent::run(&listingPool(), [lister, pcName] { return lister.list(pcName); });
    co_return co_await running;
}
