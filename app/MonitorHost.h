#pragma once

#include <QString>

// What the monitors and the editors may do to the main window: switch its Edit and Settings
// menus, tick the job-scanning item, ask whether the ping monitor can be started, and refresh
// the device list. The main window implements it; nothing else needs to know the window.
class MonitorHost {
  public:
    virtual ~MonitorHost() = default;

    // The whole Edit and Settings menus (a running monitor disables both).
    virtual void setEditAndSettingsMenusEnabled(bool enabled) = 0;
    // The Edit menu alone (the job monitor's window gives only it back when it closes).
    virtual void setEditMenuEnabled(bool enabled) = 0;
    // The check mark of the job-scanning menu item, on while the job monitor's window is open.
    virtual void setJobScanningChecked(bool checked) = 0;
    // The ping monitor's Start button is enabled (the ping monitor is stopped).
    virtual bool pingStartEnabled() const = 0;
    // Has the device list show what the table holds (the re-read runs off the window's thread)
    // and selects the row of the ping monitor's walk position, as fncReloadAllRecords does.
    virtual void refreshDeviceList() = 0;
    // The row of the device with this key was written: the list shows it at once.
    virtual void showDeviceOutcome(qint64 id, const QString& status,
                                   const QString& actionTaken) = 0;
};
