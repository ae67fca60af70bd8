// The settings windows' rules on their own: trimming, the numeric test, the order of the
// checks, the Yes/No pairs and the wording of database failures.
#include "settings/SettingsRules.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using SettingsRules::IntervalProblem;
using SettingsRules::PairAction;

class TestSettingsRules : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void trimBlanks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("nothing to trim") << u"smtp.x.invalid"_s << u"smtp.x.invalid"_s;
        QTest::newRow("both ends") << u"  smtp.x.invalid   "_s << u"smtp.x.invalid"_s;
        QTest::newRow("inside kept") << u" Korvane  Alerts "_s << u"Korvane  Alerts"_s;
        QTest::newRow("blanks only") << u"    "_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("tab is not a blank") << u"\t5 "_s << u"\t5"_s;
    }
    void trimBlanks() {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(SettingsRules::trimBlanks(text), trimmed);
    }

    void isNumericText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("5") << u"5"_s << true;
        QTest::newRow("99") << u"99"_s << true;
        QTest::newRow("leading blank") << u" 5"_s << true;
        QTest::newRow("trailing blank") << u"5 "_s << true;
        QTest::newRow("1.") << u"1."_s << true;
        QTest::newRow(".5") << u".5"_s << true;
        QTest::newRow("-1") << u"-1"_s << true;
        QTest::newRow("+1") << u"+1"_s << true;
        QTest::newRow("0") << u"0"_s << true;
        QTest::newRow("letter") << u"a"_s << false;
        QTest::newRow("digit and letter") << u"1a"_s << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blank") << u" "_s << false;
        QTest::newRow("point only") << u"."_s << false;
        QTest::newRow("sign only") << u"-"_s << false;
        QTest::newRow("two points") << u"1.2.3"_s << false;
        QTest::newRow("blank inside") << u"1 2"_s << false;
        QTest::newRow("blank after sign") << u"- 1"_s << false;
        QTest::newRow("sign at the end") << u"1-"_s << false;
    }
    void isNumericText() {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(SettingsRules::isNumericText(text), numeric);
    }

    void checkIntervals_data() {
        QTest::addColumn<QString>("ping");
        QTest::addColumn<QString>("services");
        QTest::addColumn<IntervalProblem>("problem");
        QTest::addColumn<int>("field");
        QTest::addColumn<bool>("emptied");
        QTest::newRow("both empty")
            << QString() << QString() << IntervalProblem::PingEmpty << 0 << false;
        QTest::newRow("services empty")
            << u"5"_s << QString() << IntervalProblem::ServicesEmpty << 1 << false;
        QTest::newRow("empty services before a letter")
            << u"a"_s << QString() << IntervalProblem::ServicesEmpty << 1 << false;
        QTest::newRow("both letters")
            << u"a"_s << u"b"_s << IntervalProblem::PingNotNumber << 0 << true;
        QTest::newRow("services letter")
            << u"5"_s << u"b"_s << IntervalProblem::ServicesNotNumber << 1 << true;
        QTest::newRow("services blank")
            << u"5"_s << u" "_s << IntervalProblem::ServicesNotNumber << 1 << true;
        QTest::newRow("number tests before points")
            << u"1."_s << u"a"_s << IntervalProblem::ServicesNotNumber << 1 << true;
        QTest::newRow("ping 1.") << u"1."_s << u"5"_s << IntervalProblem::PingHasPoint << 0 << true;
        QTest::newRow("ping .5") << u".5"_s << u"5"_s << IntervalProblem::PingHasPoint << 0 << true;
        QTest::newRow("services 1.")
            << u"5"_s << u"1."_s << IntervalProblem::ServicesHasPoint << 1 << true;
        QTest::newRow("ping 0") << u"0"_s << u"5"_s << IntervalProblem::PingNotPositive << 0
                                << true;
        QTest::newRow("ping -1") << u"-1"_s << u"5"_s << IntervalProblem::PingNotPositive << 0
                                 << true;
        QTest::newRow("ping 0 before services 0")
            << u"0"_s << u"0"_s << IntervalProblem::PingNotPositive << 0 << true;
        QTest::newRow("services 0")
            << u"5"_s << u"0"_s << IntervalProblem::ServicesNotPositive << 1 << true;
        QTest::newRow("services -5")
            << u"5"_s << u"-5"_s << IntervalProblem::ServicesNotPositive << 1 << true;
        QTest::newRow("services with a blank")
            << u"5"_s << u" 5"_s << IntervalProblem::None << 0 << false;
        QTest::newRow("plus sign") << u"+1"_s << u"99"_s << IntervalProblem::None << 0 << false;
        QTest::newRow("1 and 99") << u"1"_s << u"99"_s << IntervalProblem::None << 0 << false;
    }
    void checkIntervals() {
        QFETCH(QString, ping);
        QFETCH(QString, services);
        QFETCH(IntervalProblem, problem);
        QFETCH(int, field);
        QFETCH(bool, emptied);
        QCOMPARE(SettingsRules::checkIntervals(ping, services), problem);
        QCOMPARE(SettingsRules::fieldOf(problem), field);
        QCOMPARE(SettingsRules::emptiesField(problem), emptied);
    }

    void firstEmptyEmailField_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("index");
        const QStringList full{u"s"_s, u"u"_s, u"p"_s, u"f"_s, u"n"_s, u"25"_s};
        QTest::newRow("all filled") << full << -1;
        QTest::newRow("all empty") << QStringList(6) << 0;
        for (int i = 0; i < 6; ++i) {
            QStringList one = full;
            one[i].clear();
            QTest::addRow("field %d empty", i) << one << i;
        }
        QStringList lastTwo = full;
        lastTwo[4].clear();
        lastTwo[5].clear();
        QTest::newRow("first of two") << lastTwo << 4;
    }
    void firstEmptyEmailField() {
        QFETCH(QStringList, values);
        QFETCH(int, index);
        QCOMPARE(SettingsRules::firstEmptyEmailField(values), index);
    }

    void yesNoPairClick_data() {
        QTest::addColumn<bool>("boxChecked");
        QTest::addColumn<bool>("partnerChecked");
        QTest::addColumn<PairAction>("action");
        QTest::newRow("checked, partner on") << true << true << PairAction::UncheckPartner;
        QTest::newRow("checked, partner off") << true << false << PairAction::UncheckPartner;
        QTest::newRow("unchecked alone") << false << false << PairAction::CheckAgain;
        QTest::newRow("unchecked by partner") << false << true << PairAction::Nothing;
    }
    void yesNoPairClick() {
        QFETCH(bool, boxChecked);
        QFETCH(bool, partnerChecked);
        QFETCH(PairAction, action);
        QCOMPARE(SettingsRules::yesNoPairClick(boxChecked, partnerChecked), action);
    }

    void databaseFailureReason_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("reason");
        QTest::newRow("none") << int(DbError::None) << QString() << QString();
        QTest::newRow("wrong password") << int(DbError::WrongPassword) << u"x"_s
                                        << u"the database file was made with another password"_s;
        QTest::newRow("bad database")
            << int(DbError::BadDatabase) << u"x"_s
            << u"the database file is damaged or is not a Korvane database"_s;
        QTest::newRow("file not found")
            << int(DbError::FileNotFound) << u"x"_s
            << u"the database file is missing, unreadable or in use by another program"_s;
        QTest::newRow("row missing")
            << int(DbError::NoCurrentRecord) << u"the Settings row is missing"_s
            << u"the Settings row is missing"_s;
        QTest::newRow("other") << int(DbError::Other) << u"disk I/O error"_s << u"disk I/O error"_s;
        QTest::newRow("other without words")
            << int(DbError::Other) << QString() << u"unknown database error"_s;
    }
    void databaseFailureReason() {
        QFETCH(int, error);
        QFETCH(QString, detail);
        QFETCH(QString, reason);
        QCOMPARE(SettingsRules::databaseFailureReason(DbStatus::failure(DbError(error), detail)),
                 reason);
    }
};

QTEST_GUILESS_MAIN(TestSettingsRules)
#include "tst_settingsrules.moc"
