#include "mail/MailOutcome.h"

using namespace Qt::Literals::StringLiterals;

QString mailActionText(const QString& addresses, const MailOutcome& outcome) {
    const QString emailed = u"Emailed To: "_s;
    const QString failed = u"Email Failed To: "_s;
    if (outcome.complete())
        return emailed + addresses;
    const QString reason = outcome.reason.isEmpty() ? u"refused address"_s : outcome.reason;
    if (!outcome.deliveredToAny())
        return failed + addresses + u" - "_s + reason;
    return emailed + outcome.delivered.join(u';') + u" - "_s + failed + outcome.refused.join(u';') +
           u" - "_s + reason;
}
