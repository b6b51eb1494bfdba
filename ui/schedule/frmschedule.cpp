#include "ui/schedule/frmschedule.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <functional>

#include "data/connection.h"
#include "data/schema.h"
#include "ui/customer/frmcust.h"
#include "ui/listheadings.h"
#include "ui/program/language.h"
#include "ui/program/module1.h"
#include "ui/result/frmsearchresult.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/readonlytable.h"

namespace {

QDate g_today;

const QStringList kLineHeadings{
    QT_TRANSLATE_NOOP("frmSchedule", "Date"),    QT_TRANSLATE_NOOP("frmSchedule", "Weekday"),
    QT_TRANSLATE_NOOP("frmSchedule", "What"),    QT_TRANSLATE_NOOP("frmSchedule", "Name"),
    QT_TRANSLATE_NOOP("frmSchedule", "C_No"),    QT_TRANSLATE_NOOP("frmSchedule", "Tel(H)"),
    QT_TRANSLATE_NOOP("frmSchedule", "Mobile"),  QT_TRANSLATE_NOOP("frmSchedule", "Insurer"),
    QT_TRANSLATE_NOOP("frmSchedule", "Product"), QT_TRANSLATE_NOOP("frmSchedule", "Insur_No")};
const QStringList kUnreadableHeadings{
    QT_TRANSLATE_NOOP("frmSchedule", "Name"), QT_TRANSLATE_NOOP("frmSchedule", "C_No"),
    QT_TRANSLATE_NOOP("frmSchedule", "Field"), QT_TRANSLATE_NOOP("frmSchedule", "Value")};

QString DayText(const QDate& date) {
  return date.toString(QStringLiteral("yyyy/MM/dd"));
}

QString WeekdayText(const QDate& date) {
  return UiLocale().dayName(date.dayOfWeek(), QLocale::ShortFormat);
}

// The window's controls, in the order they are made, in two lines: the days and the period
// above, the tabs below taking the room the window has.
using K = placement::Kind;
using placement::InLine;
using placement::Ming;
// clang-format off
const placement::Control kLayout[] = {
    {K::Caption, "lblDays", nullptr, InLine(0), QT_TRANSLATE_NOOP("frmSchedule", "Days"), Ming(11.25), "spnDays"},
    {K::SpinBox, "spnDays", nullptr, InLine(0), "", Ming(11.25)},
    {K::Label, "lblPeriod", nullptr, InLine(0, 1, 16), "", Ming(11.25)},
    {K::Button, "cmdExit", nullptr, InLine(0), QT_TRANSLATE_NOOP("frmSchedule", "Exit"), Ming(12)},
    {K::Tabs, "tabSchedule", nullptr, InLine(1, 1), "", Ming(12)},
    {K::Table, "grdSchedule", "tabSchedule", {}, QT_TRANSLATE_NOOP("frmSchedule", "Schedule"), Ming(12)},
    {K::Table, "grdUnreadable", "tabSchedule", {}, QT_TRANSLATE_NOOP("frmSchedule", "Unreadable"), Ming(12)},
};
// clang-format on

}  // namespace

QDate frmSchedule::Today() {
  return g_today.isValid() ? g_today : QDate::currentDate();
}

void frmSchedule::SetToday(const QDate& day) {
  g_today = day;
}

