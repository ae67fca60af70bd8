#include "mail/AlertMail.h"

#include "app/Form1.h"
#include "mail/frmMain.h"

#include <QLineEdit>
#include <QPlainTextEdit>

AlertMailRequest alertMailRequest(const Form1& mainWindow, const QString& to,
                                  const QString& subject, const QString& body) {
    AlertMailRequest request;
    request.txtServer = mainWindow.SMTPserver();
    request.txtFrom = mainWindow.SMTPFromEmail();
    request.txtFromName = mainWindow.SMTPFromName();
    request.txtTo = to;
    request.txtSubject = subject;
    request.txtMsg = body;
    request.txtUserName = mainWindow.SMTPUserName();
    request.txtPassword = mainWindow.SMTPPassword();
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

QCoro::Task<void> sendAlertMail(Form1& mainWindow, AlertMailRequest request) {
    return sendAlertMail(mainWindow, std::move(request), createMailComponent);
}

QCoro::Task<void> sendAlertMail(Form1& mainWindow, AlertMailRequest request,
                                MailComponentFactory factory) {
    frmMain* window = frmMain::takeStoppedWindow(mainWindow);
    if (window) {
        window->ClearTextBoxesOnForm();
    } else {
        window = new frmMain(mainWindow, std::move(factory));
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Form_Load();
    }
    fillAlertMailRequest(*window, request);
    // The window closes (and deletes) itself when the send has ended, or stays for the next
    // request when it stopped on an error; either way nothing here touches it afterwards.
    QCoro::Task<void> sending = window->cmdSend_Click();
    co_await sending;
}
