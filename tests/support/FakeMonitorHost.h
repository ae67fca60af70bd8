#pragma once

#include "app/MonitorHost.h"
#include <QObject>
#include <QStringList>

// The main window as the monitors and editors see it, for tests of other windows: records the
// Edit and Settings menus, the job-scanning check mark, the list refreshes and the device
// outcomes ("id|Status|ActionTaken"); the test sets whether the ping Start button is enabled.
struct FakeMonitorHost final : QObject, MonitorHost {
    void setEditAndSettingsMenusEnabled(bool on) override { editMenu = settingsMenu = on; }
    void setEditMenuEnabled(bool on) override { editMenu = on; }
    void setJobScanningChecked(bool checked) override { jobScanning = checked; }
    bool pingStartEnabled() const override { return pingStart; }
    void refreshDeviceList() override { ++refreshes; }
    void showDeviceOutcome(qint64 id, const QString& status, const QString& actionTaken) override {
        outcomes << QStringLiteral("%1|%2|%3").arg(id).arg(status, actionTaken);
    }
    bool editMenu = true, settingsMenu = true, jobScanning = false, pingStart = true;
    int refreshes = 0;
    QStringList outcomes;
};
