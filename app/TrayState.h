#pragma once

#include <QString>

// Where a monitor stands, as the tray shows it.
enum class MonitorState { Stopped, Paused, Running };

// What the tray icon shows of the two monitors, with no widget in sight: the icon (the ping
// monitor's state on its left half, the job monitor's on its right), the tooltip with the last
// outcome of each monitor, and which entries of its menu can be used. The main window feeds
// it; the tray only draws what it says.
class TrayState {
  public:
    struct Actions {
        bool startPing = false;
        bool stopPing = false;
        bool startJobs = false;
        bool stopJobs = false;
        bool show = true;
        bool quit = false;
    };

    MonitorState ping = MonitorState::Stopped;
    MonitorState jobs = MonitorState::Stopped;
    // The status line each monitor showed after its last probe or job (empty before any).
    QString pingOutcome;
    QString jobOutcome;
    // A modal window (an editor, a settings window, a message) is open: nothing may start,
    // stop or end until it closes.
    bool modalOpen = false;

    // The name of the SVG (without ".svg") that draws a state: korvane-running,
    // korvane-paused, korvane-stopped.
    static QString iconName(MonitorState state);
    QString leftIconName() const { return iconName(ping); }
    QString rightIconName() const { return iconName(jobs); }
    QString toolTip() const;
    Actions actions() const;

    // The captions of the tray menu's entries.
    static QString startPingText();
    static QString stopPingText();
    static QString startJobsText();
    static QString stopJobsText();
    static QString showText();
    static QString quitText();

    bool operator==(const TrayState&) const = default;
};
