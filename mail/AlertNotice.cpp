#include "mail/AlertNotice.h"

#include "mail/AlertMail.h"
#include "mail/MailOutcome.h"

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kNotSentTitle = u"Alert not sent"_s;
} // namespace

AlertNotice alertNotice(const AlertMailRequest& request, const MailOutcome& outcome) {
    const QString sent = mailActionText(request.txtTo, outcome);
    if (outcome.deliveredToAny())
        return {request.txtSubject, request.txtMsg.trimmed() + u"\n\n"_s + sent};
    return {kNotSentTitle, request.txtSubject + u"\n"_s + sent};
}
