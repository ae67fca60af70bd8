#include "tools/psservice/AuthFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace psservice {

namespace {

const QString folderPrefix = u"korvane-psservice-"_s;
const QString fileName = u"auth"_s;

// Read by the signal handler: plain storage, written before the handler can need it.
char g_file[PATH_MAX];
char g_folder[PATH_MAX];
std::atomic<pid_t> g_child{0};

void cleanupAndEnd(int signal) {
    const pid_t child = g_child.load();
    if (child > 0)
        ::kill(child, SIGTERM);
    if (g_file[0] != '\0')
        ::unlink(g_file);
    if (g_folder[0] != '\0')
        ::rmdir(g_folder);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void remember(char (&target)[PATH_MAX], const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.size() < PATH_MAX)
        std::memcpy(target, bytes.constData(), size_t(bytes.size()) + 1);
}

bool startsWithBlank(const QByteArray& value) {
    return value.startsWith(' ') || value.startsWith('\t');
}

} // namespace

std::optional<QByteArray> authFileText(const QByteArray& user, const QByteArray& password,
                                       const QString& pc, QString* why) {
    QByteArray account = user;
    QByteArray domain;
    const QByteArray* const values[] = {&account, &password, &domain};
    const qsizetype split = user.indexOf('\\') >= 0 ? user.indexOf('\\') : user.indexOf('/');
    if (split >= 0) {
        domain = user.left(split);
        account = user.mid(split + 1);
        if (domain == ".")
            domain = pc.toLocal8Bit();
    }
    for (const QByteArray* value : values) {
        if (value->contains('\n') || value->contains('\r') || value->contains('\0')) {
            *why = u"a user name or password with a line break cannot be handed to net"_s;
            return std::nullopt;
        }
        if (startsWithBlank(*value)) {
            *why = u"net would drop the blanks at the start of the user name or password"_s;
            return std::nullopt;
        }
    }
    QByteArray text = "username = " + account + "\npassword = " + password + "\n";
    if (!domain.isEmpty())
        text += "domain = " + domain + "\n";
    return text;
}

AuthFile::AuthFile()
    : m_dir(QDir(QDir::tempPath())
                .filePath(folderPrefix + QString::number(::getpid()) + u"-XXXXXX"_s)) {}

AuthFile::~AuthFile() {
    g_file[0] = '\0';
    g_folder[0] = '\0';
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

bool AuthFile::write(const QByteArray& text) {
    if (!m_dir.isValid())
        return false;
    remember(g_folder, m_dir.path()); // QTemporaryDir makes it owner-only
    const QString path = m_dir.filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    m_path = path;
    remember(g_file, path);
    return file.write(text) == text.size() && file.flush();
}

void removeStaleAuthFolders() {
    static const QRegularExpression owned(u"^%1(\\d+)-"_s.arg(folderPrefix));
    QDir temp(QDir::tempPath());
    const QStringList names =
        temp.entryList({folderPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& name : names) {
        const auto m = owned.match(name);
        struct stat st {};
        if (!m.hasMatch() || ::lstat(QFile::encodeName(temp.filePath(name)), &st) != 0 ||
            !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        const pid_t pid = pid_t(m.captured(1).toLongLong());
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            QDir(temp.filePath(name)).removeRecursively();
    }
}

void installCleanupOnSignals() {
    struct sigaction action {};
    action.sa_handler = cleanupAndEnd;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(s, &action, nullptr);
}

void setRunningChild(qint64 pid) {
    g_child.store(pid_t(pid));
}

} // namespace psservice