frmSchedule::frmSchedule() {
  setObjectName(QStringLiteral("frmSchedule"));
  setWindowTitle(tr("SCHEDULE"));
  setWindowIcon(SvgIcon(QStringLiteral("schedule")));
  resize(1200, 620);

  FETCH_CONTROLS(placement::Place(this, kLayout), lblDays, spnDays, lblPeriod, cmdExit, tabSchedule,
                 grdSchedule, grdUnreadable);
  spnDays->setRange(1, 366);
  spnDays->setValue(30);
  // Read again once the number is complete, not at every digit typed.
  spnDays->setKeyboardTracking(false);
  lblPeriod->setAccessibleDescription(tr("Period"));

  m_lines = new LazyTableModel(
      TranslatedHeadings(kLineHeadings, "frmSchedule"),
      [this](int row, int column) -> QString {
        const ScheduleLine& line = m_schedule.lines[size_t(row)];
        switch (column) {
          case 0:
            return DayText(line.date);
          case 1:
            return WeekdayText(line.date);
          case 2:
            return LineWhat(line);
          case 3:
            return line.name;
          case 4:
            return line.cid;
          case 5:
            return line.telHome;
          case 6:
            return line.mobile;
          case 7:
            return line.insurer;
          case 8:
            return line.product;
          default:
            return line.policyNumber;
        }
      },
      this);
  m_unreadable = new LazyTableModel(
      TranslatedHeadings(kUnreadableHeadings, "frmSchedule"),
      [this](int row, int column) -> QString {
        const UnreadableDate& entry = m_schedule.unreadable[size_t(row)];
        switch (column) {
          case 0:
            return entry.name;
          case 1:
            return entry.cid;
          case 2:
            return entry.field;
          default:
            return entry.value;
        }
      },
      this);

  ShowReadOnly(grdSchedule, m_lines,
               {"2026/12/31", "Wed", "Anniversary (10 years)", "Chen Mei-ling", "A0000001",
                "02-2345-6789", "0912-345-678", "青松人壽 Life", "終身壽險 Term", "P000000000"});
  ShowReadOnly(
      grdUnreadable, m_unreadable,
      {"Chen Mei-ling", "A0000001", "Effective date (Insur_No P000000000)", "民國113年5月12日"});

  OnEvent(spnDays, &QSpinBox::valueChanged, this, [this] { Refresh(); });
  OnEvent(grdSchedule, &QTableView::activated, this,
          [this](const QModelIndex& index) { grdSchedule_Activated(index.row()); });
  OnEvent(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
}

frmSchedule::~frmSchedule() = default;

void frmSchedule::Form_Load() {
  Refresh();
}

void frmSchedule::Refresh() {
  // A connection of its own, open only while reading, as the search window keeps one.
  Schedule schedule;
  try {
    Connection connection;
    OpenDatabase(connection, kDatabaseFile);
    schedule = ReadSchedule(connection, Today(), spnDays->value());
  } catch (const DataError& error) {
    // The file could not be read now (another program holds it locked): the window keeps what
    // it listed and says why.
    MsgBox(error.message());
    return;
  }

  m_schedule = std::move(schedule);
  m_lines->Reset(int(m_schedule.lines.size()));
  m_unreadable->Reset(int(m_schedule.unreadable.size()));
  const QString period = tr("%1 (%2) to %3 (%4)")
                             .arg(DayText(m_schedule.first), WeekdayText(m_schedule.first),
                                  DayText(m_schedule.last), WeekdayText(m_schedule.last));
  lblPeriod->setText(period);
  lblPeriod->setAccessibleName(period);
  tabSchedule->setTabText(0, tr("Schedule (%1)").arg(m_schedule.lines.size()));
  tabSchedule->setTabText(1, tr("Unreadable (%1)").arg(m_schedule.unreadable.size()));
}

void frmSchedule::grdSchedule_Activated(int row) {
  if (row < 0 || row >= int(m_schedule.lines.size())) return;
  const QStringList keys = ScheduleCustomers(m_schedule);
  const int position = int(keys.indexOf(m_schedule.lines[size_t(row)].cid)) + 1;

  // The result window replaces the program-wide record sets, which the customer window must
  // not keep working on: it closes, as it does for a search, and comes back with Exit.
  ::Unload<frmCust>();
  frmSearchResult::ShowKeys(KeyList(keys), frmSearchResult::Source::Schedule, position);
}

void frmSchedule::cmdExit_Click() {
  // The result window goes first, so the customer window never shares the record sets with it.
  ::Unload<frmSearchResult>();
  // The customer window first: should the database be out of reach, this window stays.
  Show<frmCust>();
  Unload();
}

void frmSchedule::QueryClose() {
  cmdExit_Click();
}
