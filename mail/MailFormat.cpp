#include "mail/MailFormat.h"

#include <QRegularExpression>

namespace MailFormat {

namespace {

constexpr int kMaxLine = 76;       // longest header line we write
constexpr int kMaxPlainText = 900; // longer plain values are encoded so that they can fold

bool isPrintableAscii(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

// Folds a header as tokens are added: a token that would take the line past 76 characters
// starts a new line (CR LF blank) unless it is the first on its line.
class HeaderBuilder {
  public:
    explicit HeaderBuilder(const QByteArray& name)
        : m_out(name + ':'), m_lineLength(m_out.size()) {}

    void add(const QByteArray& token) {
        if (m_tokensOnLine > 0 && m_lineLength + 1 + token.size() > kMaxLine)
            fold();
        m_out += ' ';
        m_out += token;
        m_lineLength += 1 + int(token.size());
        ++m_tokensOnLine;
    }

    // Encoded words sized to the room left on the current line.
    void addEncoded(const QString& text) {
        QString rest = text;
        while (!rest.isEmpty()) {
            int room = kMaxLine - m_lineLength - 1;
            if (room < 16) { // too little for a useful word: continue on a new line
                fold();
                room = kMaxLine - 1;
            }
            const QList<QByteArray> words = encodedWords(rest, std::min(room, 75));
            add(words.first());
            // Characters consumed by the first word: decode its length back from the text.
            const QByteArray utf8 = rest.toUtf8();
            const QByteArray payload = QByteArray::fromBase64(words.first().mid(10).chopped(2));
            rest = QString::fromUtf8(utf8.mid(payload.size()));
        }
    }

    QByteArray result() const { return m_out; }

  private:
    void fold() {
        m_out += "\r\n";
        m_lineLength = 0;
        m_tokensOnLine = 0;
    }

    QByteArray m_out;
    int m_lineLength;
    int m_tokensOnLine = 0;
};

bool needsEncoding(const QString& text) {
    return !isPrintableAscii(text) || text.size() > kMaxPlainText ||
           text.contains(QLatin1String("=?"));
}

// A display name as a phrase: bare atoms when it has no special characters, a quoted string
// when it has, encoded words when it is not plain ASCII.
void addPhrase(HeaderBuilder& header, const QString& name) {
    if (needsEncoding(name)) {
        header.addEncoded(name);
        return;
    }
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    bool plainAtoms = true;
    for (QChar c : name) {
        if (specials.contains(c)) {
            plainAtoms = false;
            break;
        }
    }
    if (plainAtoms) {
        for (const QString& word : name.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            header.add(word.toLatin1());
        return;
    }
    QByteArray quoted = "\"";
    for (QChar c : name) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            quoted += '\\';
        quoted += char(c.unicode());
    }
    quoted += '"';
    header.add(quoted);
}

bool isAttrChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$&+-.^_`|~").contains(c);
}

QByteArray quotedParameter(const QString& asciiValue) {
    QByteArray out = "\"";
    for (QChar c : asciiValue) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += '\\';
        out += char(c.unicode());
    }
    out += '"';
    return out;
}

} // namespace

QString oneLine(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value.at(i).unicode();
        if (c == u'\r' && i + 1 < value.size() && value.at(i + 1) == u'\n') {
            out += QLatin1Char(' ');
            ++i;
        } else if ((c < 0x20 && c != u'\t') || c == 0x7f) {
            out += QLatin1Char(' ');
        } else {
            out += QChar(c);
        }
    }
    return out;
}

QStringList splitList(const QString& text, const QString& separator) {
    QStringList out;
    if (separator.isEmpty()) {
        const QString one = text.trimmed();
        if (!one.isEmpty())
            out.append(one);
        return out;
    }
    for (const QString& entry : text.split(separator)) {
        const QString trimmed = entry.trimmed();
        if (!trimmed.isEmpty())
            out.append(trimmed);
    }
    return out;
}

bool isSendableAddress(const QString& address) {
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    if (at <= 0 || at == address.size() - 1 || address.indexOf(QLatin1Char('@'), at + 1) >= 0)
        return false;
    static const QString forbidden = QStringLiteral("<>(),;\"\\");
    for (QChar c : address) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || forbidden.contains(c))
            return false;
    }
    return true;
}

QList<Recipient> pairRecipients(const QString& addresses, const QString& names,
                                const QString& separator) {
    const QStringList addressEntries =
        separator.isEmpty() ? QStringList{addresses} : addresses.split(separator);
    const QStringList nameEntries =
        separator.isEmpty() ? QStringList{names} : names.split(separator);
    QList<Recipient> out;
    for (qsizetype i = 0; i < addressEntries.size(); ++i) {
        const QString entry = addressEntries.at(i).trimmed();
        if (entry.isEmpty())
            continue;
        Recipient recipient{entry, std::nullopt};
        if (isSendableAddress(entry)) {
            const QString name = i < nameEntries.size() ? nameEntries.at(i) : QString();
            recipient.mailbox = Mailbox{oneLine(name).trimmed(), entry};
        }
        out.append(recipient);
    }
    return out;
}

QList<QByteArray> encodedWords(const QString& text, int maxWord) {
    // "=?UTF-8?B?" + base64 + "?=": 12 characters of frame, base64 in groups of 4 for 3 bytes.
    const int maxBytes = std::max(1, (std::min(maxWord, 75) - 12) / 4 * 3);
    const QByteArray utf8 = text.toUtf8();
    QList<QByteArray> words;
    qsizetype start = 0;
    while (start < utf8.size()) {
        qsizetype end = std::min(utf8.size(), start + maxBytes);
        // Step back to the start of a character: never end a word inside a UTF-8 sequence.
        while (end < utf8.size() && end > start &&
               (static_cast<unsigned char>(utf8.at(end)) & 0xC0) == 0x80)
            --end;
        if (end == start) { // a single character longer than the room: take it whole
            end = start + 1;
            while (end < utf8.size() && (static_cast<unsigned char>(utf8.at(end)) & 0xC0) == 0x80)
                ++end;
        }
        words.append("=?UTF-8?B?" + utf8.mid(start, end - start).toBase64() + "?=");
        start = end;
    }
    return words;
}

QByteArray textHeader(const QByteArray& name, const QString& value) {
    const QString text = oneLine(value);
    if (!needsEncoding(text))
        return name + ": " + text.toLatin1();
    HeaderBuilder header(name);
    header.addEncoded(text);
    return header.result();
}

QByteArray addressHeader(const QByteArray& name, const QList<Mailbox>& mailboxes) {
    HeaderBuilder header(name);
    for (qsizetype i = 0; i < mailboxes.size(); ++i) {
        const Mailbox& box = mailboxes.at(i);
        const QByteArray comma = i + 1 < mailboxes.size() ? "," : "";
        const QString displayName = oneLine(box.name).trimmed();
        // The address went through isSendableAddress: printable ASCII without blanks.
        const QByteArray address = oneLine(box.address).toLatin1();
        if (displayName.isEmpty()) {
            header.add(address + comma);
        } else {
            addPhrase(header, displayName);
            header.add('<' + address + '>' + comma);
        }
    }
    return header.result();
}

QByteArray crlfText(const QString& text) {
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    normal.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return normal.toUtf8();
}

QByteArray quotedPrintable(const QByteArray& crlfData) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(crlfData.size() * 11 / 10 + 16);
    const QList<QByteArray> lines = crlfData.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines.at(n);
        const bool hadCr = line.endsWith('\r') && n + 1 < lines.size();
        if (hadCr)
            line.chop(1);
        int column = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(line.at(i));
            const bool last = i + 1 == line.size();
            QByteArray piece;
            if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last)) {
                piece = QByteArray(1, char(c));
            } else {
                piece = QByteArray{"="} + hex[c >> 4] + hex[c & 15];
            }
            // Keep room for the '=' of a soft break unless this piece ends the line.
            const int limit = last ? kMaxLine : kMaxLine - 1;
            if (column + piece.size() > limit) {
                out += "=\r\n";
                column = 0;
            }
            out += piece;
            column += int(piece.size());
        }
        if (n + 1 < lines.size())
            out += hadCr ? "\r\n" : "=0A=\r\n"; // a bare LF cannot occur after crlfText
    }
    return out;
}

QByteArray uuencode(const QByteArray& data, const QString& fileName) {
    auto sym = [](unsigned v) { return v ? char(v + 32) : '`'; };
    QByteArray out = "begin 644 " + oneLine(fileName).toUtf8() + "\r\n";
    for (qsizetype start = 0; start < data.size(); start += 45) {
        const qsizetype count = std::min<qsizetype>(45, data.size() - start);
        out += sym(unsigned(count));
        for (qsizetype i = 0; i < count; i += 3) {
            unsigned b[3] = {0, 0, 0};
            for (int k = 0; k < 3 && i + k < count; ++k)
                b[k] = static_cast<unsigned char>(data.at(start + i + k));
            out += sym(b[0] >> 2);
            out += sym(((b[0] & 3) << 4) | (b[1] >> 4));
            out += sym(((b[1] & 15) << 2) | (b[2] >> 6));
            out += sym(b[2] & 63);
        }
        out += "\r\n";
    }
    out += "`\r\nend\r\n";
    return out;
}

QByteArray attachmentDisposition(const QString& fileName) {
    const QString name = oneLine(fileName);
    if (isPrintableAscii(name) && name.size() <= kMaxPlainText)
        return "Content-Disposition: attachment; filename=" + quotedParameter(name);
    // RFC 2231: charset and percent-encoded UTF-8, in numbered sections of short lines.
    // One piece per character, so that no section ends inside a character.
    QList<QByteArray> pieces;
    const QByteArray utf8 = name.toUtf8();
    for (char c : utf8) {
        const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
        const QByteArray encoded =
            isAttrChar(c) ? QByteArray(1, c) : '%' + QByteArray(1, c).toHex().toUpper();
        if (continuation && !pieces.isEmpty())
            pieces.last() += encoded;
        else
            pieces.append(encoded);
    }
    QList<QByteArray> sections{"UTF-8''"};
    for (const QByteArray& piece : pieces) {
        if (sections.last().size() + piece.size() > 60)
            sections.append(QByteArray());
        sections.last() += piece;
    }
    QByteArray out = "Content-Disposition: attachment";
    for (qsizetype i = 0; i < sections.size(); ++i)
        out += ";\r\n filename*" + QByteArray::number(i) + "*=" + sections.at(i);
    return out;
}

QByteArray attachmentContentType(const QString& mediaType, const QString& fileName) {
    const QString name = oneLine(fileName);
    QByteArray type = mediaType.toLatin1();
    if (isPrintableAscii(name) && name.size() <= kMaxPlainText)
        type += "; name=" + quotedParameter(name);
    return type;
}

} // namespace MailFormat
