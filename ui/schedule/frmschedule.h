#pragma once

#include <QDate>
#include <QStringList>
#include <memory>

#include "ui/schedule/schedule.h"
#include "ui/toolkit/form.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class LazyTableModel;

// The schedule window: the customers' birthdays and policy anniversaries of the coming days,
// and the dates that cannot be read. A line opens its customer in the result window.
class frmSchedule : public Form {
  Q_OBJECT
 public:
  frmSchedule();
  ~frmSchedule() override;

  QLabel* lblDays;
  QSpinBox* spnDays;
  QLabel* lblPeriod;
  QPushButton* cmdExit;
  QTabWidget* tabSchedule;
  QTableView* grdSchedule;
  QTableView* grdUnreadable;

  // What the window lists now.
  const Schedule& Shown() const { return m_schedule; }

  // Reads the schedule again for the days in the spin box.
  void Refresh();
  // Shows the customer of a line in the result window, with the schedule's customers as the
  // result.
  void grdSchedule_Activated(int row);
  void cmdExit_Click();

  // The day the schedule starts: today's date, unless tests fixed another (an invalid date
  // gives today back).
  static QDate Today();
  static void SetToday(const QDate& day);

 protected:
  void Form_Load() override;
  void QueryClose() override;

 private:
  Schedule m_schedule;
  LazyTableModel* m_lines;
  LazyTableModel* m_unreadable;
};
