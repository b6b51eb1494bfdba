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
};

QTEST_GUILESS_MAIN(DateTextTest)
#include "tst_datetext.moc"
