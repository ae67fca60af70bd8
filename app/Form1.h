#pragma once

#include "app/MonitorHost.h"
#include "app/TrayState.h"
#include "ping/PingCycle.h"

#include <QMainWindow>
#include <QString>

class AppContext;
class DeviceListModel;
class DeviceListReader;
class Form3;
class TrayIcon;
class MailWindows;
struct DbStatus;
struct DeviceRecord;
struct PublicValues;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class QTimer;
class QTreeView;

// The main window: the device list with each device's last status and action, the ping
// monitor's buttons and status lines, and the menus that open every other window. Other
// windows reach it only through MonitorHost; its controls are found by their names.
class Form1 : public QMainWindow, public MonitorHost {
    Q_OBJECT
  public:
    explicit Form1(AppContext& ctx, QWidget* parent = nullptr);
    ~Form1() override;

    // The load sequence: caption, columns, mail settings, device list, show, auto-start.
    // False when a database failure ended the program during it.
    bool Form_Load();

    // The values the other windows read and set (SMTPserver, SMTPFromEmail, SMTPFromName,
    // SMTPUserName, SMTPPassword, SMTPport, PCnameToEmail, EmailAddress, AverageReturn,
    // blForm1isRunning, blForm3isRunning) live in the context's PublicValues, which outlive
    // this window; this is where the other windows get them.
    PublicValues& publicValues();

    // --- routines other windows call ---
    // Refills the device list from the database on this thread and selects the row of the
    // walk position (at load; a probe's refresh reads off this thread, see refreshDeviceList).
    void fncReloadAllRecords();
    // Reads the two auto-start settings into the window's flags, and whether the alerts are
    // shown on the desktop into the context.
    void fncCheckForAutoStart();
    bool autoStartPing() const { return m_autoStartPing; }
    bool autoStartJobs() const { return m_autoStartJobs; }
    AppContext& context() { return m_ctx; }
    // The open mail windows of the program.
    MailWindows& mailWindows() { return *m_mailWindows; }

    // --- MonitorHost: what the monitors and editors may do to this window ---
    void setEditAndSettingsMenusEnabled(bool enabled) override;
    void setEditMenuEnabled(bool enabled) override;
    void setJobScanningChecked(bool checked) override;
    bool pingStartEnabled() const override;
    void refreshDeviceList() override;
    void showDeviceOutcome(qint64 id, const QString& status, const QString& actionTaken) override;

    // The ping monitor driven by Command1..3, Timer1 and Timer2.
    PingCycle& pingCycle() { return *m_pingCycle; }
    // A re-read of the device list is under way off this thread.
    bool deviceListReading() const;
    // A database failure has ended the program.
    bool ended() const;
    // What the tray shows of both monitors (kept also where the desktop has no tray).
    const TrayState& trayState() const { return m_tray; }

    // The version shown in the caption and the About box: major.minor.revision.
    static QString versionText();
    static QString designCaption();
    static QString aboutText();
    static QString productWebPage();

  public Q_SLOTS:
    void mnuPingList_Click();
    void mnuEditRemoteServicesDatabaseList_Click();
    void mnuExit_Click();
    void mnuRemoteServicesScanning_Click();
    void mnuEmailSettings_Click();
    void mnuApplicationSettings_Click();
    void mnuKorvaneOnline_Click();
    void mnuAbout_Click();
    // The ping monitor: Start, Stop, Pause/Resume, the countdown and the result ticks.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    // The tray's menu: both monitors started and stopped as their buttons would, the window
    // brought up, the program ended as by its Exit.
    void trayStartPing();
    void trayStopPing();
    void trayStartJobs();
    void trayStopJobs();
    void trayShow();

  Q_SIGNALS:
    // The device list shows a re-read of the table (after refreshDeviceList).
    void deviceListRefreshed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    void Form_Unload();
    void setColumnWidths();
    // Selects the row of the walk position and scrolls the one after it into view.
    void selectWalkPosition();
    void devicesRead(const QList<DeviceRecord>& devices);
    void devicesReadFailed(const DbStatus& status);
    // Follows the job monitor's window: its state and its outcomes reach the tray.
    void watchJobWindow(Form3* window);
    // The job monitor's status line after a job, for the tray.
    void takeJobOutcome();
    // Brings the tray's state up to date with both monitors and redraws the tray.
    void updateTray();

    AppContext& m_ctx;

    bool m_autoStartPing = false;
    bool m_autoStartJobs = false;

    MailWindows* m_mailWindows = nullptr;
    PingCycle* m_pingCycle = nullptr;
    DeviceListModel* m_deviceList = nullptr;
    DeviceListReader* m_listReader = nullptr;
    TrayState m_tray;
    TrayIcon* m_trayIcon = nullptr;

    // --- controls (found by their names) ---
    // Command1..3, Text1, Label1, Label3..5, Timer1, Timer2 and ListView1, which the ping
    // monitor drives.
    PingControls m_ui;
    QTreeView* ListView1 = nullptr;

    QMenu* mnuEdit = nullptr;
    QAction* mnuPingList = nullptr;
    QAction* mnuEditRemoteServicesDatabaseList = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuServices = nullptr;
    QAction* mnuRemoteServicesScanning = nullptr;
    QMenu* mnuSettingsMain = nullptr;
    QAction* mnuEmailSettings = nullptr;
    QAction* mnuApplicationSettings = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuKorvaneOnline = nullptr;
    QAction* mnuAbout = nullptr;
};
