#pragma once

#include "ping/PingAlerts.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>

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
// Only real waits are awaited on the user-interface thread, so the window keeps painting:
// `ping`, the ten-echo run, a mail send, the write of an outcome (on a thread of its own: its
// time depends on the disk), and a database that another program holds locked (ridden out for
// up to the context's locked-retry limit, then the program's database-failure outcome
// follows).
//
// Every run has a generation number that Start, Stop and Pause bump. Stop and Pause drop what
// is still awaited for the run: a `ping` or ten-echo run under way (its child is killed) and a
// result that the result tick has not picked up yet. Once the result tick has begun applying
// an outcome it finishes it as one step (status, action, mail, the record of the mail, list
// refresh), whatever is pressed meanwhile; an outcome of a run that was stopped meanwhile only
// leaves the labels and the timers alone. The row of an outcome is written by its key in one
// statement, so its status and action are never seen apart.
class PingCycle final : public QObject {
    Q_OBJECT
  public:
    PingCycle(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows,
              const PingControls& controls, QObject* parent);
    ~PingCycle() override;

    // The handlers of the main window's buttons and timers. A tick of a timer that is not
    // running, or a countdown tick while an outcome is still being applied, is ignored.
    void Command1_Click(); // Start
    void Command2_Click(); // Stop
    void Command3_Click(); // Pause or Resume
    void Timer1_Timer();
    void Timer2_Timer();

    // The main window unloads: timers off, a running `ping` killed, nothing started anymore.
    void unload();

    // --- state, for the window and its tests ---
    // Devices already taken in the current pass (the list refresh selects the row after it).
    int walkPosition() const { return m_walkPosition; }
    bool paused() const { return m_paused; }
    bool hasMaxAverage() const { return m_hasMaxAverage; }
    int deviceCount() const { return m_deviceCount; }
    int interval() const { return m_interval; }
    int countdown() const { return m_countdown; }
    // `ping` runs for the current device (or its row is being read).
    bool probeRunning() const { return m_probeRunning; }
    // The probe's output waits for the result tick.
    bool resultPending() const { return m_pendingOutput.has_value(); }
    // The result tick is still applying an outcome (mail, average check, writes, list).
    bool handlingResult() const { return m_applying; }
    quint64 generation() const { return m_generation; }

  Q_SIGNALS:
    // The probe's output has come back and Timer2 is running.
    void probeFinished();
    // The result tick has applied its outcome (Timer1 runs again unless the run was stopped
    // or paused meanwhile).
    void resultHandled();
    // Start, Stop, Pause or Resume has taken effect.
    void stateChanged();

  private:
    // What a probe took from the device's row; the result is written to this row only.
    struct Target {
        qint64 id = 0;
        QString name;
        QString emailAddress;
        QString averageReturn;
        int position = 0;
        quint64 generation = 0;
    };
    // How a database access of the cycle ended.
    enum class Access {
        Done,
        NoRow, // the row is not there (anymore)
        Gone,  // the cycle itself has gone meanwhile: touch nothing
        Ended, // a database failure ended the program
    };

    QCoro::Task<void> start();
    QCoro::Task<void> runProbe(quint64 generation);
    QCoro::Task<void> applyResult(Target target, QString output);
    QCoro::Task<Access> fncCheckForAveragePingTime(Target target);
    QCoro::Task<QString> fncPCisDownEmail(Target target);
    QCoro::Task<QString> fncPCisPingingButIsDropingPackets(Target target, QString lossText);
    QCoro::Task<QString> fncPingIsSlowerThanDisired(Target target, QString measuredAverage);
    // Sends the alert to the device's recipients and returns the action that records it.
    QCoro::Task<QString> sendAlert(Target target, ping::AlertMail mail);
    // What fncUpdateStatus and fncUpdateActionTaken wrote one after the other, in one
    // statement on the probed row: Status from strPercentageLost, ActionTaken as given.
    QCoro::Task<Access> fncUpdateStatusAndActionTaken(Target target, QString strPercentageLost,
                                                      QString strActionTaken);
    // One read or write of the cycle, riding out a locked file. A failure (a lock that lasted
    // past the limit included) shows the generic database message and ends the program; a
    // missing row is a failure too unless `rowMayBeMissing`. A write runs on the cycle's
    // database thread (its time depends on the disk); a read runs here.
    enum class On { WindowThread, DatabaseThread };
    QCoro::Task<Access> access(std::function<DbStatus()> attempt, bool rowMayBeMissing,
                               On on = On::WindowThread);
    // What the detach helper runs when a probe or result coroutine ended with an error.
    std::function<void()> recoverer();

    // Drops whatever is still awaited: bumps the generation, kills a running `ping`, forgets a
    // pending output and lets the window draw again.
    void dropRun();
    // A database failure ended the program: nothing runs anymore.
    void endedByDatabase();
    bool current(const Target& target) const { return target.generation == m_generation; }
    QObject* newCancelGuard();
    void releaseCancelGuard();
    void writeCountdownLine();
    void setWindowFrozen(bool frozen);
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
    bool m_starting = false;
    bool m_probeRunning = false;
    bool m_applying = false;
    bool m_windowFrozen = false;
    std::optional<QString> m_pendingOutput;
    // Destroying it kills the `ping` that is running.
    QPointer<QObject> m_cancelGuard;
    // The thread the outcomes are written on (waited for when the cycle goes).
    QThreadPool m_writes;
};
