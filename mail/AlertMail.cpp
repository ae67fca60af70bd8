#include "mail/AlertMail.h"

#include "app/AppContext.h"
#include "app/Log.h"
#include "mail/AlertNotice.h"
#include "mail/MailWindows.h"
#include "mail/frmMain.h"

#include <QLineEdit>
#include <QPlainTextEdit>

AlertMailRequest alertMailRequest(const PublicValues& values, const QString& to,
                                  const QString& subject, const QString& body) {
    AlertMailRequest request;
    request.txtServer = values.SMTPserver;
    request.txtFrom = values.SMTPFromEmail;
    request.txtFromName = values.SMTPFromName;
    request.txtTo = to;
    request.txtSubject = subject;
    request.txtMsg = body;
    request.txtUserName = values.SMTPUserName;
    request.txtPassword = values.SMTPPassword;
    return request;
}

void fillAlertMailRequest(frmMain& window, const AlertMailRequest& request) {
    window.txtServer->setText(request.txtServer);
    window.txtFrom->setText(request.txtFrom);
    window.txtFromName->setText(request.txtFromName);
    window.txtTo->setText(request.txtTo);
    window.txtSubject->setText(request.txtSubject);
    window.txtMsg->setPlainText(request.txtMsg);
    window.txtUserName->setText(request.txtUserName);
    window.txtPassword->setText(request.txtPassword);
}

QCoro::Task<MailOutcome> sendAlertMail(AppContext& ctx, MailWindows& windows,
                                       AlertMailRequest request, MailComponentFactory factory) {
    frmMain* window = windows.takeStoppedWindow();
    if (!window)
        window = windows.create(ctx, std::move(factory));
    fillAlertMailRequest(*window, request);
    // The window closes (and deletes) itself when the send has ended, or stays for the next
    // request when it stopped on an error; either way nothing here touches it afterwards.
    QCoro::Task<MailOutcome> sending = window->cmdSend_Click();
    MailOutcome outcome = co_await sending;
    if (!outcome.complete()) {
        // One line per failed send, whole or partial: who got nothing, the short reason that
        // is recorded, and the long explanation.
        const QString failedTo =
            outcome.refused.isEmpty() ? request.txtTo : outcome.refused.join(u';');
        qCWarning(lcMail).noquote()
            << QStringLiteral("Alert mail \"%1\" not sent to %2 - %3 (%4)")
                   .arg(request.txtSubject, failedTo, outcome.reason, outcome.explanation);
    }
    if (ctx.desktopNotifications()) {
        const AlertNotice notice = alertNotice(request, outcome);
        ctx.notifier().notify(notice.title, notice.body);
    }
    co_return outcome;
}
