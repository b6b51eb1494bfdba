#include <QTest>

#include "data/datetext.h"

// The ways agents type dates, read into year (0 = none), month and day; 0/0/0 = unreadable.
class DateTextTest : public QObject {
  Q_OBJECT
 private slots:
  void reads_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("ymd");
    const auto row = [](const char* name, const QString& text, QList<int> ymd) {
      QTest::newRow(name) << text << ymd;
    };
    row("slashes", "2024/5/12", {2024, 5, 12});
    row("dashes", "2024-05-12", {2024, 5, 12});
    row("dots", "2024.05.12", {2024, 5, 12});
    row("eight digits", "20240512", {2024, 5, 12});
    row("month and day", "5/12", {0, 5, 12});
    row("month-day dashes", "05-12", {0, 5, 12});
    row("ROC slashes", "113/5/12", {2024, 5, 12});
    row("ROC dots", "113.05.12", {2024, 5, 12});
    row("ROC two-digit year", "99/1/2", {2010, 1, 2});
    row("ROC seven digits", "1130512", {2024, 5, 12});
    row("ROC in Chinese", "民國113年5月12日", {2024, 5, 12});
    row("Chinese month and day", "5月12日", {0, 5, 12});
    row("full-width digits", "２０２４／５／１２", {2024, 5, 12});
    row("blanks around", "  2024/5/12 ", {2024, 5, 12});
    row("29 Feb leap year", "2024/2/29", {2024, 2, 29});
    row("29 Feb without year", "2/29", {0, 2, 29});
    row("29 Feb common year", "2023/2/29", {0, 0, 0});
    row("30 Feb", "2/30", {0, 0, 0});
    row("month 13", "2024/13/1", {0, 0, 0});
    row("mixed separators", "2024/05-12", {0, 0, 0});
    row("words", "next spring", {0, 0, 0});
    row("five-digit year", "20245/1/2", {0, 0, 0});
    row("ROC era with common year", "民國2024年5月12日", {0, 0, 0});
    row("trailing text", "2024/5/12x", {0, 0, 0});
    row("empty", "", {0, 0, 0});
  }
  void reads() {
    QFETCH(QString, text);
    QFETCH(QList<int>, ymd);
    const std::optional<TypedDate> date = ReadTypedDate(text);
    const QList<int> got =
        date ? QList<int>{date->year, date->month, date->day} : QList<int>{0, 0, 0};
    QCOMPARE(got, ymd);
  }

  void parts_data() {
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QList<int>>("ymd");  // 0 = that part unreadable
    QTest::newRow("plain") << "1980"
                           << "5"
                           << "12" << QList<int>{1980, 5, 12};
    QTest::newRow("ROC year") << "民國69"
                              << "05"
                              << "12日" << QList<int>{1980, 5, 12};
    QTest::newRow("ROC year with 年") << "69年"
                                      << "5月"
                                      << "1" << QList<int>{1980, 5, 1};
    QTest::newRow("out of range") << "abc"
                                  << "13"
                                  << "32" << QList<int>{0, 0, 0};
  }
  void parts() {
    QFETCH(QString, year);
    QFETCH(QString, month);
    QFETCH(QString, day);
    QFETCH(QList<int>, ymd);
    QCOMPARE((QList<int>{ReadTypedYear(year).value_or(0), ReadTypedMonth(month).value_or(0),
                         ReadTypedDay(day).value_or(0)}),
             ymd);
  }

  void leapDayInCommonYear() {
    QCOMPARE(YearlyOccurrence(2027, 2, 29), QDate(2027, 2, 28));
    QCOMPARE(YearlyOccurrence(2028, 2, 29), QDate(2028, 2, 29));
  }
};

QTEST_GUILESS_MAIN(DateTextTest)
#include "tst_datetext.moc"
