#pragma once

#include "NetNs.h"
#include <QProcess> // for the tests that include this header
#include <QTemporaryDir>
#include <memory>

// A real Samba server (Debian's smbd) standing in for a Windows PC, run as root in a network
// namespace of its own with its state in a temporary folder: shares C$ and D$, `net rpc
// service` (Spooler there, stopped), one system user with a Samba password.
class SambaPeer final {
  public:
    ~SambaPeer() { stop(); }
    // (Re)starts the server, letting anonymous users list the shares or not, and waits until
    // it answers; false with errorString() telling why (not root, samba not installed...).
    bool start(bool anonymousListing = true);
    QString errorString() const { return m_error; }
    QString address() const { return m_ns ? m_ns->address() : QString(); }
    static QString user() { return QStringLiteral("kvsmbtest"); }
    // Blanks, quotes, "%" and a leading dash: it must reach the server unchanged.
    static QString password() { return QStringLiteral("-Se cret \"pass\" 'word' %1 x"); }

  private:
    void stop();
    QTemporaryDir m_dir;
    std::unique_ptr<NetNs> m_ns;
    QString m_error;
};
