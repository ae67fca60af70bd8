#pragma once

#include "ping/PingAlerts.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class AppContext;
class MailWindows;
class MonitorHost;
class QAbstractButton;
class QAbstractItemView;
class QLabel;
class QTimer;
class QWidget;
struct DbStatus;

// The main window's controls that the ping monitor drives.
struct PingControls {
    QWidget* window = nullptr;           // the main window (its drawing is held back during the
                                         // ten-echo check)
    QAbstractButton* Command1 = nullptr; // Start
    QAbstractButton* Command2 = nullptr; // Stop
    QAbstractButton* Command3 = nullptr; // Pause / Resume
    QWidget* Text1 = nullptr;            // focus holder
    QLabel* Label1 = nullptr;            // countdown
    QLabel* Label3 = nullptr;            // activity line
    QLabel* Label4 = nullptr;            // number of devices
    QLabel* Label5 = nullptr;            // progress line
    QTimer* Timer1 = nullptr;            // countdown timer
    QTimer* Timer2 = nullptr;            // probe-result timer
    QAbstractItemView* ListView1 = nullptr;
};

// The ping monitor of the main window: Start, Stop, Pause and Resume, the countdown
// (Timer1) and the result (Timer2) ticks, the probe of one device per interval, the status and
// action writes, the ten-echo average check and the alert mails.
//
// `ping` and the mail sends are awaited on the user-interface thread, so the window keeps
// painting meanwhile. Every run has a generation number that Start, Stop and Pause bump; a
// probe, a check or a send that comes back to an older generation (or to a window that has
// gone) is dropped, so a result is never applied after Stop or Pause, nor to another device.
// Stop, Pause and the window's unload also kill a `ping` that is still running.
class PingCycle final : public QObject {
    Q_OBJECT
  public:
    PingCycle(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows,
              const PingControls& controls, QObject* parent);
    ~PingCycle() override;

    // The handlers of the main window's buttons and timers.
    void Command1_Click(); // Start
    void Command2_Click(); // Stop
    void Command3_Click(); // Pause or Resume
    // A tick of a timer that is not running (a stopped run, a probe under way) is ignored.
    void Timer1_Timer();
    void Timer2_Timer();

    // The main window unloads: timers off, a running `ping` killed, nothing applied anymore.
    void unload();

    // Counts the enabled devices (with the list's database trap). False when a database
    // failure ended the program.
    bool fncCountNumberOfComputersToPing();
    // Reads the interval in minutes. False when a database failure ended the program.
    bool fncGetPingTimerTime();
    // Status / ActionTaken of the first device with that name. A device whose row has gone
    // meanwhile is not an error. False when a database failure ended the program.
    bool fncUpdateStatus(const QString& strPCName, const QString& strPercentageLost);
    bool fncUpdateActionTaken(const QString& strPCName, const QString& strActionTaken);

    // --- state, for the window and its tests ---
    // Devices already taken in the current pass (the list refresh selects the row after it).
    int walkPosition() const { return m_walkPosition; }
    bool paused() const { return m_paused; }
    bool hasMaxAverage() const { return m_hasMaxAverage; }
    int deviceCount() const { return m_deviceCount; }
    int interval() const { return m_interval; }
    int countdown() const { return m_countdown; }
    // The device of the current (or last) probe.
    const QString& deviceName() const { return m_target.name; }
    // `ping` runs for the current device.
    bool probeRunning() const { return m_probeRunning; }
    // The probe's output waits for the result tick.
    bool resultPending() const { return m_pendingOutput.has_value(); }
    // The result tick is still at work (mail, average check, list refresh).
    bool handlingResult() const { return m_handlingResult; }
    quint64 generation() const { return m_generation; }

  Q_SIGNALS:
    // The probe's output has come back and Timer2 is running.
    void probeFinished();
    // The result tick has done everything and Timer1 runs again.
    void resultHandled();

  private:
    // What a probe took from the device's row; the result is applied to this device only,
    // and only while the run that probed it is still the current one.
    struct Target {
        QString name;
        QString emailAddress;
        QString averageReturn;
        int position = 0;
        quint64 generation = 0;
    };
    // How a step that awaited something ended.
    enum class Step {
        Go,      // carry on
        Dropped, // the run was stopped or paused meanwhile: apply nothing more
        Gone,    // the cycle itself has gone: touch nothing
        Ended,   // a database failure ended the program
    };

    QCoro::Task<void> runProbe(Target target);
    QCoro::Task<void> handleResult(Target target, QString output);
    QCoro::Task<Step> fncCheckForAveragePingTime(Target target);
    QCoro::Task<Step> fncPCisDownEmail(Target target);
    QCoro::Task<Step> fncPCisPingingButIsDropingPackets(Target target, QString lossText);
    QCoro::Task<Step> fncPingIsSlowerThanDisired(Target target, QString measuredAverage);
    QCoro::Task<Step> sendAlert(Target target, ping::AlertMail mail);
    // What the detach helper runs when a probe or result coroutine ended with an error.
    std::function<void()> recoverer();
    // Lets the event loop have a turn; Go when the run is still the current one afterwards.
    QCoro::Task<Step> nextTurn(Target target);

    // Drops whatever is under way: bumps the generation, kills a running `ping`, forgets a
    // pending output and lets the window draw again.
    void dropRun();
    // A database failure ended the program: nothing runs anymore.
    void endedByDatabase();
    bool writeSucceeded(const DbStatus& status);
    bool current(const Target& target) const { return target.generation == m_generation; }
    QObject* newCancelGuard();
    void releaseCancelGuard();
    void writeCountdownLine();
    void setWindowFrozen(bool frozen);
    void refreshList();
    void enableMenusUnlessJobsRun();

    AppContext& m_ctx;
    MonitorHost& m_host;
    MailWindows& m_mailWindows;
    PingControls m_ui;

    int m_walkPosition = 0;
    bool m_paused = false;
    bool m_hasMaxAverage = false;

    int m_deviceCount = 0;
    int m_interval = 0;
    int m_countdown = 0;
    quint64 m_generation = 0;

    Target m_target;
    bool m_probeRunning = false;
    bool m_handlingResult = false;
    bool m_windowFrozen = false;
    std::optional<QString> m_pendingOutput;
    // Destroying it kills the `ping` that is running.
    QPointer<QObject> m_cancelGuard;
};
