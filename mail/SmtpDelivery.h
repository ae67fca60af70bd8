#pragma once

#include "mail/MailOutcome.h"
#include "mail/SmtpClient.h"

#include <atomic>
#include <deque>
#include <mutex>

// What the worker hands to the client's thread. The worker never touches the QObject itself:
// it queues notes here and posts one delivery call while the client is alive; the destructor
// clears `owner` under the mutex, so a post can never reach a destroyed object (and posted
// calls still queued for it are dropped by QObject's destructor).
struct SmtpClient::Shared {
    struct Note {
        bool isProgress = false;
        int percent = 0;
        QString line;
    };

    std::mutex mutex;
    SmtpClient* owner = nullptr;
    bool deliveryPosted = false;
    std::deque<Note> pending;
    std::atomic<bool> cancelled{false};

    void post(Note note) {
        std::lock_guard lock(mutex);
        if (!owner)
            return;
        pending.push_back(std::move(note));
        if (deliveryPosted)
            return;
        deliveryPosted = true;
        SmtpClient* target = owner;
        QMetaObject::invokeMethod(
            target, [target] { target->deliverPending(); }, Qt::QueuedConnection);
    }
};

// Makes libcurl ready once per program.
void initialiseCurlOnce();

// The whole send with the settings, on the calling (worker) thread: checks every setting,
// logs in to the POP3 server when asked, then hands the mail to the SMTP server. Touches only
// its arguments; progress and status lines are queued on `shared`.
MailOutcome deliverMail(const SmtpClient::Settings& settings, SmtpClient::Shared& shared);
