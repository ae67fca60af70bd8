#pragma once

#include <QString>

// The texts of the three ping alerts of the main window and the actions they record.
namespace ping {

struct AlertMail {
    QString subject;
    QString body;
};

// fncPCisDownEmail: the device is down or was not found.
AlertMail deviceDownMail(const QString& name);
// fncPCisPingingButIsDropingPackets: loss of 50 or 75 percent.
AlertMail droppingPacketsMail(const QString& name, const QString& lossText);
// fncPingIsSlowerThanDisired: the ten-echo average is above the device's MaxAverage.
AlertMail slowPingMail(const QString& name, const QString& measuredAverage,
                       const QString& averageReturn);

// A mail goes only to a device with recipients (EmailWhenDown not empty).
bool alertHasRecipients(const QString& emailAddress);
// "Emailed To: " + the addresses exactly as stored.
QString emailedToAction(const QString& emailAddress);
// "No Email Address In Database".
QString noEmailAddressAction();
// The action an alert routine records: one of the two above.
QString alertAction(const QString& emailAddress);

} // namespace ping
