#include "ui/schedule/schedule.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <array>
#include <optional>

#include "data/connection.h"
#include "data/datetext.h"

namespace {

// Runs a statement over a whole table, one row at a time.
class TableScan {
 public:
  TableScan(Connection& connection, const QString& sql)
      : m_connection(connection), m_query(connection.Database()) {
    m_query.setForwardOnly(true);
    if (!m_query.prepare(sql)) throw DataError(connection.Explain(m_query.lastError()));
    connection.Run(m_query);
  }
  ~TableScan() { m_query.finish(); }
  // The next row; false after the last. A step that fails midway (a damaged page, a lost
  // server) throws instead of passing for the end, which would drop the rest silently.
  bool Next() {
    if (m_query.next()) return true;
    if (m_query.lastError().isValid()) throw m_connection.Explain(m_query.lastError());
    return false;
  }
  QString Text(int column) const { return m_query.value(column).toString(); }

 private:
  Connection& m_connection;
  QSqlQuery m_query;
};

// The days of the schedule by month and day, looked up once per date read: no calendar
// arithmetic per row. A month and day falls on at most two days of a window (a window of 366
// days starts and ends on the same month and day); 29 February falls on 28 February in a
// common year.
class Window {
 public:
  Window(const QDate& first, const QDate& last) : m_first(first), m_last(last) {
    for (QDate day = first; day <= last; day = day.addDays(1)) {
      Add(day.month(), day.day(), day);
      if (day.month() == 2 && day.day() == 28 && !QDate::isLeapYear(day.year())) Add(2, 29, day);
    }
  }
  const QDate& First() const { return m_first; }
  const QDate& Last() const { return m_last; }
  // Calls `found` with each day of the window on which the month and day (a real day) falls.
  template <typename F>
  void ForEachOccurrence(int month, int day, F found) const {
    for (const QDate& date : m_days[month][day])
      if (date.isValid()) found(date);
  }

 private:
  void Add(int month, int day, const QDate& date) {
    std::array<QDate, 2>& slot = m_days[month][day];
    (slot[0].isValid() ? slot[1] : slot[0]) = date;
  }
  QDate m_first, m_last;
  std::array<std::array<std::array<QDate, 2>, 32>, 13> m_days;
};

struct Customer {
  QString name, telHome, mobile;
};

// An unreadable date of a policy, waiting for its customer's name.
struct PendingUnreadable {
  QString cid, field, value;
};

QString BirthdayText(const QString& year, const QString& month, const QString& day) {
  return year.isEmpty() ? month + QLatin1Char('/') + day
                        : year + QLatin1Char('/') + month + QLatin1Char('/') + day;
}

}  // namespace

