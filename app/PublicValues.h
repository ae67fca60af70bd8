#pragma once

#include <QString>

// The values the main window holds for the whole program: the mail settings every alert is
// sent with, the device the ping monitor is probing, and whether each monitor runs. Owned by
// the AppContext, so they outlive every window and every send or probe still under way.
struct PublicValues {
    // The SMTPsettings row, loaded by fncGetSMTPsettings.
    QString SMTPserver;
    QString SMTPFromEmail;
    QString SMTPFromName;
    QString SMTPUserName;
    QString SMTPPassword;
    QString SMTPport;
    // The device of the ping monitor's current probe (written by the ping cycle; the alerts
    // take their values from the probe itself).
    QString PCnameToEmail;
    QString EmailAddress;
    QString AverageReturn;
    // The ping monitor runs (not stopped, not paused).
    bool blForm1isRunning = false;
    // The job monitor runs (started, paused included).
    bool blForm3isRunning = false;

    // Loads the six mail values from the first row of SMTPsettings. A column that cannot be
    // read leaves its value as it was; the others are still taken. A missing table, file or
    // row leaves all six unchanged.
    void fncGetSMTPsettings(const QString& databasePath);
};
