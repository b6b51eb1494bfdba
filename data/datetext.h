#pragma once

#include <QDate>
#include <QStringView>
#include <optional>

// Dates as agents type them into text columns. Read forms (full-width digits and separators
// count as their ASCII twins, blanks around the text are ignored):
//   2024/5/12  2024-05-12  2024.05.12  20240512       year, month and day
//   113/5/12   113.05.12   1130512     民國113年5月12日  Republic of China years (+ 1911)
//   2024年5月12日                                        year, month and day in Chinese
//   5/12  05-12  5.12  5月12日                          month and day, no year
// A year of one to three digits is a Republic of China year, of four digits a common-era year.
struct TypedDate {
  int year = 0;  // 0: the text gave no year
  int month = 0;
  int day = 0;
};

// The date a text holds, or nothing when it holds none of the forms above or no real day
// (29 February only in a leap year; without a year 29 February is a real day).
std::optional<TypedDate> ReadTypedDate(QStringView text);

// A year typed alone ("1980", "69", "民國69", "69年", "民國69年"): the common-era year.
std::optional<int> ReadTypedYear(QStringView text);

// A month (1-12, "5", "05", "5月") or a day of the month (1-31, "12", "12日") typed alone.
std::optional<int> ReadTypedMonth(QStringView text);
std::optional<int> ReadTypedDay(QStringView text);

// Whether a month and day make a real day: in `year`, or in some year when `year` is 0.
bool IsRealDay(int year, int month, int day);
