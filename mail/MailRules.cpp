#include "mail/MailRules.h"

#include <QDir>
#include <QFileInfo>
#include <Qt>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace MailRules {

std::optional<qint32> portFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    if (t.at(0) == u'+' || t.at(0) == u'-')
        ++i;
    if (i == t.size())
        return std::nullopt;
    for (qsizetype j = i; j < t.size(); ++j) {
        if (t.at(j) < u'0' || t.at(j) > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = t.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

std::optional<int> priorityForIndex(int index) {
    switch (index) {
    case 0:
        return 3;
    case 1:
        return 1;
    case 2:
        return 5;
    default:
        return std::nullopt;
    }
}

bool priorityKeyAllowed(int key, bool listDroppedDown) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return listDroppedDown;
    default:
        return false;
    }
}

QStringList selectionParts(const QStringList& absolutePaths) {
    if (absolutePaths.size() == 1)
        return {QDir::toNativeSeparators(absolutePaths.first())};
    if (absolutePaths.isEmpty())
        return {};
    const QString folder = QFileInfo(absolutePaths.first()).absolutePath();
    QStringList parts{QDir::toNativeSeparators(folder)};
    for (const QString& path : absolutePaths) {
        const QFileInfo info(path);
        if (info.absolutePath() != folder) {
            // Not one folder: every file keeps its whole path.
            parts = QStringList{QString()};
            for (const QString& p : absolutePaths)
                parts << QDir::toNativeSeparators(p);
            return parts;
        }
        parts << info.fileName();
    }
    return parts;
}

QString joinAttachments(const QString& current, const QStringList& parts, QChar separator) {
    auto append = [](QString field, const QString& entry) {
        return field.isEmpty() ? entry : field + u';' + entry;
    };
    if (parts.isEmpty())
        return current;
    if (parts.size() == 1)
        return append(current, parts.first());
    QString folder = parts.first();
    if (!folder.isEmpty() && !folder.endsWith(separator))
        folder += separator;
    QString field = current;
    for (qsizetype i = 1; i < parts.size(); ++i)
        field = append(field, folder + parts.at(i));
    return field;
}

QStringList dialogNameFilters(const QString& pipeSeparatedFilter) {
    const QStringList pieces = pipeSeparatedFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        QString description = pieces.at(i);
        const qsizetype open = description.lastIndexOf(u" ("_s);
        if (open >= 0 && description.endsWith(u')'))
            description.truncate(open);
        QStringList patterns = pieces.at(i + 1).split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            if (p == u"*.*"_s)
                p = u"*"_s;
        }
        filters << description + u" ("_s + patterns.join(u' ') + u')';
    }
    return filters;
}

} // namespace MailRules
