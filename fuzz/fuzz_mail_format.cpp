// The recipient list and header building of alert mails: no stored text can add, change or
// redirect a recipient or a header. Fields: addresses, names, subject.
#include "FuzzInput.h"
#include "mail/MailFormat.h"

namespace {
// A header as built: ASCII, and every line break is a fold (CR LF then a blank).
void checkHeader(const QByteArray& header, const QByteArray& name) {
    FUZZ_CHECK(header.startsWith(name + ":"));
    for (qsizetype i = 0; i < header.size(); ++i) {
        const auto c = static_cast<unsigned char>(header[i]);
        FUZZ_CHECK(c < 0x80);
        if (c == '\n')
            FUZZ_CHECK(i > 0 && header[i - 1] == '\r');
        if (c == '\r')
            FUZZ_CHECK(i + 2 < header.size() && header[i + 1] == '\n' && header[i + 2] == ' ');
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList in = fuzz::fields(data, size, 3);
    const QList<MailFormat::Recipient> recipients =
        MailFormat::pairRecipients(in[0], in[1], QStringLiteral(";"));
    QList<MailFormat::Mailbox> mailboxes;
    for (const MailFormat::Recipient& r : recipients) {
        FUZZ_CHECK(!r.entry.trimmed().isEmpty());
        if (!r.mailbox)
            continue;
        // A usable address is exactly one entry as written, never a part of one.
        FUZZ_CHECK(MailFormat::isSendableAddress(r.mailbox->address));
        FUZZ_CHECK(r.mailbox->address == r.entry);
        FUZZ_CHECK(MailFormat::oneLine(r.mailbox->name) == r.mailbox->name);
        mailboxes << *r.mailbox;
    }
    checkHeader(MailFormat::addressHeader("To", mailboxes), "To");
    checkHeader(MailFormat::textHeader("Subject", in[2]), "Subject");
    for (const QByteArray& word : MailFormat::encodedWords(in[2]))
        FUZZ_CHECK(word.size() <= 75);
    const QString line = MailFormat::oneLine(in[2]);
    for (const QChar c : line)
        FUZZ_CHECK(c == u'\t' || (c.unicode() >= 0x20 && c.unicode() != 0x7f));
    FUZZ_CHECK(!MailFormat::crlfText(in[2]).contains("\r\r"));
    return 0;
}
