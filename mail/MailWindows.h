#pragma once

#include "mail/MailComponent.h"

#include <QList>
#include <QObject>
#include <QPointer>

class AppContext;
class frmMain;
class QWidget;

// The mail windows that are open (each alert runs on a window of its own), owned by the main
// window: its unload and the job monitor's Stop close them all.
class MailWindows final : public QObject {
    Q_OBJECT
  public:
    // The windows are children of `owner`, so they go with it at the latest.
    explicit MailWindows(QWidget* owner);
    ~MailWindows() override;

    // A new, loaded, never shown window for one send; it deletes itself when it closes.
    frmMain* create(AppContext& ctx, MailComponentFactory factory = createMailComponent);
    // A window whose last send stopped on an error before anything was sent and that no
    // send is using, taken for reuse; nothing when there is none.
    frmMain* takeStoppedWindow();
    // Closes every open mail window; a send still under way is abandoned.
    void closeAll();
    // The windows still open.
    QList<frmMain*> windows() const;

  private:
    QWidget* m_owner;
    QList<QPointer<frmMain>> m_windows;
};
