#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <optional>

// The credentials of one run of the tool, handed to `net` as an authentication file (-A):
// "username =", "password =" and "domain =" lines in a file that only this user may read,
// in a private temporary folder that is removed after the run, also when the tool is ended
// by SIGTERM, SIGINT or SIGHUP. The password never reaches a command line.
namespace psservice {

// The file's text: "username = USER\npassword = PASSWORD\n" and, for DOMAIN\USER (or
// DOMAIN/USER), "domain = DOMAIN\n"; ".\USER" names an account of the PC itself, so the
// domain is the PC's name. Nothing when a value cannot be written so that Samba reads it
// back unchanged: a line break or NUL in any value, or a blank at the start of one (Samba
// drops leading blanks); `why` then says which.
std::optional<QByteArray> authFileText(const QByteArray& user, const QByteArray& password,
                                       const QString& pc, QString* why);

class AuthFile {
  public:
    AuthFile();
    ~AuthFile();
    AuthFile(const AuthFile&) = delete;
    AuthFile& operator=(const AuthFile&) = delete;

    // Creates the file (owner-only from the start) with the text; false when it cannot.
    bool write(const QByteArray& text);
    QString path() const { return m_path; }

  private:
    QTemporaryDir m_dir;
    QString m_path;
};

// Removes what runs of the tool ended by SIGKILL left behind: folders of this user whose
// process is gone.
void removeStaleAuthFolders();

// On SIGTERM, SIGINT or SIGHUP the file and its folder are removed and the running `net`
// (see setRunningChild) is ended before the tool ends.
void installCleanupOnSignals();
void setRunningChild(qint64 pid);

} // namespace psservice
