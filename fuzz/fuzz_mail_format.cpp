// The recipient list and header building of alert mails: no stored text can add, change or
// redirect a recipient or a header. Fields: addresses, names, subject.
#include "FuzzInput.h"
#include "mail/MailFormat.h"

namespace {
// A header as built: ASCII, and every line break is a fold (CR LF then a blank).
void checkHeader(QByteArray header, const QByteArray& name) {
    FUZZ_CHECK(header.startsWith(name + ":"));
    for (const char c : header.replace("\r\n ", ""))
        FUZZ_CHECK(uchar(c) < 0x80 && c != '\r' && c != '\n');
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList in = fuzz::fields(data, size, 3);
    QList<MailFormat::Mailbox> mailboxes;
    for (const MailFormat::Recipient& r :
         MailFormat::pairRecipients(in[0], in[1], QStringLiteral(";"))) {
        FUZZ_CHECK(!r.entry.trimmed().isEmpty());
        if (!r.mailbox)
            continue;
        // A usable address is exactly one entry as written, never a part of one.
        FUZZ_CHECK(MailFormat::isSendableAddress(r.mailbox->address) &&
                   r.mailbox->address == r.entry);
        FUZZ_CHECK(MailFormat::oneLine(r.mailbox->name) == r.mailbox->name);
        mailboxes << *r.mailbox;
    }
    checkHeader(MailFormat::addressHeader("To", mailboxes), "To");
    checkHeader(MailFormat::textHeader("Subject", in[2]), "Subject");
    for (const QByteArray& word : MailFormat::encodedWords(in[2]))
        FUZZ_CHECK(word.size() <= 75);
    for (const QChar c : MailFormat::oneLine(in[2]))
        FUZZ_CHECK(c == u'\t' || (c.unicode() >= 0x20 && c.unicode() != 0x7f));
    FUZZ_CHECK(!MailFormat::crlfText(in[2]).contains("\r\r"));
    return 0;
}
