#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include "app/module1.h"
#include "support/testsupport.h"
#include "ui/customer/frmcust.h"
#include "ui/result/frmsearchresult.h"
#include "ui/schedule/frmschedule.h"
#include "ui/toolkit/keyedtoolbar.h"

namespace {

// Birthdays: name, key, year, month, day, home and mobile telephone.
void Customer(const char* name, const char* cid, const char* year, const char* month,
              const char* day, const char* tel = "", const char* mobile = "") {
  InsertCustomer(QString::fromUtf8(cid), {{"Cust_name", QString::fromUtf8(name)},
                                          {"Cust_birthyear", QString::fromUtf8(year)},
                                          {"Cust_birthmonth", QString(month)},
                                          {"Cust_birthday", QString(day)},
                                          {"Cust_telhome", QString(tel)},
                                          {"Cust_cellphone", QString(mobile)}});
}

// A policy: insurer, product, number, effective date, anniversary.
void Policy(const char* cid, const char* insurer, const char* product, const char* number,
            const char* buydate, const char* anniver) {
  InsertChild(
      "insurance", cid,
      {QString::fromUtf8(insurer), QString::fromUtf8(product), Value(), Value(), QString(number),
       Value(), Value(), Value(), Value(), QString::fromUtf8(buydate), QString::fromUtf8(anniver)});
}

void Fill() {
  CreateDatabase();
  Customer("王小明", "K1", "1980", "12", "25", "02-1", "09-1");
  Customer("Chen", "K2", "民國90", "1", "5", "", "09-2");
  Customer("Leap", "K3", "2000", "2", "29");
  Customer("NoYear", "K4", "", "12", "21");
  Customer("Bad", "K5", "1980", "2", "30");
  Customer("Future", "K6", "2030", "12", "22");
  Policy("K1", "國泰人壽", "終身壽險", "P1", "2015/12/22", "");
  Policy("K1", "Fubon", "Term", "P0", "2026/12/23", "");  // in force from this year on
  Policy("K2", "Fubon", "Term", "P2", "2020/01/02", "1/3");
  Policy("K4", "AIA", "Health", "P3", "113.12.30", "");
  Policy("K5", "Allianz", "Annuity", "P5", "someday", "");
  Policy("K9", "Orphan", "Life", "P9", "2020/12/24", "");  // no customer row
}

QStringList Lines(QTableView* view) {
  QStringList lines;
  for (int row = 0; row < view->model()->rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < view->model()->columnCount(); ++column)
      cells << view->model()->index(row, column).data().toString();
    lines << cells.join(QLatin1Char('|'));
  }
  return lines;
}

// Opens the schedule from the customer window's toolbar for `days` days from `today`.
frmSchedule* OpenSchedule(const QDate& today, int days) {
  frmSchedule::SetToday(today);
  Show<frmCust>()->Toolbar1->Press(QStringLiteral("schedule"));
  frmSchedule* schedule = Loaded<frmSchedule>();
  schedule->spnDays->setFocus();
  schedule->spnDays->selectAll();
  QTest::keyClicks(schedule->spnDays, QString::number(days));
  QTest::keyClick(schedule->spnDays, Qt::Key_Enter);
  return schedule;
}

}  // namespace

class ScheduleWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void lines_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("days");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("30 days over the year end")
        << QDate(2026, 12, 20) << 30
        << QStringList{
               "2026/12/21|Mon|Birthday|NoYear|K4|||||",
               "2026/12/22|Tue|Anniversary (11 years)|王小明|K1|02-1|09-1|國泰人壽|終身壽險|P1",
               "2026/12/25|Fri|Birthday (age 46)|王小明|K1|02-1|09-1|||",
               "2026/12/30|Wed|Anniversary (2 years)|NoYear|K4|||AIA|Health|P3",
               "2027/01/03|Sun|Anniversary (7 years)|Chen|K2||09-2|Fubon|Term|P2",
               "2027/01/05|Tue|Birthday (age 26)|Chen|K2||09-2|||"};
    QTest::newRow("29 February in a common year")
        << QDate(2027, 2, 27) << 3 << QStringList{"2027/02/28|Sun|Birthday (age 27)|Leap|K3|||||"};
    QTest::newRow("one day") << QDate(2026, 12, 25) << 1
                             << QStringList{
                                    "2026/12/25|Fri|Birthday (age 46)|王小明|K1|02-1|09-1|||"};
  }
  void lines() {
    QFETCH(QDate, today);
    QFETCH(int, days);
    QFETCH(QStringList, lines);
    TestEnv env;
    Fill();
    frmSchedule* schedule = OpenSchedule(today, days);
    QCOMPARE(schedule->windowTitle(), QStringLiteral("SCHEDULE"));
    QCOMPARE(Lines(schedule->grdSchedule), lines);
    QCOMPARE(
        Lines(schedule->grdUnreadable),
        (QStringList{"Bad|K5|Birthday|1980/2/30", "Bad|K5|Effective date (Insur_No P5)|someday"}));
  }

  // A line opens its customer in the result window among the schedule's customers (K4, K1,
  // K2 in line order); the result's Exit comes back to the schedule, whose Exit brings back the
  // customer window.
  void openLine_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("position");
    QTest::newRow("double click") << 2 << true << "王小明"
                                  << "2";
    QTest::newRow("Enter") << 5 << false << "Chen"
                           << "3";
    QTest::newRow("first line") << 0 << true << "NoYear"
                                << "1";
  }
  void openLine() {
    QFETCH(int, row);
    QFETCH(bool, doubleClick);
    QFETCH(QString, name);
    QFETCH(QString, position);
    TestEnv env;
    Fill();
    frmSchedule* schedule = OpenSchedule(QDate(2026, 12, 20), 30);
    QTableView* view = schedule->grdSchedule;
    const QRect cell = view->visualRect(view->model()->index(row, 3));
    if (doubleClick) {
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
      QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
      QTest::keyClick(view, Qt::Key_Enter);
    }
    frmSearchResult* result = Loaded<frmSearchResult>();
    QVERIFY(result);
    QCOMPARE(result->lblName->text(), name);
    QCOMPARE(result->lblCurrent->text(), position);
    QCOMPARE(result->lblTotal->text(), QStringLiteral("3"));
    QVERIFY(!Loaded<frmCust>());

    ClickButton(result->cmdExit);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!Loaded<frmSearchResult>());
    QCOMPARE(Loaded<frmSchedule>(), schedule);
    ClickButton(schedule->cmdExit);
    QVERIFY(!Loaded<frmSchedule>());
    QVERIFY(Loaded<frmCust>());
    QCOMPARE(env.ended, 0);
    QCOMPARE(env.fatalStatus, 0);
  }
};

QTEST_MAIN(ScheduleWindowTest)
#include "tst_schedulewindow.moc"
