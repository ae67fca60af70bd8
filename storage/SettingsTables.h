#pragma once

#include "storage/Database.h"

#include <QString>

#include <optional>

// The one row of Settings: the two monitor intervals in minutes (the column names say
// seconds, the values are minutes), the two auto-start flags and the desktop notifications.
struct SettingsRow {
    QString pingTimerSeconds;     // as stored, read as text
    QString servicesTimerSeconds; // as stored, read as text
    bool autoStartPinger = false;
    bool autoStartServices = false;
    // The alerts are shown on the desktop as well.
    bool desktopNotifications = true;
};

// The one row of SMTPsettings. Subject is read but never written by the program.
struct SmtpSettingsRow {
    QString serverName;
    QString smtpUserName;
    QString smtpPassword;
    QString fromEmail;
    QString fromName;
    QString subject;
    QString smtpPort;
};

// Both one-row tables are always read from their first row; a missing row reads as
// NoCurrentRecord. Writers change the first row in one transaction, so a row is never left
// half written.
class SettingsTable {
  public:
    explicit SettingsTable(QString databasePath) : m_path(std::move(databasePath)) {}

    DbResult<SettingsRow> read() const;
    DbStatus write(int pingTimerMinutes, int servicesTimerMinutes, bool autoStartPinger,
                   bool autoStartServices, bool desktopNotifications) const;

  private:
    QString m_path;
};

class SmtpSettingsTable {
  public:
    explicit SmtpSettingsTable(QString databasePath) : m_path(std::move(databasePath)) {}

    DbResult<SmtpSettingsRow> read() const;
    // Writes every column but Subject.
    DbStatus write(const SmtpSettingsRow& row) const;

  private:
    QString m_path;
};

// Whole number read from the start of a text the way the settings are read (leading blanks
// skipped, digits with an optional sign); 0 when there is none.
int leadingWholeNumber(const QString& text);

// A monitor's interval as stored (PingTimerSeconds, ServicesTimerSeconds): the number of
// minutes when the text, blanks around it aside, is a whole number from 1 to 32767; nothing
// otherwise (0, negative, not a number, a fraction, too large). A monitor refuses to start on
// such an interval instead of running once and then never again.
std::optional<int> intervalMinutes(const QString& stored);
