#pragma once

#include <QString>

struct AlertMailRequest;
struct MailOutcome;

// The desktop notification of one alert mail: titled with the mail's subject when it reached
// anyone, "Alert not sent" when it reached nobody; the body says what the mail says and whom
// it reached, or why it reached nobody.
struct AlertNotice {
    QString title;
    QString body;
};

AlertNotice alertNotice(const AlertMailRequest& request, const MailOutcome& outcome);
