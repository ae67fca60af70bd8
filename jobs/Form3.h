#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class AppContext;
class JobCycle;
class LogicalDisks;
class MailWindows;
class MonitorHost;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

// The job monitor window: Start, Stop and Pause/Resume over the job list, the countdown and
// the status lines. Modeless; one window at a time, opened from the main window's menu and
// closed with it.
class Form3 final : public QWidget {
    Q_OBJECT
  public:
    Form3(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows, QWidget* parent,
          std::shared_ptr<LogicalDisks> disks);
    ~Form3() override;

    // Shows the job monitor window of `parent` without blocking, loading it first when none is
    // open, and ticks the main window's job-scanning item.
    static Form3* showShared(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows,
                             QWidget* parent);
    // Closes the job monitor window of `parent`, if one is open.
    static void unloadShared(QWidget* parent);
    // The open job monitor window of `parent`, if any.
    static Form3* openWindow(QWidget* parent);

    // Buttons enabled as before a Start, shown, then the auto-start setting is looked at.
    void Form_Load();
    bool isUnloaded() const { return m_unloaded; }
    JobCycle& cycle() { return *m_cycle; }

    // --- controls ---
    QToolButton* Command1 = nullptr; // Start
    QToolButton* Command2 = nullptr; // Stop
    QToolButton* Command3 = nullptr; // Pause / Resume
    QLineEdit* Text1 = nullptr;      // focus holder, never read or written
    QTimer* Timer1 = nullptr;
    QLabel* Label1 = nullptr; // detail status line
    QLabel* Label2 = nullptr; // countdown
    QLabel* Label3 = nullptr; // main status line
    QLabel* Label4 = nullptr; // number of jobs

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void Form_Unload();

    JobCycle* m_cycle = nullptr;
    bool m_unloaded = false;
};
