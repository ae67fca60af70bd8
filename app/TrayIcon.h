#pragma once

#include "app/TrayState.h"

#include <QIcon>
#include <QObject>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The tray icon of the program, made only where the desktop has a system tray. It draws what a
// TrayState says and passes its menu's choices on as signals; what they do is up to the main
// window.
class TrayIcon final : public QObject {
    Q_OBJECT
  public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void show(const TrayState& state);
    QMenu* menu() const { return m_menu.get(); }

    // The icon of a state: the ping monitor's SVG on the left half, the job monitor's on the
    // right, drawn from the vector images at whatever size and scale the desktop asks for.
    static QIcon stateIcon(const TrayState& state);
    // The SVG of one state, or of the program itself ("korvane").
    static QString iconPath(const QString& name);

  Q_SIGNALS:
    void startPingRequested();
    void stopPingRequested();
    void startJobsRequested();
    void stopJobsRequested();
    void showRequested();
    void quitRequested();
    // The menu is about to open: the owner brings the state up to date.
    void menuAboutToShow();

  private:
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    QAction* m_startPing = nullptr;
    QAction* m_stopPing = nullptr;
    QAction* m_startJobs = nullptr;
    QAction* m_stopJobs = nullptr;
    QAction* m_show = nullptr;
    QAction* m_quit = nullptr;
    QString m_left;
    QString m_right;
};
