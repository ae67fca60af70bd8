#include "mail/MailWindows.h"

#include "mail/frmMain.h"

#include <QWidget>

MailWindows::MailWindows(QWidget* owner) : QObject(owner), m_owner(owner) {}

MailWindows::~MailWindows() = default;

frmMain* MailWindows::create(AppContext& ctx, MailComponentFactory factory) {
    m_windows.removeIf([](const QPointer<frmMain>& w) { return w.isNull(); });
    auto* window = new frmMain(ctx, m_owner, std::move(factory));
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_windows.append(window);
    window->Form_Load();
    return window;
}

frmMain* MailWindows::takeStoppedWindow() {
    for (const QPointer<frmMain>& w : std::as_const(m_windows)) {
        if (w && w->takeForReuse())
            return w;
    }
    return nullptr;
}

void MailWindows::closeAll() {
    const QList<frmMain*> open = windows();
    for (frmMain* w : open)
        w->close();
}

QList<frmMain*> MailWindows::windows() const {
    QList<frmMain*> open;
    for (const QPointer<frmMain>& w : m_windows) {
        if (w && !w->isUnloaded())
            open.append(w);
    }
    return open;
}
