#include "jobs/ServiceCheck.h"

#include <QDir>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kToolName = u"psservice.exe"_s;
constexpr int kRunning = 4;
constexpr qsizetype kLogExcerpt = 200;

QString operationWord(ServiceOperation operation) {
    switch (operation) {
    case ServiceOperation::Query:
        return u"query"_s;
    case ServiceOperation::Start:
        return u"start"_s;
    case ServiceOperation::Restart:
        break;
    }
    return u"restart"_s;
}

} // namespace

QString serviceToolPath(const QString& programFolder) {
    const QDir folder(programFolder);
    const QStringList files = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    const auto it = std::find_if(files.cbegin(), files.cend(), [](const QString& name) {
        return name.compare(kToolName, Qt::CaseInsensitive) == 0;
    });
    return it == files.cend() ? QString() : folder.filePath(*it);
}

QStringList serviceToolCommand(const QString& tool, const JobRecord& job,
                               ServiceOperation operation, const QString& service) {
    return {tool,
            u"\\\\"_s + job.computerName,
            u"-u"_s,
            job.adminUserName,
            u"-p"_s,
            job.adminPassword,
            operationWord(operation),
            service};
}

std::chrono::milliseconds serviceToolTimeLimit(ServiceOperation operation,
                                               std::chrono::milliseconds queryLimit) {
    switch (operation) {
    case ServiceOperation::Query:
        return queryLimit;
    case ServiceOperation::Start:
        return 2 * queryLimit;
    case ServiceOperation::Restart:
        break;
    }
    return 4 * queryLimit;
}

bool unableToConnect(const QString& output) {
    return output.contains(u"Unable to connect to"_s, Qt::CaseInsensitive);
}

QString serviceStateCharacter(const QString& output) {
    // Counted from the S of STATE (1-based p, position p + 11), or position 11 without it.
    const qsizetype state = output.indexOf(u"STATE"_s, 0, Qt::CaseInsensitive);
    const qsizetype at = state < 0 ? 10 : state + 11;
    return output.mid(at, 1);
}

std::optional<int> serviceStateCode(const QString& strServiceState) {
    if (strServiceState.size() != 1)
        return std::nullopt;
    const QChar c = strServiceState.front();
    if (c < u'0' || c > u'9')
        return std::nullopt;
    return c.unicode() - u'0';
}

SlotVerdict slotVerdict(const QString& queryOutput, bool restartFlag) {
    const std::optional<int> code = serviceStateCode(serviceStateCharacter(queryOutput));
    if (!code)
        return SlotVerdict::NoState;
    if (*code == kRunning)
        return SlotVerdict::Running;
    return restartFlag ? SlotVerdict::Restart : SlotVerdict::NotRunning;
}

QString withStatusLine(const QString& label1, const QString& line) {
    return label1.isEmpty() ? line : label1 + u"\r\n"_s + line;
}

QString outputForLog(const QString& output, const QString& password) {
    QString text = output;
    if (!password.isEmpty())
        text.replace(password, u"********"_s);
    QString line = text.trimmed().section(u'\n', 0, 0).trimmed();
    if (line.size() > kLogExcerpt)
        line = line.left(kLogExcerpt) + u"..."_s;
    return line;
}
