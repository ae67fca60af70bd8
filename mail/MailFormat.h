#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Text building for outgoing mail: header values that stay on their own line, RFC 2047
// encoded words, address lists, quoted-printable and uuencoded bodies, attachment headers.
// Every function returns ASCII bytes ready for the wire; header lines are folded with CRLF
// followed by a blank so that no line carrying an encoded word is longer than 76 characters.
namespace MailFormat {

// The value with every CR, LF and other control character (tab excepted) replaced by a blank;
// a CR LF pair becomes one blank. Header values pass through this before anything else, so no
// value can end its header early and start another.
QString oneLine(const QString& value);

// Splits a list on the separator, trims every entry and drops the empty ones.
QStringList splitList(const QString& text, const QString& separator);

struct Mailbox {
    QString name;
    QString address;
    friend bool operator==(const Mailbox&, const Mailbox&) = default;
};

// A bare address as a recipient or sender entry must be written: one "@" with text on both
// sides, printable ASCII, no blanks and none of < > ( ) , ; " \. Anything else (a display
// name, angle brackets, a line break, a second "@") makes the entry unusable, never a
// different address, so no stored text can add or redirect a recipient.
bool isSendableAddress(const QString& address);

// One non-empty entry of an address list as it was written (trimmed), with its mailbox when
// the entry is a sendable address.
struct Recipient {
    QString entry;
    std::optional<Mailbox> mailbox;
};

// Pairs the entries of an address list with display names by position. Both lists are split
// on the separator with empty entries kept for the pairing, then entries without text are
// dropped. Names pass through oneLine.
QList<Recipient> pairRecipients(const QString& addresses, const QString& names,
                                const QString& separator);

// A header whose value is free text (Subject): plain when it is short printable ASCII,
// otherwise UTF-8 encoded words. Returns the whole header, "Name: value", folded.
QByteArray textHeader(const QByteArray& name, const QString& value);

// An address header (From, To, Cc, Reply-To): "Name <addr>" items joined by ", ", names
// quoted or encoded as needed. Returns the whole header, folded.
QByteArray addressHeader(const QByteArray& name, const QList<Mailbox>& mailboxes);

// Encoded words for the text, each at most maxWord characters long (75 at most, the limit of
// RFC 2047), never splitting a character. Exposed for tests; textHeader uses it.
QList<QByteArray> encodedWords(const QString& text, int maxWord = 75);

// The text as UTF-8 with every line ending (CR LF, LF or a lone CR) made CR LF.
QByteArray crlfText(const QString& text);

// Quoted-printable (RFC 2045) of CRLF-separated bytes: lines of at most 76 characters,
// soft breaks never inside an escape, blanks at a line's end escaped.
QByteArray quotedPrintable(const QByteArray& crlfData);

// A uuencoded block: "begin 644 name", the lines, "`", "end", each ending in CR LF.
QByteArray uuencode(const QByteArray& data, const QString& fileName);

// Content-Disposition of an attachment: the file name quoted when it is ASCII, in RFC 2231
// form (UTF-8, percent-encoded, split into numbered sections) when it is not.
QByteArray attachmentDisposition(const QString& fileName);

// The Content-Type of an attachment: the media type, with a quoted name for ASCII names.
QByteArray attachmentContentType(const QString& mediaType, const QString& fileName);

} // namespace MailFormat
