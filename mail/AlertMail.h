#pragma once

#include "mail/MailComponent.h"

#include <QCoroTask>
#include <QString>

class Form1;

// The alert-mail request: the eight fields of the mail window that a monitor fills before
// it triggers a send. The port is not part of it: the mail window reads the main window's
// SMTPport at the moment it sends.
struct AlertMailRequest {
    QString txtServer;
    QString txtFrom;
    QString txtFromName;
    QString txtTo;
    QString txtSubject;
    QString txtMsg;
    QString txtUserName;
    QString txtPassword;
};

// A request addressed to `to` with the main window's mail settings (SMTPserver,
// SMTPFromEmail, SMTPFromName, SMTPUserName, SMTPPassword) and the given subject and body.
AlertMailRequest alertMailRequest(const Form1& mainWindow, const QString& to,
                                  const QString& subject, const QString& body);

// Fills a fresh, never shown mail window (frmMain) with the request and runs its cmdSend_Click.
// Completes when the send attempt has ended; the window has closed itself by then, unless the
// send stopped on an error. Success or failure is not reported back: the mail window handles
// both itself. The user-interface thread keeps running while the mail goes out.
QCoro::Task<void> sendAlertMail(Form1& mainWindow, AlertMailRequest request);

class frmMain;

// As above, with the factory that makes the window's SMTP component (for a fresh window).
//
// Each request runs on its own window, so alerts of the two monitors that overlap never share
// one. A window whose send stopped on an error before anything went out (no component, a port
// that is not a whole number) stays open and hidden; the next request takes that window again
// instead of making a new one, so a missing component is reported once at load and then once
// per send. Its text fields are emptied first, so it starts as empty as a fresh window.
QCoro::Task<void> sendAlertMail(Form1& mainWindow, AlertMailRequest request,
                                MailComponentFactory factory);

// Sets the request's eight fields on a mail window.
void fillAlertMailRequest(frmMain& window, const AlertMailRequest& request);
