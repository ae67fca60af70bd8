// Mail text building and the mail window's rules as plain tables: header values, addresses,
// encoded words, bodies, attachment headers, the port and priority rules, the attachment
// field, and the texts recorded for a send.
#include "mail/MailFormat.h"
#include "mail/MailOutcome.h"
#include "mail/MailRules.h"

#include <QStringDecoder>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using OptInt = std::optional<int>;

class TestMailText : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void recipients_data() {
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QStringList>("expected"); // "name|address", or "!entry" when refused
        QTest::newRow("by position, blanks and empty entries")
            << u" a@x.invalid ;; b@x.invalid;c@[127.0.0.1]"_s << u"Al;Nobody;Bo\nX: y"_s
            << QStringList{u"Al|a@x.invalid"_s, u"Bo X: y|b@x.invalid"_s, u"|c@[127.0.0.1]"_s};
        QTest::newRow("never another address")
            << u"a@x.invalid\r\nRCPT TO:<e@x.invalid>;Al <a@x.invalid>;<a@x.invalid>;a b@x.invalid"_s
            << QString()
            << QStringList{u"!a@x.invalid\r\nRCPT TO:<e@x.invalid>"_s, u"!Al <a@x.invalid>"_s,
                           u"!<a@x.invalid>"_s, u"!a b@x.invalid"_s};
        QTest::newRow("not an address")
            << u"admin;@x.invalid;a@;a@b@x.invalid;a\"b@x.invalid;jörg@x.invalid;a,b@x.invalid"_s
            << QString()
            << QStringList{u"!admin"_s,         u"!@x.invalid"_s,     u"!a@"_s,
                           u"!a@b@x.invalid"_s, u"!a\"b@x.invalid"_s, u"!jörg@x.invalid"_s,
                           u"!a,b@x.invalid"_s};
    }
    void recipients() {
        QFETCH(QString, addresses);
        QFETCH(QString, names);
        QFETCH(QStringList, expected);
        QStringList got;
        for (const auto& r : MailFormat::pairRecipients(addresses, names, u";"_s))
            got << (r.mailbox ? r.mailbox->name + u'|' + r.mailbox->address : u'!' + r.entry);
        QCOMPARE(got, expected);
    }

    void headers_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("expected");
        using MailFormat::Mailbox;
        QTest::newRow("subject") << MailFormat::textHeader("Subject", u"PC1 is down"_s)
                                 << QByteArray("Subject: PC1 is down");
        QTest::newRow("line breaks and control characters")
            << MailFormat::textHeader("Subject", u"a\r\nBcc: x\ny\rz"_s + QChar(0))
            << QByteArray("Subject: a Bcc: x y z ");
        QTest::newRow("non-ascii") << MailFormat::textHeader("Subject", u"Grüße"_s)
                                   << QByteArray("Subject: =?UTF-8?B?R3LDvMOfZQ==?=");
        QTest::newRow("addresses, specials quoted")
            << MailFormat::addressHeader("To", {{u"Smith, \"Al\""_s, u"a@x.invalid"_s},
                                                {QString(), u"b@x.invalid"_s},
                                                {u"Jörg"_s, u"j@x.invalid"_s}})
            << QByteArray(
                   "To: \"Smith, \\\"Al\\\"\" <a@x.invalid>, b@x.invalid, =?UTF-8?B?SsO2cmc=?="
                   "\r\n <j@x.invalid>");
        QTest::newRow("attachment, ascii")
            << MailFormat::attachmentDisposition(u"a\"b\nX: 1.txt"_s) + '|' +
                   MailFormat::attachmentContentType(u"text/plain"_s, u"a.txt"_s)
            << QByteArray("Content-Disposition: attachment; filename=\"a\\\"b X: 1.txt\"|"
                          "text/plain; name=\"a.txt\"");
        QTest::newRow("attachment, non-ascii in sections")
            << MailFormat::attachmentDisposition(u"Prüf "_s + QString(u"ä"_s).repeated(8)) + '|' +
                   MailFormat::attachmentContentType(u"text/plain"_s, u"ä"_s)
            << QByteArray("Content-Disposition: attachment;\r\n filename*0*=UTF-8''Pr%C3%BCf%20") +
                   QByteArray("%C3%A4").repeated(6) + ";\r\n filename*1*=%C3%A4%C3%A4|text/plain";
    }
    void headers() {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, expected);
        QCOMPARE(header, expected);
    }

    void encodedWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxWord");
        QTest::newRow("long cjk") << QString(u"服务器没有响应"_s).repeated(20) << 75;
        QTest::newRow("four-byte, narrow room") << QString(u"ü🔥x"_s).repeated(10) << 20;
        QTest::newRow("room smaller than a character") << u"🔥🔥"_s << 14;
    }
    void encodedWords() {
        QFETCH(QString, text);
        QFETCH(int, maxWord);
        QString joined;
        for (const QByteArray& word : MailFormat::encodedWords(text, maxWord)) {
            QVERIFY(word.size() <= std::max(maxWord, 20));
            QVERIFY(word.startsWith("=?UTF-8?B?") && word.endsWith("?="));
            QStringDecoder utf8(QStringDecoder::Utf8); // whole characters in every word
            joined += utf8(QByteArray::fromBase64(word.mid(10).chopped(2)));
            QVERIFY(!utf8.hasError());
        }
        QCOMPARE(joined, text);
    }

    void bodies_data() {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("line endings, utf-8")
            << MailFormat::crlfText(u"a\r\nb\nc\rü"_s) << QByteArray("a\r\nb\r\nc\r\n\xc3\xbc");
        QTest::newRow("quoted-printable")
            << MailFormat::quotedPrintable("a=b \xc3\xbc\r\nend \r\n.")
            << QByteArray("a=3Db =C3=BC\r\nend=20\r\n.");
        QTest::newRow("soft break, never inside an escape")
            << MailFormat::quotedPrintable(QByteArray(74, 'x') + "=z" + QByteArray(80, 'y'))
            << QByteArray(74, 'x') + "=\r\n=3Dz" + QByteArray(71, 'y') + "=\r\n" +
                   QByteArray(9, 'y');
        QTest::newRow("uuencode") << MailFormat::uuencode("Cat", u"c\nd"_s)
                                  << QByteArray("begin 644 c d\r\n#0V%T\r\n`\r\nend\r\n");
        QTest::newRow("uuencode, zero bytes and full lines")
            << MailFormat::uuencode(QByteArray(2, '\0') + QByteArray(45, 'q'), u"z"_s).left(22)
            << QByteArray("begin 644 z\r\nM``!Q<7%Q");
    }
    void bodies() {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, expected);
        QCOMPARE(encoded, expected);
    }

    void portFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptInt>("port");
        for (const auto& [text, port] :
             std::initializer_list<std::pair<const char16_t*, OptInt>>{{u" 587 ", 587},
                                                                       {u"+25", 25},
                                                                       {u"-1", -1},
                                                                       {u"2147483647", 2147483647},
                                                                       {u"2147483648", {}},
                                                                       {u"abc", {}},
                                                                       {u"", {}},
                                                                       {u"25.0", {}},
                                                                       {u"2525x", {}},
                                                                       {u"1e3", {}},
                                                                       {u"-", {}},
                                                                       {u"25 25", {}}})
            QTest::newRow(QString::fromUtf16(text).toUtf8()) << QString::fromUtf16(text) << port;
    }
    void portFromText() {
        QFETCH(QString, text);
        QFETCH(OptInt, port);
        const std::optional<qint32> got = MailRules::portFromText(text);
        QCOMPARE(got ? OptInt(*got) : OptInt(), port);
    }

    void priority() {
        QCOMPARE((QList<OptInt>{MailRules::priorityForIndex(-1), MailRules::priorityForIndex(0),
                                MailRules::priorityForIndex(1), MailRules::priorityForIndex(2),
                                MailRules::priorityForIndex(3)}),
                 (QList<OptInt>{{}, 3, 1, 5, {}}));
        QString allowed;
        for (int key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Tab, Qt::Key_Return, Qt::Key_Escape,
                        Qt::Key_Home, Qt::Key_PageDown, Qt::Key_H, Qt::Key_F4})
            allowed += QString::number(MailRules::priorityKeyAllowed(key, false)) +
                       QString::number(MailRules::priorityKeyAllowed(key, true)) + u' ';
        QCOMPARE(allowed, u"11 11 11 01 01 00 00 00 00 "_s);
    }

    void attachmentField_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("picked");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("result");
        const QChar bs = u'\\';
        QTest::newRow("two files")
            << QString() << QStringList{u"C:\\Mail"_s, u"a.txt"_s, u"b.txt"_s} << bs
            << u"C:\\Mail\\a.txt;C:\\Mail\\b.txt"_s;
        QTest::newRow("drive root, after x.doc")
            << u"x.doc"_s << QStringList{u"C:\\"_s, u"a.txt"_s} << bs << u"x.doc;C:\\a.txt"_s;
        QTest::newRow("one file after x.doc")
            << u"x.doc"_s << MailRules::selectionParts({u"/m/a.txt"_s}) << QChar(u'/')
            << u"x.doc;/m/a.txt"_s;
        QTest::newRow("picked in one folder")
            << QString() << MailRules::selectionParts({u"/m/a.txt"_s, u"/m/b c.txt"_s})
            << QChar(u'/') << u"/m/a.txt;/m/b c.txt"_s;
        QTest::newRow("picked in two folders")
            << QString() << MailRules::selectionParts({u"/x/a.txt"_s, u"/y/b.txt"_s}) << QChar(u'/')
            << u"/x/a.txt;/y/b.txt"_s;
        QTest::newRow("in the root") << QString() << MailRules::selectionParts({u"/a"_s, u"/b"_s})
                                     << QChar(u'/') << u"/a;/b"_s;
    }
    void attachmentField() {
        QFETCH(QString, current);
        QFETCH(QStringList, picked);
        QFETCH(QChar, separator);
        QFETCH(QString, result);
        QCOMPARE(MailRules::joinAttachments(current, picked, separator), result);
    }

    void dialogNameFilters() {
        QCOMPARE(
            MailRules::dialogNameFilters(
                u"All Files (*.*)|*.*|HTML Files (*.htm;*.html)|*.htm;*.html|Text|*.txt"_s),
            (QStringList{u"All Files (*)"_s, u"HTML Files (*.htm *.html)"_s, u"Text (*.txt)"_s}));
    }

    void actionText_data() {
        QTest::addColumn<QStringList>("delivered");
        QTest::addColumn<QStringList>("refused");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("action");
        const QString to = u"a@x.invalid;bad"_s;
        QTest::newRow("delivered") << QStringList{u"a@x.invalid"_s} << QStringList{} << QString()
                                   << u"Emailed To: a@x.invalid;bad"_s;
        QTest::newRow("failed")
            << QStringList{} << QStringList{u"a@x.invalid"_s, u"bad"_s}
            << u"no answer from the server"_s
            << u"Email Failed To: a@x.invalid;bad - no answer from the server"_s;
        QTest::newRow("partly")
            << QStringList{u"a@x.invalid"_s} << QStringList{u"bad"_s} << u"refused address"_s
            << u"Emailed To: a@x.invalid - Email Failed To: bad - refused address"_s;
    }
    void actionText() {
        QFETCH(QStringList, delivered);
        QFETCH(QStringList, refused);
        QFETCH(QString, reason);
        QFETCH(QString, action);
        QCOMPARE(mailActionText(u"a@x.invalid;bad"_s, MailOutcome{delivered, refused, reason, {}}),
                 action);
    }
};

QTEST_GUILESS_MAIN(TestMailText)
#include "tst_mailtext.moc"