Schedule ReadSchedule(Connection& connection, const QDate& today, int days) {
  Schedule schedule;
  const Window window(today, today.addDays(qMax(days, 1) - 1));
  schedule.first = window.First();
  schedule.last = window.Last();

  // Policies first: they tell which customers' names and telephones are needed.
  std::vector<PendingUnreadable> policyUnreadable;
  QSet<QString> needed;
  {
    TableScan scan(connection,
                   QStringLiteral("select CID, Insur_anniver, Insur_buydate, "
                                  "Insur_company, Insur_type, Insur_num from insurance"));
    while (scan.Next()) {
      const QString anniverText = scan.Text(1);
      const QString buyText = scan.Text(2);
      if (anniverText.isEmpty() && buyText.isEmpty()) continue;
      std::optional<TypedDate> anniver, buy;
      bool bad = false;
      if (!anniverText.trimmed().isEmpty() && !(anniver = ReadTypedDate(anniverText))) bad = true;
      if (!buyText.trimmed().isEmpty() && !(buy = ReadTypedDate(buyText))) bad = true;
      const QString cid = scan.Text(0);
      if (bad) {
        const QString number = scan.Text(5);
        const QString policy =
            number.isEmpty()
                ? QString()
                : QCoreApplication::translate("Schedule", " (Insur_No %1)").arg(number);
        if (!anniverText.trimmed().isEmpty() && !anniver)
          policyUnreadable.push_back(
              {cid, QCoreApplication::translate("Schedule", "Anniversary") + policy, anniverText});
        if (!buyText.trimmed().isEmpty() && !buy)
          policyUnreadable.push_back(
              {cid, QCoreApplication::translate("Schedule", "Effective date") + policy, buyText});
        needed.insert(cid);
      }
      const std::optional<TypedDate>& source = anniver ? anniver : buy;
      if (!source) continue;
      const int startYear = buy && buy->year ? buy->year : source->year;
      window.ForEachOccurrence(source->month, source->day, [&](const QDate& date) {
        // Not an anniversary before the policy has completed a year.
        if (buy && buy->year && date <= QDate(buy->year, buy->month, buy->day)) return;
        ScheduleLine line;
        line.date = date;
        line.kind = ScheduleLine::Kind::Anniversary;
        line.years = startYear ? qMax(date.year() - startYear, 0) : 0;
        line.cid = cid;
        line.insurer = scan.Text(3);
        line.product = scan.Text(4);
        line.policyNumber = scan.Text(5);
        schedule.lines.push_back(std::move(line));
        needed.insert(cid);
      });
    }
  }

  QHash<QString, Customer> customers;
  {
    TableScan scan(connection,
                   QStringLiteral("select CID, Cust_birthyear, Cust_birthmonth, Cust_birthday, "
                                  "Cust_name, Cust_telhome, Cust_cellphone from customer"));
    while (scan.Next()) {
      const QString cid = scan.Text(0);
      // Several customers may share a key; its policies belong to the first of them.
      if (needed.remove(cid)) customers.insert(cid, {scan.Text(4), scan.Text(5), scan.Text(6)});

      const QString monthText = scan.Text(2);
      const QString dayText = scan.Text(3);
      if (monthText.trimmed().isEmpty() && dayText.trimmed().isEmpty()) continue;
      const QString yearText = scan.Text(1);
      const std::optional<int> month = ReadTypedMonth(monthText);
      const std::optional<int> day = ReadTypedDay(dayText);
      std::optional<int> year;
      bool readable = month && day;
      if (!yearText.trimmed().isEmpty()) {
        year = ReadTypedYear(yearText);
        readable = readable && year;
      }
      const bool realDay = month && day && IsRealDay(year.value_or(0), *month, *day);
      if (!readable || !realDay) {
        schedule.unreadable.push_back({scan.Text(4), cid,
                                       QCoreApplication::translate("Schedule", "Birthday"),
                                       BirthdayText(yearText, monthText, dayText)});
      }
      // A birthday whose year alone cannot be read is still listed, without the age.
      if (!realDay) continue;
      window.ForEachOccurrence(*month, *day, [&](const QDate& date) {
        if (year && date.year() - *year < 1) return;  // not born yet
        ScheduleLine line;
        line.date = date;
        line.years = year ? date.year() - *year : 0;
        line.name = scan.Text(4);
        line.cid = cid;
        line.telHome = scan.Text(5);
        line.mobile = scan.Text(6);
        schedule.lines.push_back(std::move(line));
      });
    }
  }

  // Policies take their customer's name and telephones; those of keys without a customer row
  // are not shown.
  std::erase_if(schedule.lines, [&](ScheduleLine& line) {
    if (line.kind != ScheduleLine::Kind::Anniversary) return false;
    const auto it = customers.constFind(line.cid);
    if (it == customers.constEnd()) return true;
    line.name = it->name;
    line.telHome = it->telHome;
    line.mobile = it->mobile;
    return false;
  });
  for (const PendingUnreadable& pending : policyUnreadable) {
    const auto it = customers.constFind(pending.cid);
    if (it != customers.constEnd())
      schedule.unreadable.push_back({it->name, pending.cid, pending.field, pending.value});
  }

  // Sorted through their indexes: hundreds of thousands of lines move once, at the end. The
  // index is the last key, so equal lines keep the order they were read in.
  std::vector<quint32> order(schedule.lines.size());
  for (quint32 i = 0; i < order.size(); ++i) order[i] = i;
  const std::vector<ScheduleLine>& lines = schedule.lines;
  std::sort(order.begin(), order.end(), [&lines](quint32 left, quint32 right) {
    const ScheduleLine& a = lines[left];
    const ScheduleLine& b = lines[right];
    if (a.date != b.date) return a.date < b.date;
    if (a.kind != b.kind) return a.kind < b.kind;
    if (const int c = a.name.compare(b.name)) return c < 0;
    if (const int c = a.cid.compare(b.cid)) return c < 0;
    if (const int c = a.policyNumber.compare(b.policyNumber)) return c < 0;
    return left < right;
  });
  // Position j takes the line at order[j], following each cycle in place (no second copy of
  // the lines).
  std::vector<ScheduleLine>& moved = schedule.lines;
  for (quint32 start = 0; start < order.size(); ++start) {
    if (order[start] == start) continue;
    ScheduleLine held = std::move(moved[start]);
    quint32 j = start;
    for (;;) {
      const quint32 from = order[j];
      order[j] = j;
      if (from == start) {
        moved[j] = std::move(held);
        break;
      }
      moved[j] = std::move(moved[from]);
      j = from;
    }
  }
  std::stable_sort(schedule.unreadable.begin(), schedule.unreadable.end(),
                   [](const UnreadableDate& a, const UnreadableDate& b) {
                     if (a.name != b.name) return a.name < b.name;
                     if (a.cid != b.cid) return a.cid < b.cid;
                     return a.field < b.field;
                   });
  return schedule;
}

QString LineWhat(const ScheduleLine& line) {
  if (line.kind == ScheduleLine::Kind::Birthday) {
    return line.years > 0
               ? QCoreApplication::translate("Schedule", "Birthday (age %1)").arg(line.years)
               : QCoreApplication::translate("Schedule", "Birthday");
  }
  if (line.years <= 0) return QCoreApplication::translate("Schedule", "Anniversary");
  return line.years == 1
             ? QCoreApplication::translate("Schedule", "Anniversary (1 year)")
             : QCoreApplication::translate("Schedule", "Anniversary (%1 years)").arg(line.years);
}

QStringList ScheduleCustomers(const Schedule& schedule) {
  QStringList keys;
  QSet<QString> seen;
  for (const ScheduleLine& line : schedule.lines) {
    if (!seen.contains(line.cid)) {
      seen.insert(line.cid);
      keys << line.cid;
    }
  }
  return keys;
}
