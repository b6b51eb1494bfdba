#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

class Connection;

// One line of the schedule: a customer's birthday or a policy's anniversary on a day of the
// coming days.
struct ScheduleLine {
  enum class Kind { Birthday, Anniversary };
  QDate date;
  Kind kind = Kind::Birthday;
  int years = 0;  // the age reached, or the policy's completed years; 0 when not known
  QString name, cid, telHome, mobile;
  QString insurer, product, policyNumber;  // a policy's only
};

// A date a customer's row or policy holds that cannot be read.
struct UnreadableDate {
  QString name, cid, field, value;
};

struct Schedule {
  QDate first, last;                       // the days covered, both included
  std::vector<ScheduleLine> lines;         // by date, birthdays first, then by name, C_No, policy
  std::vector<UnreadableDate> unreadable;  // by name, C_No, field
};

// Reads the birthdays (Cust_birthyear/month/day) and policy anniversaries (Insur_anniver, or
// Insur_buydate where the anniversary gives no date) that fall on `days` days from `today` on.
// One pass over each table's needed columns; memory only for the lines and unreadable dates
// found. Policies of keys without a customer row are left out. Throws DataError.
Schedule ReadSchedule(Connection& connection, const QDate& today, int days);

// What a line is about: "Birthday (age 40)", "Anniversary (3 years)", or the word alone.
QString LineWhat(const ScheduleLine& line);

// The customers of the schedule, each once, in the order of their first line.
QStringList ScheduleCustomers(const Schedule& schedule);
