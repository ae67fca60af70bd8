#include "ping/PingAlerts.h"

using namespace Qt::Literals::StringLiterals;

namespace ping {

namespace {

// Texts the user sees, in one place. "droping" is spelled with one p, as the mails always were.
const QString downSubject = u"Korvane - Device Can Not Be Pinged - %1"_s;
const QString downBody = u"%1 is not able to be pinged."_s;
const QString droppingSubject = u"Korvane - Device Is Dropping Packets - %1"_s;
const QString droppingBody =
    u"%1 is pinging, but is droping packets. Currently pinging with a %2% loss."_s;
const QString slowSubject = u"Ping Time Is Slow - %1"_s;
const QString slowBody = u"%1 - is pinging with an average of %2ms which is slower than your "
                         u"desired average of %3ms."_s;
const QString emailedToPrefix = u"Emailed To: "_s;
const QString noEmailAddressText = u"No Email Address In Database"_s;

} // namespace

// Every body is filled in one pass, so a "%1" inside a device name stays as it is.

AlertMail deviceDownMail(const QString& name) {
    return {downSubject.arg(name), downBody.arg(name)};
}

AlertMail droppingPacketsMail(const QString& name, const QString& lossText) {
    return {droppingSubject.arg(name), droppingBody.arg(name, lossText)};
}

AlertMail slowPingMail(const QString& name, const QString& measuredAverage,
                       const QString& averageReturn) {
    return {slowSubject.arg(name), slowBody.arg(name, measuredAverage, averageReturn)};
}

bool alertHasRecipients(const QString& emailAddress) {
    return !emailAddress.isEmpty();
}

QString emailedToAction(const QString& emailAddress) {
    return emailedToPrefix + emailAddress;
}

QString noEmailAddressAction() {
    return noEmailAddressText;
}

QString alertAction(const QString& emailAddress) {
    return alertHasRecipients(emailAddress) ? emailedToAction(emailAddress)
                                            : noEmailAddressAction();
}

} // namespace ping
