#include "mail/MailFormat.h"

#include <QStringDecoder>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using MailFormat::Mailbox;

namespace {

// The text inside one encoded word, checked to be whole UTF-8 on its own.
std::optional<QString> decodeWord(const QByteArray& word) {
    if (!word.startsWith("=?UTF-8?B?") || !word.endsWith("?="))
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromBase64(word.mid(10).chopped(2));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QList<QByteArray> headerLines(const QByteArray& header) {
    return header.split('\n');
}

} // namespace

class TestMailFormat : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void oneLine_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << u"Server down"_s << u"Server down"_s;
        QTest::newRow("crlf") << u"a\r\nBcc: x"_s << u"a Bcc: x"_s;
        QTest::newRow("lf") << u"a\nb"_s << u"a b"_s;
        QTest::newRow("cr") << u"a\rb"_s << u"a b"_s;
        QTest::newRow("two crlf") << u"a\r\n\r\nb"_s << u"a  b"_s;
        QTest::newRow("nul and del") << u"a"_s + QChar(0) + u"b\x7f"_s << u"a b "_s;
        QTest::newRow("tab kept") << u"a\tb"_s << u"a\tb"_s;
        QTest::newRow("non-ascii kept") << u"Gerät"_s << u"Gerät"_s;
    }
    void oneLine() {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(MailFormat::oneLine(input), expected);
    }

    void splitList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QString() << u";"_s << QStringList{};
        QTest::newRow("one") << u"a"_s << u";"_s << QStringList{u"a"_s};
        QTest::newRow("blanks and empties")
            << u"  a ; ;b ;"_s << u";"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("inner blanks stay") << u" C:\\My Files\\a.txt ;b"_s << u";"_s
                                           << QStringList{u"C:\\My Files\\a.txt"_s, u"b"_s};
        QTest::newRow("other separator") << u"a,b;c"_s << u","_s << QStringList{u"a"_s, u"b;c"_s};
    }
    void splitList() {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QStringList, expected);
        QCOMPARE(MailFormat::splitList(text, separator), expected);
    }

    void sendableAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("ok");
        QTest::newRow("plain") << u"admin@korvane.invalid"_s << true;
        QTest::newRow("plus and dots") << u"a.b+c@x.invalid"_s << true;
        QTest::newRow("domain literal") << u"a@[127.0.0.1]"_s << true;
        QTest::newRow("no at") << u"admin"_s << false;
        QTest::newRow("empty local") << u"@x.invalid"_s << false;
        QTest::newRow("empty domain") << u"a@"_s << false;
        QTest::newRow("crlf") << u"a@x.invalid\r\nRCPT TO:<e@x.invalid>"_s << false;
        QTest::newRow("angle") << u"a@x.invalid>"_s << false;
        QTest::newRow("blank") << u"a b@x.invalid"_s << false;
        QTest::newRow("comma") << u"a@x.invalid,b@x.invalid"_s << false;
        QTest::newRow("non-ascii") << u"jörg@x.invalid"_s << false;
    }
    void sendableAddress() {
        QFETCH(QString, address);
        QFETCH(bool, ok);
        QCOMPARE(MailFormat::isSendableAddress(address), ok);
    }

    void pairMailboxes_data() {
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QStringList>("expected"); // "name|address"
        QTest::addColumn<QString>("bad");
        QTest::newRow("by position")
            << u"a@x.invalid;b@x.invalid"_s << u"Alice;Bob"_s
            << QStringList{u"Alice|a@x.invalid"_s, u"Bob|b@x.invalid"_s} << QString();
        QTest::newRow("fewer names")
            << u"a@x.invalid;b@x.invalid"_s << u"Alice"_s
            << QStringList{u"Alice|a@x.invalid"_s, u"|b@x.invalid"_s} << QString();
        QTest::newRow("empty name keeps its place")
            << u"a@x.invalid;b@x.invalid;c@x.invalid"_s << u"A;;C"_s
            << QStringList{u"A|a@x.invalid"_s, u"|b@x.invalid"_s, u"C|c@x.invalid"_s} << QString();
        QTest::newRow("empty address drops its name")
            << u"a@x.invalid;;b@x.invalid"_s << u"A;;B"_s
            << QStringList{u"A|a@x.invalid"_s, u"B|b@x.invalid"_s} << QString();
        QTest::newRow("name in the entry")
            << u"\"Smith, Al\" <a@x.invalid>; Bob <b@x.invalid>"_s << u";Robert"_s
            << QStringList{u"Smith, Al|a@x.invalid"_s, u"Robert|b@x.invalid"_s} << QString();
        QTest::newRow("name with line break")
            << u"a@x.invalid"_s << u"Al\r\nBcc: e@x.invalid"_s
            << QStringList{u"Al Bcc: e@x.invalid|a@x.invalid"_s} << QString();
        QTest::newRow("bad address")
            << u"a@x.invalid; b@x.invalid>\r\nRCPT TO:<e@x.invalid"_s << QString() << QStringList{}
            << u"b@x.invalid>\r\nRCPT TO:<e@x.invalid"_s;
    }
    void pairMailboxes() {
        QFETCH(QString, addresses);
        QFETCH(QString, names);
        QFETCH(QStringList, expected);
        QFETCH(QString, bad);
        QString badEntry;
        const auto boxes = MailFormat::pairMailboxes(addresses, names, u";"_s, &badEntry);
        QCOMPARE(boxes.has_value(), bad.isEmpty());
        QCOMPARE(badEntry, bad);
        if (!boxes)
            return;
        QStringList got;
        for (const Mailbox& box : *boxes)
            got.append(box.name + u'|' + box.address);
        QCOMPARE(got, expected);
    }

    void encodedWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxWord");
        QTest::newRow("latin") << u"Störung auf Gerät Überwachung"_s << 75;
        QTest::newRow("long cjk") << QString(u"服务器没有响应"_s).repeated(20) << 75;
        QTest::newRow("four-byte") << QString(u"a🔥"_s).repeated(40) << 75;
        QTest::newRow("narrow room") << QString(u"ü🔥x"_s).repeated(10) << 20;
        QTest::newRow("room smaller than a character") << u"🔥🔥"_s << 14;
    }
    void encodedWords() {
        QFETCH(QString, text);
        QFETCH(int, maxWord);
        const QList<QByteArray> words = MailFormat::encodedWords(text, maxWord);
        QString joined;
        for (const QByteArray& word : words) {
            if (maxWord >= 16)
                QVERIFY2(word.size() <= maxWord, word.constData());
            const std::optional<QString> piece = decodeWord(word);
            QVERIFY2(piece.has_value(), word.constData()); // whole characters only
            joined += *piece;
        }
        QCOMPARE(joined, text);
    }

    void textHeader_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("exact"); // empty: only the properties are checked
        QTest::newRow("ascii") << u"PC1 is down"_s << QByteArray("Subject: PC1 is down");
        QTest::newRow("empty") << QString() << QByteArray("Subject: ");
        QTest::newRow("line break")
            << u"PC1\r\nBcc: e@x.invalid"_s << QByteArray("Subject: PC1 Bcc: e@x.invalid");
        QTest::newRow("short non-ascii")
            << u"Grüße"_s << QByteArray("Subject: =?UTF-8?B?R3LDvMOfZQ==?=");
        QTest::newRow("looks encoded") << u"=?UTF-8?B?eA==?="_s << QByteArray();
        QTest::newRow("long non-ascii")
            << QString(u"Gerät nicht erreichbar. "_s).repeated(12) << QByteArray();
        QTest::newRow("very long ascii") << QString(u"word "_s).repeated(300) << QByteArray();
    }
    void textHeader() {
        QFETCH(QString, value);
        QFETCH(QByteArray, exact);
        const QByteArray header = MailFormat::textHeader("Subject", value);
        if (!exact.isEmpty())
            QCOMPARE(header, exact);
        QString decoded;
        const QList<QByteArray> lines = headerLines(header);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QByteArray line = lines.at(i);
            if (i + 1 < lines.size()) {
                QVERIFY(line.endsWith('\r'));
                line.chop(1);
            }
            if (i > 0)
                QVERIFY(line.startsWith(' ')); // every break is a fold
            if (header.contains("=?"))
                QVERIFY2(line.size() <= 76, line.constData());
        }
        if (header.contains("=?")) {
            const QByteArray value2 = header.mid(int(qstrlen("Subject:")));
            for (const QByteArray& word : value2.simplified().split(' ')) {
                const auto piece = decodeWord(word);
                QVERIFY2(piece.has_value(), word.constData());
                decoded += *piece;
            }
            QCOMPARE(decoded, MailFormat::oneLine(value));
        }
    }

    void addressHeader_data() {
        QTest::addColumn<QStringList>("boxes"); // "name|address"
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("bare") << QStringList{u"|a@x.invalid"_s} << QByteArray("To: a@x.invalid");
        QTest::newRow("named") << QStringList{u"Korvane Alerts|a@x.invalid"_s}
                               << QByteArray("To: Korvane Alerts <a@x.invalid>");
        QTest::newRow("two") << QStringList{u"A|a@x.invalid"_s, u"|b@x.invalid"_s}
                             << QByteArray("To: A <a@x.invalid>, b@x.invalid");
        QTest::newRow("specials quoted") << QStringList{u"Smith, \"Al\"|a@x.invalid"_s}
                                         << QByteArray("To: \"Smith, \\\"Al\\\"\" <a@x.invalid>");
        QTest::newRow("non-ascii") << QStringList{u"Jörg|j@x.invalid"_s}
                                   << QByteArray("To: =?UTF-8?B?SsO2cmc=?= <j@x.invalid>");
        QTest::newRow("folded")
            << QStringList{u"First Person|first.person@korvane.invalid"_s,
                           u"Second Person|second.person@korvane.invalid"_s}
            << QByteArray("To: First Person <first.person@korvane.invalid>, Second Person\r\n"
                          " <second.person@korvane.invalid>");
    }
    void addressHeader() {
        QFETCH(QStringList, boxes);
        QFETCH(QByteArray, expected);
        QList<Mailbox> list;
        for (const QString& entry : boxes)
            list.append({entry.section(u'|', 0, 0), entry.section(u'|', 1)});
        QCOMPARE(MailFormat::addressHeader("To", list), expected);
    }

    void crlfText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("mixed") << u"a\r\nb\nc\rd"_s << QByteArray("a\r\nb\r\nc\r\nd");
        QTest::newRow("utf-8") << u"ü\n"_s << QByteArray("\xc3\xbc\r\n");
    }
    void crlfText() {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(MailFormat::crlfText(text), expected);
    }

    void quotedPrintable_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plain") << QByteArray("Hello\r\nWorld") << QByteArray("Hello\r\nWorld");
        QTest::newRow("equals and utf-8")
            << QByteArray("a=b \xc3\xbc") << QByteArray("a=3Db =C3=BC");
        QTest::newRow("trailing blanks")
            << QByteArray("end \r\ntab\t") << QByteArray("end=20\r\ntab=09");
        QTest::newRow("long line")
            << QByteArray(80, 'x') << QByteArray(75, 'x') + "=\r\n" + QByteArray(5, 'x');
        QTest::newRow("exactly 76") << QByteArray(76, 'y') << QByteArray(76, 'y');
        QTest::newRow("escape not split")
            << QByteArray(74, 'x') + "=z" << QByteArray(74, 'x') + "=\r\n=3Dz";
        QTest::newRow("dots") << QByteArray(".\r\n..x") << QByteArray(".\r\n..x");
    }
    void quotedPrintable() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        const QByteArray encoded = MailFormat::quotedPrintable(input);
        QCOMPARE(encoded, expected);
        for (const QByteArray& line : encoded.split('\n'))
            QVERIFY(line.size() <= 77); // 76 plus the CR
    }

    void uuencode_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("abc") << QByteArray("abc") << u"a.txt"_s
                             << QByteArray("begin 644 a.txt\r\n#86)C\r\n`\r\nend\r\n");
        QTest::newRow("Cat") << QByteArray("Cat") << u"c"_s
                             << QByteArray("begin 644 c\r\n#0V%T\r\n`\r\nend\r\n");
        QTest::newRow("zero bytes")
            << QByteArray(2, '\0') << u"z"_s << QByteArray("begin 644 z\r\n\"````\r\n`\r\nend\r\n");
        QTest::newRow("empty") << QByteArray() << u"e"_s
                               << QByteArray("begin 644 e\r\n`\r\nend\r\n");
        QTest::newRow("name with line break")
            << QByteArray("abc") << u"x\ny.txt"_s
            << QByteArray("begin 644 x y.txt\r\n#86)C\r\n`\r\nend\r\n");
    }
    void uuencode() {
        QFETCH(QByteArray, data);
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);
        QCOMPARE(MailFormat::uuencode(data, name), expected);
    }

    void uuencodeLineLength() {
        const QByteArray data(100, 'q');
        const QList<QByteArray> lines = MailFormat::uuencode(data, u"q"_s).split('\n');
        // 45 bytes per full line: length character plus 60 symbols.
        QCOMPARE(lines.at(1).at(0), 'M'); // 32 + 45
        QCOMPARE(lines.at(1).size(), 62); // with the CR
        QCOMPARE(lines.at(2).size(), 62);
        QCOMPARE(lines.at(3).at(0), char(32 + 10));
    }

    void attachmentHeaders_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("disposition");
        QTest::addColumn<QByteArray>("type");
        QTest::newRow("ascii") << u"report.txt"_s
                               << QByteArray(
                                      "Content-Disposition: attachment; filename=\"report.txt\"")
                               << QByteArray("text/plain; name=\"report.txt\"");
        QTest::newRow("quote in name")
            << u"a\"b.txt"_s
            << QByteArray("Content-Disposition: attachment; filename=\"a\\\"b.txt\"")
            << QByteArray("text/plain; name=\"a\\\"b.txt\"");
        QTest::newRow("line break in name")
            << u"a\nX-Evil: 1.txt"_s
            << QByteArray("Content-Disposition: attachment; filename=\"a X-Evil: 1.txt\"")
            << QByteArray("text/plain; name=\"a X-Evil: 1.txt\"");
        QTest::newRow("non-ascii") << u"Prüf bericht.csv"_s
                                   << QByteArray("Content-Disposition: attachment;\r\n "
                                                 "filename*0*=UTF-8''Pr%C3%BCf%20bericht.csv")
                                   << QByteArray("text/plain");
        QTest::newRow("long non-ascii")
            << QString(u"ä"_s).repeated(20)
            << QByteArray("Content-Disposition: attachment;\r\n filename*0*=UTF-8''") +
                   QByteArray("%C3%A4").repeated(8) +
                   ";\r\n filename*1*=" + QByteArray("%C3%A4").repeated(10) +
                   ";\r\n filename*2*=" + QByteArray("%C3%A4").repeated(2)
            << QByteArray("text/plain");
    }
    void attachmentHeaders() {
        QFETCH(QString, name);
        QFETCH(QByteArray, disposition);
        QFETCH(QByteArray, type);
        QCOMPARE(MailFormat::attachmentDisposition(name), disposition);
        QCOMPARE(MailFormat::attachmentContentType(u"text/plain"_s, name), type);
    }
};

QTEST_GUILESS_MAIN(TestMailFormat)
#include "tst_mailformat.moc"
