#pragma once

#include "mail/MailComponent.h"
#include "mail/MailOutcome.h"

#include <QCoroTask>
#include <QString>

class AppContext;
class MailWindows;
class frmMain;
struct PublicValues;

// The alert-mail request: the eight fields of the mail window that a monitor fills before
// it triggers a send. The port is not part of it: the mail window reads SMTPport at the moment
// it sends.
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

// A request addressed to `to` with the mail settings of the public values (SMTPserver,
// SMTPFromEmail, SMTPFromName, SMTPUserName, SMTPPassword) and the given subject and body.
AlertMailRequest alertMailRequest(const PublicValues& values, const QString& to,
                                  const QString& subject, const QString& body);

// Fills a never shown mail window with the request and runs its cmdSend_Click; completes when
// the send attempt has ended, with what became of it. A send that failed, wholly or for some
// recipients, is written to the log. The user-interface thread keeps running meanwhile.
//
// Each request runs on its own window, so alerts of the two monitors that overlap never share
// one. A window whose send stopped on an error before anything went out (no component, a port
// that is not a whole number) stays open and hidden; the next request takes that window again
// instead of making a new one, so a missing component is reported once at load and then once
// per send.
QCoro::Task<MailOutcome> sendAlertMail(AppContext& ctx, MailWindows& windows,
                                       AlertMailRequest request,
                                       MailComponentFactory factory = createMailComponent);

// Sets the request's eight fields on a mail window.
void fillAlertMailRequest(frmMain& window, const AlertMailRequest& request);
