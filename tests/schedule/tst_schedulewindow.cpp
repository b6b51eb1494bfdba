#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include "support/testsupport.h"
#include "ui/customer/frmcust.h"
#include "ui/program/module1.h"
#include "ui/result/frmsearchresult.h"
#include "ui/schedule/frmschedule.h"
#include "ui/toolkit/keyedtoolbar.h"

namespace {

template <size_t N>
QVariantList Bound(const char* const (&row)[N]) {
  QVariantList values;
  for (const char* text : row) values << QString::fromUtf8(text);
  return values;
}

void Fill() {
  CreateDatabase();
  const char* customers[][7] = {{"王小明", "K1", "1980", "12", "25", "02-1", "09-1"},
                                {"Chen", "K2", "民國90", "1", "5", "", "09-2"},
                                {"Leap", "K3", "2000", "2", "29", "", ""},
                                {"NoYear", "K4", "", "12", "21", "", ""},
                                {"Bad", "K5", "1980", "2", "30", "", ""},
                                {"Future", "K6", "2030", "12", "22", "", ""},
                                {"林", "K7", "民國69", "1月", "１０", "", ""}};
  for (const auto& row : customers)
    Sql("insert into customer (Cust_name, CID, Cust_birthyear, Cust_birthmonth, Cust_birthday, "
        "Cust_telhome, Cust_cellphone) values (?, ?, ?, ?, ?, ?, ?)",
        Bound(row));
  const char* policies[][6] = {
      {"K1", "青松人壽", "終身壽險", "P1", "2015/12/22", ""},
      {"K1", "Pinegrove", "Term", "P0", "2026/12/23", ""},  // from this year
      {"K2", "Pinegrove", "Term", "P2", "2020/01/02", "1/3"},
      {"K4", "Harborlight", "Health", "P3", "113.12.30", ""},
      {"K5", "Riverbend", "Annuity", "P5", "someday", ""},
      {"K9", "Orphan", "Life", "P9", "2020/12/24", ""}};  // no customer
  for (const auto& row : policies)
    Sql("insert into insurance (CID, Insur_company, Insur_type, Insur_num, Insur_buydate, "
        "Insur_anniver) values (?, ?, ?, ?, ?, ?)",
        Bound(row));
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
               "2026/12/22|Tue|Anniversary (11 years)|王小明|K1|02-1|09-1|青松人壽|終身壽險|P1",
               "2026/12/25|Fri|Birthday (age 46)|王小明|K1|02-1|09-1|||",
               "2026/12/30|Wed|Anniversary (2 years)|NoYear|K4|||Harborlight|Health|P3",
               "2027/01/03|Sun|Anniversary (7 years)|Chen|K2||09-2|Pinegrove|Term|P2",
               "2027/01/05|Tue|Birthday (age 26)|Chen|K2||09-2|||",
               "2027/01/10|Sun|Birthday (age 47)|林|K7|||||"};
    QTest::newRow("29 February in a common year")
        << QDate(2027, 2, 27) << 3 << QStringList{"2027/02/28|Sun|Birthday (age 27)|Leap|K3|||||"};
    QTest::newRow("the last day asked for")
        << QDate(2027, 2, 26) << 3 << QStringList{"2027/02/28|Sun|Birthday (age 27)|Leap|K3|||||"};
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
  // K2, K7 in line order); the result's Exit comes back to the schedule, whose Exit brings back the
  // customer window.
  void openLine_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<QStringList>("shown");  // name, position, total
    QTest::newRow("double click") << 2 << true << QStringList{"王小明", "2", "4"};
    QTest::newRow("Enter") << 5 << false << QStringList{"Chen", "3", "4"};
  }
  void openLine() {
    QFETCH(int, row);
    QFETCH(bool, doubleClick);
    QFETCH(QStringList, shown);
    TestEnv env;
    Fill();
    frmSchedule* schedule = OpenSchedule(QDate(2026, 12, 20), 30);
    QTableView* view = schedule->grdSchedule;
    const QPoint cell = view->visualRect(view->model()->index(row, 3)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    if (doubleClick)
      QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
    else
      QTest::keyClick(view, Qt::Key_Enter);
    frmSearchResult* result = Loaded<frmSearchResult>();
    QVERIFY(result);
    QCOMPARE((QStringList{result->lblName->text(), result->lblCurrent->text(),
                          result->lblTotal->text()}),
             shown);
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
