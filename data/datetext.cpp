#include "data/datetext.h"

#include <QString>

namespace {

const QChar kYearMark(u'年');
const QChar kMonthMark(u'月');
const QChar kDayMark(u'日');

// The text without surrounding blanks and with full-width digits and separators as ASCII.
// Plain ASCII text (nearly every value) is only trimmed, without a copy.
class Normal {
 public:
  explicit Normal(QStringView text) {
    for (QChar c : text) {
      if (c.unicode() >= 0x80) {
        m_copy = text.toString().normalized(QString::NormalizationForm_KC);
        m_view = QStringView(m_copy).trimmed();
        return;
      }
    }
    m_view = text.trimmed();
  }
  QStringView view() const& { return m_view; }
  // A view of a temporary's copy would outlive the copy.
  QStringView view() const&& = delete;

 private:
  QString m_copy;
  QStringView m_view;
};

// Drops the "Republic of China" era name in front of a year; tells whether it was there.
bool TakeEra(QStringView& text) {
  for (QStringView era : {QStringView(u"民國"), QStringView(u"民国")}) {
    if (text.startsWith(era)) {
      text = text.mid(era.size()).trimmed();
      return true;
    }
  }
  return false;
}

// The value of a run of ASCII digits (at most 8), or -1.
int Number(QStringView digits) {
  if (digits.isEmpty() || digits.size() > 8) return -1;
  int value = 0;
  for (QChar c : digits) {
    if (c < u'0' || c > u'9') return -1;
    value = value * 10 + (c.unicode() - u'0');
  }
  return value;
}

// A year of 1 to 3 digits counts from the founding of the Republic of China (1912 = year 1);
// 4 digits are a common-era year. An era name allows only the former.
int Year(QStringView digits, bool era) {
  const int value = Number(digits);
  if (value < 0) return -1;
  if (digits.size() <= 3) return value >= 1 ? value + 1911 : -1;
  if (digits.size() == 4 && !era) return value >= 1000 ? value : -1;
  return -1;
}

std::optional<TypedDate> Checked(int year, int month, int day) {
  if (year < 0 || !IsRealDay(year, month, day)) return std::nullopt;
  return TypedDate{year, month, day};
}

std::optional<int> SmallNumber(QStringView text, QChar mark, int last) {
  const Normal normal(text);
  QStringView digits = normal.view();
  if (digits.endsWith(mark)) digits.chop(1);
  if (digits.isEmpty() || digits.size() > 2) return std::nullopt;
  const int value = Number(digits);
  if (value < 1 || value > last) return std::nullopt;
  return value;
}

}  // namespace

bool IsRealDay(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1) return false;
  static const int kDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // Without a year, 29 February is a real day (of a leap year).
  const bool leap = year <= 0 || QDate::isLeapYear(year);
  return day <= kDays[month] + (month == 2 && leap ? 1 : 0);
}

std::optional<TypedDate> ReadTypedDate(QStringView input) {
  const Normal normal(input);
  QStringView text = normal.view();
  const bool era = TakeEra(text);

  // Split into runs of digits and the single characters between them.
  QStringView groups[4];
  QChar separators[4];
  int groupCount = 0;
  int separatorCount = 0;
  qsizetype i = 0;
  while (i < text.size()) {
    const qsizetype start = i;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
    if (i == start || groupCount == 3) return std::nullopt;
    groups[groupCount++] = text.mid(start, i - start);
    if (i == text.size()) break;
    if (separatorCount == 3) return std::nullopt;
    separators[separatorCount++] = text[i++];
  }

  // A trailing 日 closes the Chinese form; otherwise nothing may follow the last digits.
  const bool chineseEnd = separatorCount > 0 && separatorCount == groupCount &&
                          separators[separatorCount - 1] == kDayMark;
  if (separatorCount == groupCount && !chineseEnd) return std::nullopt;
  const int between = chineseEnd ? separatorCount - 1 : separatorCount;
  for (int k = 0; k < groupCount; ++k) {
    if (k > 0 && groups[k].size() > 2) return std::nullopt;
  }

  if (groupCount == 1 && between == 0 && !chineseEnd) {
    // 20240512, or 1130512 with a Republic of China year.
    const QStringView digits = groups[0];
    if (digits.size() != 8 && digits.size() != 7) return std::nullopt;
    if (era && digits.size() == 8) return std::nullopt;
    const qsizetype yearDigits = digits.size() - 4;
    return Checked(Year(digits.left(yearDigits), era), Number(digits.mid(yearDigits, 2)),
                   Number(digits.right(2)));
  }

  const auto plain = [](QChar c) { return c == u'/' || c == u'-' || c == u'.'; };
  if (groupCount == 3 && between == 2) {
    const bool sameMark = plain(separators[0]) && separators[1] == separators[0] && !chineseEnd;
    const bool chinese = separators[0] == kYearMark && separators[1] == kMonthMark;
    if (!sameMark && !chinese) return std::nullopt;
    return Checked(Year(groups[0], era), Number(groups[1]), Number(groups[2]));
  }
  if (groupCount == 2 && between == 1 && !era) {
    if (groups[0].size() > 2) return std::nullopt;
    const bool plainMark = plain(separators[0]) && !chineseEnd;
    if (!plainMark && separators[0] != kMonthMark) return std::nullopt;
    return Checked(0, Number(groups[0]), Number(groups[1]));
  }
  return std::nullopt;
}

std::optional<int> ReadTypedYear(QStringView input) {
  const Normal normal(input);
  QStringView text = normal.view();
  const bool era = TakeEra(text);
  if (text.endsWith(kYearMark)) text.chop(1);
  const int year = Year(text, era);
  if (year < 0) return std::nullopt;
  return year;
}

std::optional<int> ReadTypedMonth(QStringView text) {
  return SmallNumber(text, kMonthMark, 12);
}

std::optional<int> ReadTypedDay(QStringView text) {
  return SmallNumber(text, kDayMark, 31);
}
