#include "app/PublicValues.h"

#include "app/Log.h"
#include "storage/Database.h"

#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::Literals::StringLiterals;

void PublicValues::fncGetSMTPsettings(const QString& databasePath) {
    DbSession session(databasePath);
    QSqlQuery q(session.db());
    const DbStatus status = session.exec(q, u"SELECT * FROM SMTPsettings ORDER BY rowid LIMIT 1"_s);
    if (!status.ok() || !q.next()) {
        qCWarning(lcDatabase) << "the mail settings could not be read:"
                              << (status.ok() ? u"the SMTPsettings row is missing"_s
                                              : status.detail);
        return;
    }
    const QSqlRecord row = q.record();
    // Each value is taken on its own: a column missing from the table skips only that one.
    const auto take = [&row](const QString& column, QString& into) {
        const int index = row.indexOf(column);
        if (index < 0) {
            qCWarning(lcDatabase) << "SMTPsettings has no column" << column;
            return;
        }
        into = textOf(row.value(index));
    };
    take(u"ServerName"_s, SMTPserver);
    take(u"FromEmail"_s, SMTPFromEmail);
    take(u"FromName"_s, SMTPFromName);
    take(u"SMTPusername"_s, SMTPUserName);
    take(u"SMTPpassword"_s, SMTPPassword);
    take(u"SMTPport"_s, SMTPport);
}
