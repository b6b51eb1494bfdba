#include <QTest>

#include "data/datetext.h"

// The ways agents type dates: year (0 = none), month and day, or "-" when unreadable.
class DateTextTest : public QObject {
  Q_OBJECT
 private slots:
  void reads_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("date");
    const char* rows[][3] = {
        {"slashes", "2024/5/12", "2024-5-12"},
        {"dashes", "2024-05-12", "2024-5-12"},
        {"dots", "2024.05.12", "2024-5-12"},
        {"eight digits", "20240512", "2024-5-12"},
        {"month and day", "5/12", "0-5-12"},
        {"month-day dashes", "05-12", "0-5-12"},
        {"ROC slashes", "113/5/12", "2024-5-12"},
        {"ROC dots", "113.05.12", "2024-5-12"},
        {"ROC seven digits", "1130512", "2024-5-12"},
        {"ROC in Chinese", "民國113年5月12日", "2024-5-12"},
        {"Chinese month and day", "5月12日", "0-5-12"},
        {"full-width, blanks", " ２０２４／５／１２ ", "2024-5-12"},
        {"29 Feb leap year", "2024/2/29", "2024-2-29"},
        {"29 Feb without year", "2/29", "0-2-29"},
        {"29 Feb common year", "2023/2/29", "-"},
        {"month 13", "2024/13/1", "-"},
        {"mixed separators", "2024/05-12", "-"},
        {"words", "next spring", "-"},
        {"ROC era, common year", "民國2024年5月12日", "-"},
        {"trailing text", "2024/5/12x", "-"},
    };
    for (const auto& row : rows) QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << row[2];
  }
  void reads() {
    QFETCH(QString, text);
    QFETCH(QString, date);
    const std::optional<TypedDate> read = ReadTypedDate(text);
    QCOMPARE(read ? QStringLiteral("%1-%2-%3").arg(read->year).arg(read->month).arg(read->day)
                  : QStringLiteral("-"),
             date);
  }

  // Every month and day (0 to 13, 0 to 32) in each form: read as that date exactly when the
  // calendar has that day (in that year, or in a leap year when no year is given), so that no
  // impossible date such as 4/31 or 2/30 passes for a real one and drops out of the list of
  // unreadable dates. %M and %D stand for the month and day, %0M and %0D for them with two
  // digits.
  void everyDayOfTheCalendar_data() {
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("year");  // of the form, 0 for none
    QTest::newRow("slashes, common year") << "2023/%M/%D" << 2023;
    QTest::newRow("dashes, leap year") << "2024-%0M-%0D" << 2024;
    QTest::newRow("dots, century not leap") << "1900.%0M.%0D" << 1900;
    QTest::newRow("eight digits") << "2023%0M%0D" << 2023;
    QTest::newRow("ROC slashes") << "112/%M/%D" << 2023;
    QTest::newRow("ROC seven digits") << "113%0M%0D" << 2024;
    QTest::newRow("ROC in Chinese") << "民國112年%M月%D日" << 2023;
    QTest::newRow("month and day") << "%M/%D" << 0;
    QTest::newRow("month and day in Chinese") << "%M月%D日" << 0;
    QTest::newRow("birthday boxes, with year") << "boxes" << 2023;
    QTest::newRow("birthday boxes, no year") << "boxes" << 0;
  }
  void everyDayOfTheCalendar() {
    QFETCH(QString, form);
    QFETCH(int, year);
    for (int month = 0; month <= 13; ++month) {
      for (int day = 0; day <= 32; ++day) {
        const bool real = QDate(year ? year : 2024, qMax(month, 1), qMax(day, 1)).isValid() &&
                          month >= 1 && month <= 12 && day >= 1;
        const QString text = QString(form)
                                 .replace("%0M", QStringLiteral("%1").arg(month, 2, 10, QChar('0')))
                                 .replace("%0D", QStringLiteral("%1").arg(day, 2, 10, QChar('0')))
                                 .replace("%M", QString::number(month))
                                 .replace("%D", QString::number(day));
        QString read = "-";
        if (form == "boxes") {
          // The schedule's birthday: the month and day boxes, then whether that day is real.
          const auto m = ReadTypedMonth(QString::number(month));
          const auto d = ReadTypedDay(QString::number(day));
          if (m && d && IsRealDay(year, *m, *d))
            read = QStringLiteral("%1-%2-%3").arg(year).arg(*m).arg(*d);
        } else if (const auto date = ReadTypedDate(text)) {
          read = QStringLiteral("%1-%2-%3").arg(date->year).arg(date->month).arg(date->day);
        }
        const QString wanted =
            real ? QStringLiteral("%1-%2-%3").arg(year).arg(month).arg(day) : QStringLiteral("-");
        QVERIFY2(read == wanted, qPrintable(QStringLiteral("%1 (%2/%3) read as %4, not %5")
                                                .arg(text)
                                                .arg(month)
                                                .arg(day)
                                                .arg(read, wanted)));
      }
    }
  }
};

QTEST_GUILESS_MAIN(DateTextTest)
#include "tst_datetext.moc"
