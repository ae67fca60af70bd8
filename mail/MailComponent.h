#pragma once

#include "mail/SmtpClient.h"

#include <functional>
#include <memory>

// How making the mail window's SMTP component can end. The window tells the first case apart
// (the component is missing or unusable on this machine) from anything else.
enum class MailComponentError {
    None,
    Unavailable, // the mail library is missing or cannot speak SMTP
    Other,       // any other failure while making it
};

struct MailComponentResult {
    std::unique_ptr<SmtpClient> component; // empty when it could not be made
    MailComponentError error = MailComponentError::None;
};

// Makes one component for one mail window. Windows take the factory as a parameter so that a
// test can hand them one that fails.
using MailComponentFactory = std::function<MailComponentResult()>;

// The real factory: an SmtpClient with the program's time limits, or Unavailable when the
// libcurl in use was built without SMTP.
MailComponentResult createMailComponent();

// True when the libcurl in use can send mail over SMTP.
bool mailLibrarySpeaksSmtp();
