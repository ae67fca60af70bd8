// The mail window's rules and layout helpers on their own: port conversion, the priority list,
// attachment joining, the dialog filters and the arrangement in twips.
#include "mail/MailLayout.h"
#include "mail/MailRules.h"

#include <QTest>

#include <optional>

using namespace Qt::Literals::StringLiterals;

using OptInt = std::optional<int>;
Q_DECLARE_METATYPE(OptInt)

class TestMailRules : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void portFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptInt>("port");
        QTest::newRow("2525") << u"2525"_s << OptInt(2525);
        QTest::newRow("25") << u"25"_s << OptInt(25);
        QTest::newRow("blanks around") << u" 587 "_s << OptInt(587);
        QTest::newRow("plus sign") << u"+25"_s << OptInt(25);
        QTest::newRow("negative") << u"-1"_s << OptInt(-1);
        QTest::newRow("zero") << u"0"_s << OptInt(0);
        QTest::newRow("largest") << u"2147483647"_s << OptInt(2147483647);
        QTest::newRow("smallest") << u"-2147483648"_s << OptInt(-2147483647 - 1);
        QTest::newRow("too large") << u"2147483648"_s << OptInt();
        QTest::newRow("letters") << u"abc"_s << OptInt();
        QTest::newRow("empty") << QString() << OptInt();
        QTest::newRow("blanks only") << u"   "_s << OptInt();
        QTest::newRow("fraction") << u"25.0"_s << OptInt();
        QTest::newRow("trailing letters") << u"2525x"_s << OptInt();
        QTest::newRow("exponent") << u"1e3"_s << OptInt();
        QTest::newRow("sign only") << u"-"_s << OptInt();
        QTest::newRow("blank inside") << u"25 25"_s << OptInt();
    }
    void portFromText() {
        QFETCH(QString, text);
        QFETCH(OptInt, port);
        const std::optional<qint32> got = MailRules::portFromText(text);
        QCOMPARE(got.has_value(), port.has_value());
        if (port)
            QCOMPARE(*got, *port);
    }

    void priorityForIndex_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<OptInt>("priority");
        QTest::newRow("Normal") << 0 << OptInt(3);
        QTest::newRow("High") << 1 << OptInt(1);
        QTest::newRow("Low") << 2 << OptInt(5);
        QTest::newRow("nothing selected") << -1 << OptInt();
        QTest::newRow("past the list") << 3 << OptInt();
    }
    void priorityForIndex() {
        QFETCH(int, index);
        QFETCH(OptInt, priority);
        QCOMPARE(MailRules::priorityForIndex(index), priority);
    }

    void priorityKeyAllowed_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closedList");
        QTest::addColumn<bool>("droppedDown");
        QTest::newRow("Up") << int(Qt::Key_Up) << true << true;
        QTest::newRow("Down") << int(Qt::Key_Down) << true << true;
        QTest::newRow("Tab") << int(Qt::Key_Tab) << true << true;
        QTest::newRow("Backtab") << int(Qt::Key_Backtab) << true << true;
        QTest::newRow("Return") << int(Qt::Key_Return) << false << true;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << false << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << false << true;
        QTest::newRow("Home") << int(Qt::Key_Home) << false << false;
        QTest::newRow("End") << int(Qt::Key_End) << false << false;
        QTest::newRow("PageDown") << int(Qt::Key_PageDown) << false << false;
        QTest::newRow("Space") << int(Qt::Key_Space) << false << false;
        QTest::newRow("letter H") << int(Qt::Key_H) << false << false;
        QTest::newRow("digit 1") << int(Qt::Key_1) << false << false;
        QTest::newRow("F4") << int(Qt::Key_F4) << false << false;
        QTest::newRow("Left") << int(Qt::Key_Left) << false << false;
    }
    void priorityKeyAllowed() {
        QFETCH(int, key);
        QFETCH(bool, closedList);
        QFETCH(bool, droppedDown);
        QCOMPARE(MailRules::priorityKeyAllowed(key, false), closedList);
        QCOMPARE(MailRules::priorityKeyAllowed(key, true), droppedDown);
    }

    void joinAttachments_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("result");
        const QString bs = u"\\"_s;
        QTest::newRow("two files, empty field")
            << QString() << QStringList{u"C:\\Mail"_s, u"a.txt"_s, u"b.txt"_s} << bs
            << u"C:\\Mail\\a.txt;C:\\Mail\\b.txt"_s;
        QTest::newRow("two files after x.doc")
            << u"x.doc"_s << QStringList{u"C:\\Mail"_s, u"a.txt"_s, u"b.txt"_s} << bs
            << u"x.doc;C:\\Mail\\a.txt;C:\\Mail\\b.txt"_s;
        QTest::newRow("drive root gets no second backslash")
            << QString() << QStringList{u"C:\\"_s, u"a.txt"_s, u"b.txt"_s} << bs
            << u"C:\\a.txt;C:\\b.txt"_s;
        QTest::newRow("one file, empty field")
            << QString() << QStringList{u"C:\\Mail\\a.txt"_s} << bs << u"C:\\Mail\\a.txt"_s;
        QTest::newRow("one file after x.doc")
            << u"x.doc"_s << QStringList{u"C:\\Mail\\a.txt"_s} << bs << u"x.doc;C:\\Mail\\a.txt"_s;
        QTest::newRow("native folder")
            << QString() << QStringList{u"/home/admin/mail"_s, u"a.txt"_s, u"b c.txt"_s} << u"/"_s
            << u"/home/admin/mail/a.txt;/home/admin/mail/b c.txt"_s;
        QTest::newRow("native root") << u"x.doc"_s << QStringList{u"/"_s, u"a.txt"_s, u"b.txt"_s}
                                     << u"/"_s << u"x.doc;/a.txt;/b.txt"_s;
        QTest::newRow("folders differ: whole paths")
            << QString() << QStringList{QString(), u"/x/a.txt"_s, u"/y/b.txt"_s} << u"/"_s
            << u"/x/a.txt;/y/b.txt"_s;
        QTest::newRow("nothing picked") << u"x.doc"_s << QStringList{} << u"/"_s << u"x.doc"_s;
    }
    void joinAttachments() {
        QFETCH(QString, current);
        QFETCH(QStringList, parts);
        QFETCH(QString, separator);
        QFETCH(QString, result);
        QCOMPARE(MailRules::joinAttachments(current, parts, separator.at(0)), result);
    }

    void selectionParts_data() {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("one file") << QStringList{u"/tmp/mail/a.txt"_s}
                                  << QStringList{u"/tmp/mail/a.txt"_s};
        QTest::newRow("two files") << QStringList{u"/tmp/mail/a.txt"_s, u"/tmp/mail/b.txt"_s}
                                   << QStringList{u"/tmp/mail"_s, u"a.txt"_s, u"b.txt"_s};
        QTest::newRow("in the root")
            << QStringList{u"/a.txt"_s, u"/b.txt"_s} << QStringList{u"/"_s, u"a.txt"_s, u"b.txt"_s};
        QTest::newRow("two folders") << QStringList{u"/x/a.txt"_s, u"/y/b.txt"_s}
                                     << QStringList{QString(), u"/x/a.txt"_s, u"/y/b.txt"_s};
        QTest::newRow("none") << QStringList{} << QStringList{};
    }
    void selectionParts() {
        QFETCH(QStringList, paths);
        QFETCH(QStringList, parts);
        QCOMPARE(MailRules::selectionParts(paths), parts);
    }

    void dialogNameFilters() {
        const QString filter =
            u"All Files (*.*)|*.*|HTML Files (*.htm;*.html;*.shtml)|*.htm;*.html;*.shtml|Images (*.bmp;*.jpg;*.gif)|*.bmp;*.jpg;*.gif"_s;
        QCOMPARE(MailRules::dialogNameFilters(filter),
                 (QStringList{u"All Files (*)"_s, u"HTML Files (*.htm *.html *.shtml)"_s,
                              u"Images (*.bmp *.jpg *.gif)"_s}));
        QCOMPARE(MailRules::dialogNameFilters(u"Text|*.txt"_s), QStringList{u"Text (*.txt)"_s});
    }

    void centerControlsVertical_data() {
        QTest::addColumn<int>("innerHeight");
        QTest::addColumn<bool>("alignLeft");
        QTest::addColumn<QList<QRect>>("placed");
        QTest::newRow("centred") << 1000 << false
                                 << QList<QRect>{QRect(10, 200, 50, 200), QRect(30, 500, 50, 300)};
        QTest::newRow("odd space rounds down")
            << 1001 << false << QList<QRect>{QRect(10, 200, 50, 200), QRect(30, 500, 50, 300)};
        QTest::newRow("left edges aligned")
            << 1000 << true << QList<QRect>{QRect(10, 200, 50, 200), QRect(10, 500, 50, 300)};
        QTest::newRow("taller than the window")
            << 400 << false << QList<QRect>{QRect(10, -100, 50, 200), QRect(30, 200, 50, 300)};
    }
    void centerControlsVertical() {
        QFETCH(int, innerHeight);
        QFETCH(bool, alignLeft);
        QFETCH(QList<QRect>, placed);
        const QList<QRect> in{QRect(10, 7, 50, 200), QRect(30, 900, 50, 300)};
        QCOMPARE(MailLayout::centerControlsVertical(innerHeight, 100, alignLeft, in), placed);
    }

    void centerControlsHorizontal_data() {
        QTest::addColumn<bool>("alignTop");
        QTest::addColumn<QList<QRect>>("placed");
        QTest::newRow("centred") << false
                                 << QList<QRect>{QRect(200, 5, 100, 20), QRect(600, 50, 200, 20)};
        QTest::newRow("tops aligned")
            << true << QList<QRect>{QRect(200, 5, 100, 20), QRect(600, 5, 200, 20)};
    }
    void centerControlsHorizontal() {
        QFETCH(bool, alignTop);
        QFETCH(QList<QRect>, placed);
        const QList<QRect> in{QRect(0, 5, 100, 20), QRect(999, 50, 200, 20)};
        QCOMPARE(MailLayout::centerControlsHorizontal(1000, 300, alignTop, in), placed);
    }

    void alignControls() {
        const QRect base(100, 70, 400, 40);
        const QList<QRect> in{QRect(5, 6, 7, 8), QRect(50, 60, 70, 80)};
        QCOMPARE(MailLayout::alignControlsTop(false, base, in),
                 (QList<QRect>{QRect(5, 70, 7, 8), QRect(50, 70, 70, 80)}));
        QCOMPARE(MailLayout::alignControlsTop(true, base, in),
                 (QList<QRect>{QRect(5, 70, 7, 40), QRect(50, 70, 70, 40)}));
        QCOMPARE(MailLayout::alignControlsLeft(false, base, in),
                 (QList<QRect>{QRect(100, 6, 7, 8), QRect(100, 60, 70, 80)}));
        QCOMPARE(MailLayout::alignControlsLeft(true, base, in),
                 (QList<QRect>{QRect(100, 6, 400, 8), QRect(100, 60, 400, 80)}));
    }

    void centerControlRelativeVertical_data() {
        QTest::addColumn<QRect>("control");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("label on a text box") << QRect(7, 0, 10, 255) << QRect(7, 1030, 10, 255);
        QTest::newRow("button on a text box") << QRect(7, 0, 10, 375) << QRect(7, 970, 10, 375);
        QTest::newRow("same height") << QRect(7, 3, 10, 315) << QRect(7, 1000, 10, 315);
    }
    void centerControlRelativeVertical() {
        QFETCH(QRect, control);
        QFETCH(QRect, placed);
        QCOMPARE(MailLayout::centerControlRelativeVertical(control, QRect(0, 1000, 4815, 315)),
                 placed);
    }

    void arrangeMailWindow_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("placed");
        // The stack starts at (8655 - 8245) / 2 = 205; the row at (9630 - 9150) / 2 = 240.
        QTest::newRow("txtServer") << u"txtServer"_s << QRect(1875, 205, 4815, 315);
        QTest::newRow("txtPopServer") << u"txtPopServer"_s << QRect(1875, 620, 4815, 315);
        QTest::newRow("txtFromName") << u"txtFromName"_s << QRect(1875, 1035, 4815, 315);
        QTest::newRow("txtFrom") << u"txtFrom"_s << QRect(1875, 1450, 4815, 315);
        QTest::newRow("txtTo") << u"txtTo"_s << QRect(1875, 2280, 4815, 315);
        QTest::newRow("txtSubject") << u"txtSubject"_s << QRect(1875, 3940, 4815, 315);
        QTest::newRow("txtMsg") << u"txtMsg"_s << QRect(1875, 4355, 4815, 1995);
        QTest::newRow("txtAttach") << u"txtAttach"_s << QRect(1875, 6450, 4815, 315);
        QTest::newRow("lstStatus") << u"lstStatus"_s << QRect(1875, 6865, 4815, 1230);
        QTest::newRow("lblProgress") << u"lblProgress"_s << QRect(1875, 8195, 4815, 255);
        QTest::newRow("lblServer") << u"lblServer"_s << QRect(240, 235, 1335, 255);
        QTest::newRow("lblTo") << u"lblTo"_s << QRect(240, 2310, 1335, 255);
        QTest::newRow("lblCC") << u"lblCC"_s << QRect(240, 3140, 1335, 255);
        QTest::newRow("lblMsg") << u"lblMsg"_s << QRect(240, 4355, 1335, 255);
        QTest::newRow("lblStatus") << u"lblStatus"_s << QRect(240, 6865, 1335, 255);
        QTest::newRow("cmdSend") << u"cmdSend"_s << QRect(6990, 175, 2400, 375);
        QTest::newRow("cmdReset") << u"cmdReset"_s << QRect(6990, 590, 2400, 375);
        QTest::newRow("cmdExit") << u"cmdExit"_s << QRect(6990, 1420, 2400, 375);
        QTest::newRow("cmdBrowse") << u"cmdBrowse"_s << QRect(6990, 6420, 2400, 375);
        QTest::newRow("fraOptions") << u"fraOptions"_s << QRect(6990, 2145, 2400, 3555);
        QTest::newRow("not arranged") << u"Other"_s << QRect(1, 2, 3, 4);
    }
    void arrangeMailWindow() {
        QFETCH(QString, name);
        QFETCH(QRect, placed);
        MailLayout::Rects rects;
        const QStringList boxes{u"txtServer"_s, u"txtPopServer"_s, u"txtFromName"_s, u"txtFrom"_s,
                                u"txtToName"_s, u"txtTo"_s,        u"txtCcName"_s,   u"txtCc"_s,
                                u"txtBcc"_s,    u"txtSubject"_s,   u"txtAttach"_s};
        for (const QString& b : boxes)
            rects.insert(b, QRect(0, 0, 4815, 315));
        rects.insert(u"txtMsg"_s, QRect(0, 0, 4815, 1995));
        rects.insert(u"lstStatus"_s, QRect(0, 0, 4815, 1230));
        rects.insert(u"lblProgress"_s, QRect(0, 0, 4815, 255));
        const QStringList labels{
            u"lblServer"_s, u"lblPopServer"_s, u"lblFromName"_s, u"lblFrom"_s, u"lblToName"_s,
            u"lblTo"_s,     u"lblCcName"_s,    u"lblCC"_s,       u"lblBcc"_s,  u"lblSubject"_s,
            u"lblMsg"_s,    u"lblAttach"_s,    u"lblStatus"_s};
        for (const QString& l : labels)
            rects.insert(l, QRect(0, 0, 1335, 255));
        for (const QString& c : {u"cmdSend"_s, u"cmdReset"_s, u"cmdExit"_s, u"cmdBrowse"_s})
            rects.insert(c, QRect(0, 0, 2400, 375));
        rects.insert(u"fraOptions"_s, QRect(0, 0, 2400, 3555));
        rects.insert(u"Other"_s, QRect(1, 2, 3, 4));
        const MailLayout::Rects out = MailLayout::arrangeMailWindow(rects, QSize(9630, 8655));
        QCOMPARE(out.size(), rects.size());
        QCOMPARE(out.value(name), placed);
    }
};

QTEST_GUILESS_MAIN(TestMailRules)
#include "tst_mailrules.moc"
