#include "transfer/csvreader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "transfer/codepage.h"

namespace {

constexpr qint64 kChunk = 1 << 20;

}  // namespace

CsvReader::CsvReader(const QString& file, int codepage)
    : m_file(file), m_name(QFileInfo(file).fileName()) {
  if (!m_file.open(QIODevice::ReadOnly))
    throw DataError(QCoreApplication::translate("Transfer", "%1 cannot be read: %2")
                        .arg(file, m_file.errorString()));
  if (More() && m_buffer.startsWith("\xEF\xBB\xBF"))
    m_pos = 3;
  else if (codepage > 0)
    m_codepage = std::make_unique<CodePage>(codepage);
}

CsvReader::~CsvReader() = default;

bool CsvReader::More() {
  if (m_pos < m_buffer.size()) return true;
  if (m_atEnd) return false;
  m_buffer.resize(kChunk);
  const qint64 got = m_file.read(m_buffer.data(), kChunk);
  if (got < 0)
    Fail(QCoreApplication::translate("Transfer", "it cannot be read (%1)")
             .arg(m_file.errorString()));
  m_buffer.resize(got);
  m_pos = 0;
  if (got == 0) m_atEnd = true;
  return got > 0;
}

void CsvReader::Fail(const QString& what) const {
  throw DataError(QStringLiteral("%1, line %2: %3.").arg(m_name).arg(m_recordLine).arg(what));
}

Utf8Value CsvReader::Take(bool quoted) {
  if (m_field.isEmpty()) return quoted ? Utf8Value(QByteArray("")) : Utf8Value();
  if (m_codepage) {
    std::optional<QByteArray> utf8 = m_codepage->ToUtf8(m_field);
    if (!utf8)
      Fail(QCoreApplication::translate(
               "Transfer",
               "field %1 is not text in code page %2; give the file's code page with "
               "--codepage, or leave it out for UTF-8")
               .arg(m_fieldIndex + 1)
               .arg(m_codepage->Number()));
    return *utf8;
  }
  if (!QUtf8StringView(m_field).isValidUtf8())
    Fail(QCoreApplication::translate(
             "Transfer",
             "field %1 is not UTF-8 text; if the file was saved in another code page, "
             "import it with --codepage N (950 for Traditional Chinese)")
             .arg(m_fieldIndex + 1));
  return m_field;
}

bool CsvReader::Next(QList<Value>& fields) {
  if (!Next(m_raw)) return false;
  fields.clear();
  for (const Utf8Value& field : m_raw)
    fields.append(field ? Value(field->isEmpty() ? QStringLiteral("") : m_utf8.decode(*field))
                        : Value());
  return true;
}

bool CsvReader::Next(QList<Utf8Value>& fields) {
  for (;;) {
    fields.clear();
    if (!More()) return false;
    m_recordLine = m_line;
    m_fieldIndex = 0;
    bool endOfRecord = false;
    while (!endOfRecord) {
      m_field.clear();
      bool quoted = false;
      if (More() && m_buffer[m_pos] == '"') {
        quoted = true;
        ++m_pos;
        for (;;) {
          if (!More())
            Fail(QCoreApplication::translate("Transfer", "a quoted field is not closed"));
          const char* start = m_buffer.constData() + m_pos;
          const qsizetype left = m_buffer.size() - m_pos;
          const char* quote = static_cast<const char*>(std::memchr(start, '"', left));
          const qsizetype run = quote ? quote - start : left;
          for (qsizetype i = 0; i < run; ++i)
            if (start[i] == '\n') ++m_line;
          m_field.append(start, run);
          m_pos += run;
          if (!quote) continue;
          ++m_pos;  // the quote
          if (More() && m_buffer[m_pos] == '"') {
            m_field.append('"');
            ++m_pos;
            continue;
          }
          break;
        }
      }
      // The rest of the field up to the separator or the end of the line; after a closing quote
      // nothing else may stand there.
      for (;;) {
        if (!More()) {
          endOfRecord = true;
          break;
        }
        const char* data = m_buffer.constData();
        qsizetype i = m_pos;
        const qsizetype end = m_buffer.size();
        while (i < end && data[i] != ',' && data[i] != '\n' && data[i] != '\r') ++i;
        if (i > m_pos) {
          if (quoted)
            Fail(QCoreApplication::translate("Transfer",
                                             "text follows the closing quote of field %1")
                     .arg(m_fieldIndex + 1));
          m_field.append(data + m_pos, i - m_pos);
        }
        m_pos = i;
        if (i == end) continue;
        const char c = data[i];
        ++m_pos;
        if (c == ',') break;
        if (c == '\r' && More() && m_buffer[m_pos] == '\n') ++m_pos;
        ++m_line;
        endOfRecord = true;
        break;
      }
      fields.append(Take(quoted));
      ++m_fieldIndex;
    }
    // A line with nothing on it is no record.
    if (fields.size() == 1 && !fields.first()) continue;
    return true;
  }
}

qint64 CsvReader::CountRecords(const QString& file) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) return -1;
  QByteArray buffer(kChunk, Qt::Uninitialized);
  qint64 records = 0;
  bool quoted = false;
  char last = '\n';
  for (;;) {
    const qint64 got = in.read(buffer.data(), kChunk);
    if (got <= 0) break;
    const char* data = buffer.constData();
    if (!quoted && !std::memchr(data, '"', got)) {
      records += std::count(data, data + got, '\n');  // the common case, quickly
    } else {
      for (qint64 i = 0; i < got; ++i) {
        if (data[i] == '"')
          quoted = !quoted;
        else if (data[i] == '\n' && !quoted)
          ++records;
      }
    }
    last = data[got - 1];
  }
  if (last != '\n') ++records;
  return records;
}
