#pragma once

#include <QString>
#include <QStringList>

// How one send ended, as the caller records it.
struct MailOutcome {
    // Recipients the server accepted the mail for.
    QStringList delivered;
    // Recipients that got nothing (a refused or unusable address, or every recipient when the
    // send itself failed).
    QStringList refused;
    // A short reason when anything failed ("no answer from the server", "refused login"...);
    // empty when every recipient got the mail.
    QString reason;
    // The long explanation of what failed, for the log; empty when nothing failed.
    QString explanation;

    bool complete() const { return reason.isEmpty() && refused.isEmpty(); }
    bool deliveredToAny() const { return !delivered.isEmpty(); }

    static MailOutcome success(QStringList recipients) {
        return {std::move(recipients), {}, {}, {}};
    }
    static MailOutcome failure(QStringList recipients, QString why, QString explanation) {
        return {{}, std::move(recipients), std::move(why), std::move(explanation)};
    }
};

// What a monitor records for an alert sent to `addresses` (the recipient text as stored):
//  - every recipient got it: "Emailed To: " + addresses;
//  - none did: "Email Failed To: " + addresses + " - " + reason;
//  - some did: "Emailed To: " + the delivered ones + " - Email Failed To: " + the refused
//    ones + " - " + reason (lists joined with ";").
QString mailActionText(const QString& addresses, const MailOutcome& outcome);
