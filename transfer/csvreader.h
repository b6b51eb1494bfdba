#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <memory>

#include "data/dataerror.h"
#include "data/statement.h"

class CodePage;

// Reads a CSV file record by record (RFC 4180: fields separated by commas, records by line
// breaks, quoted fields may hold commas, doubled quotes and line breaks). UTF-8, with or without
// a byte-order mark. An empty unquoted field is Null, "" is the empty text; every other value is
// the text exactly as it stands. Only a bounded buffer is held, however long the file is.
//
// A file saved in a Windows code page (a spreadsheet's "CSV" on a Windows of that language) is
// read in that code page when it is given and the file has no UTF-8 byte-order mark. Separators,
// quotes and line breaks are ASCII and no code page uses those bytes inside a character.
class CsvReader {
 public:
  // Opens the file; throws DataError when it cannot be read or the code page is not known.
  // codepage 0: UTF-8 only.
  explicit CsvReader(const QString& file, int codepage = 0);
  ~CsvReader();

  // The next record, or false at the end of the file. Lines that are entirely empty are skipped.
  // Throws DataError naming the file and the line the record begins on for a broken quote or
  // text that is not UTF-8 (or not text in the code page).
  bool Next(QList<Utf8Value>& fields);
  // The same, decoded.
  bool Next(QList<Value>& fields);
  // The line on which the last record read begins (1-based).
  qint64 Line() const { return m_recordLine; }
  const QString& FileName() const { return m_name; }

  // The number of records in the file (blank lines included), read quickly without decoding.
  static qint64 CountRecords(const QString& file);

 private:
  // Makes at least one more byte available at m_pos; false at the end of the file.
  bool More();
  [[noreturn]] void Fail(const QString& what) const;
  Utf8Value Take(bool quoted);

  QFile m_file;
  QString m_name;
  // Set when the file is read in a code page.
  std::unique_ptr<CodePage> m_codepage;
  QByteArray m_buffer;
  qsizetype m_pos = 0;
  bool m_atEnd = false;
  qint64 m_line = 1;
  qint64 m_recordLine = 0;
  int m_fieldIndex = 0;
  QByteArray m_field;
  QList<Utf8Value> m_raw;
  // Every field on its own: a byte-order mark inside a field is text like any other.
  QStringDecoder m_utf8{QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
};
