#pragma once

#include <QMainWindow>
#include <QString>

class AppContext;
class PingCycle;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class QTimer;
class QTreeWidget;

// The main window: the device list with each device's last status and action, the ping
// monitor's buttons and status lines, the menus that open every other window, and the values
// that the other windows read and set.
class Form1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit Form1(AppContext& ctx, QWidget* parent = nullptr);
    ~Form1() override;

    // The load sequence: caption, columns, mail settings, device list, show, auto-start.
    // False when a database failure ended the program during it.
    bool Form_Load();

    // --- public values, read and set by the other windows ---
    const QString& SMTPserver() const { return m_SMTPserver; }
    void setSMTPserver(const QString& v) { m_SMTPserver = v; }
    const QString& SMTPFromEmail() const { return m_SMTPFromEmail; }
    void setSMTPFromEmail(const QString& v) { m_SMTPFromEmail = v; }
    const QString& SMTPFromName() const { return m_SMTPFromName; }
    void setSMTPFromName(const QString& v) { m_SMTPFromName = v; }
    const QString& SMTPUserName() const { return m_SMTPUserName; }
    void setSMTPUserName(const QString& v) { m_SMTPUserName = v; }
    const QString& SMTPPassword() const { return m_SMTPPassword; }
    void setSMTPPassword(const QString& v) { m_SMTPPassword = v; }
    const QString& SMTPport() const { return m_SMTPport; }
    void setSMTPport(const QString& v) { m_SMTPport = v; }
    const QString& PCnameToEmail() const { return m_PCnameToEmail; }
    void setPCnameToEmail(const QString& v) { m_PCnameToEmail = v; }
    const QString& EmailAddress() const { return m_EmailAddress; }
    void setEmailAddress(const QString& v) { m_EmailAddress = v; }
    const QString& AverageReturn() const { return m_AverageReturn; }
    void setAverageReturn(const QString& v) { m_AverageReturn = v; }
    bool blForm1isRunning() const { return m_blForm1isRunning; }
    void setBlForm1isRunning(bool v) { m_blForm1isRunning = v; }
    bool blForm3isRunning() const { return m_blForm3isRunning; }
    void setBlForm3isRunning(bool v) { m_blForm3isRunning = v; }

    // --- routines other windows call ---
    // Refills the device list from the database and selects the row of the walk position.
    void fncReloadAllRecords();
    // Reads the two auto-start settings into the window's flags.
    void fncCheckForAutoStart();
    // Loads the mail settings into the public values; a failure leaves them as they were.
    void fncGetSMTPsettings();
    // Enables or disables the whole Edit and Settings menus (the monitors switch them).
    void setEditAndSettingsMenusEnabled(bool enabled);
    void setEditMenuEnabled(bool enabled);
    bool autoStartPing() const { return m_autoStartPing; }
    bool autoStartJobs() const { return m_autoStartJobs; }
    AppContext& context() { return m_ctx; }

    // Ping cycle state that the list refresh and the device editor look at.
    int walkPosition() const { return m_walkPosition; }
    void setWalkPosition(int position) { m_walkPosition = position; }
    bool paused() const { return m_paused; }
    void setPaused(bool paused) { m_paused = paused; }
    bool hasMaxAverage() const { return m_hasMaxAverage; }
    void setHasMaxAverage(bool v) { m_hasMaxAverage = v; }
    // The ping monitor driven by Command1..3, Timer1 and Timer2.
    PingCycle& pingCycle() { return *m_pingCycle; }
    // A database failure has ended the program.
    bool ended() const { return m_ended; }

    // The version shown in the caption and the About box: major.minor.revision.
    static QString versionText();
    static QString designCaption();
    static QString aboutText();
    static QString productWebPage();

    // --- controls ---
    QToolButton* Command1 = nullptr; // Start
    QToolButton* Command2 = nullptr; // Stop
    QToolButton* Command3 = nullptr; // Pause / Resume
    QTreeWidget* ListView1 = nullptr;
    QLineEdit* Text1 = nullptr; // focus holder, never read or written
    QLabel* Label1 = nullptr;   // countdown
    QLabel* Label3 = nullptr;   // activity line
    QLabel* Label4 = nullptr;   // number of devices
    QLabel* Label5 = nullptr;   // progress line
    QTimer* Timer1 = nullptr;   // countdown timer
    QTimer* Timer2 = nullptr;   // probe-result timer

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

  Q_SIGNALS:
    // The window is unloading: every window it owns closes now.
    void unloading();

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

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    void Form_Unload();

    AppContext& m_ctx;

    QString m_SMTPserver;
    QString m_SMTPFromEmail;
    QString m_SMTPFromName;
    QString m_SMTPUserName;
    QString m_SMTPPassword;
    QString m_SMTPport;
    QString m_PCnameToEmail;
    QString m_EmailAddress;
    QString m_AverageReturn;
    bool m_blForm1isRunning = false;
    bool m_blForm3isRunning = false;

    bool m_ended = false; // a database failure ended the program
    bool m_autoStartPing = false;
    bool m_autoStartJobs = false;

    // State of the ping cycle that the list refresh and the device editor look at.
    int m_walkPosition = 0; // devices already taken in the current pass
    bool m_paused = false;
    bool m_hasMaxAverage = false;
    PingCycle* m_pingCycle = nullptr;
};
