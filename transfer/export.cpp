#include "transfer/export.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <memory>
#include <vector>

#include "data/connection.h"
#include "data/schema.h"
#include "transfer/outfile.h"

QString ExportSummary::Text() const {
  QStringList lines{QStringLiteral("Exported to %1:").arg(folder)};
  for (const File& file : files) {
    const bool cards = file.name.endsWith(QLatin1String(".vcf"));
    lines << QStringLiteral("%1: %2 %3")
                 .arg(file.name)
                 .arg(file.records)
                 .arg(cards ? QStringLiteral("cards") : QStringLiteral("rows"));
  }
  return lines.join(QLatin1Char('\n'));
}

namespace {

// Appends UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD.
void AppendUtf8(QByteArray& out, const QString& text) {
  const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
  const char16_t* end = p + text.size();
  for (; p < end; ++p) {
    char32_t c = *p;
    if (c < 0x80) {
      out.append(char(c));
      continue;
    }
    if (c >= 0xD800 && c < 0xDC00 && p + 1 < end && p[1] >= 0xDC00 && p[1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
      ++p;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x800) {
      out.append(char(0xC0 | (c >> 6)));
    } else if (c < 0x10000) {
      out.append(char(0xE0 | (c >> 12)));
      out.append(char(0x80 | ((c >> 6) & 0x3F)));
    } else {
      out.append(char(0xF0 | (c >> 18)));
      out.append(char(0x80 | ((c >> 12) & 0x3F)));
      out.append(char(0x80 | ((c >> 6) & 0x3F)));
    }
    out.append(char(0x80 | (c & 0x3F)));
  }
}

// One CSV field. Null is nothing at all; a text is quoted when it is empty, holds a comma,
// quote or line break, or begins or ends with a blank (which spreadsheets would drop).
void AppendCsvField(QByteArray& out, const QVariant& value) {
  if (value.isNull()) return;
  const QString text = value.toString();
  bool quote = text.isEmpty() || text.front().isSpace() || text.back().isSpace();
  for (qsizetype i = 0; !quote && i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    quote = c == u',' || c == u'"' || c == u'\n' || c == u'\r';
  }
  if (!quote) {
    AppendUtf8(out, text);
    return;
  }
  out.append('"');
  if (text.contains(QLatin1Char('"'))) {
    QString doubled = text;
    AppendUtf8(out, doubled.replace(QLatin1Char('"'), QLatin1String("\"\"")));
  } else {
    AppendUtf8(out, text);
  }
  out.append('"');
}

// vCard text: backslash, comma, semicolon and line breaks escaped; other control characters,
// which a card may not hold, left out.
QString VCardText(const QString& text) {
  QString escaped;
  escaped.reserve(text.size() + 8);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    switch (c.unicode()) {
      case u'\\':
        escaped += QLatin1String("\\\\");
        break;
      case u',':
        escaped += QLatin1String("\\,");
        break;
      case u';':
        escaped += QLatin1String("\\;");
        break;
      case u'\r':
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        escaped += QLatin1String("\\n");
        break;
      case u'\n':
        escaped += QLatin1String("\\n");
        break;
      default:
        if ((c.unicode() >= 0x20 && c.unicode() != 0x7F) || c == QLatin1Char('\t')) escaped += c;
    }
  }
  return escaped;
}

// A content line folded after 75 octets, never inside a UTF-8 sequence; continuation lines
// begin with a blank.
void AppendFolded(QByteArray& out, const QByteArray& line) {
  qsizetype pos = 0;
  qsizetype room = 75;
  while (line.size() - pos > room) {
    qsizetype cut = pos + room;
    while (cut > pos && (uchar(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line.constData() + pos, cut - pos);
    out.append("\r\n ");
    pos = cut;
    room = 74;  // the leading blank takes one octet
  }
  out.append(line.constData() + pos, line.size() - pos);
  out.append("\r\n");
}

void AppendProperty(QByteArray& out, const char* nameAndParameters, const QString& value) {
  QByteArray line(nameAndParameters);
  line.append(':');
  AppendUtf8(line, value);
  AppendFolded(out, line);
}

// Strictly a number: digits only (blanks around them allowed), at most `digits` of them.
int Number(const Value& text, int digits) {
  if (!text) return -1;
  const QString trimmed = text->trimmed();
  if (trimmed.isEmpty() || trimmed.size() > digits) return -1;
  for (const QChar c : trimmed)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
  return trimmed.toInt();
}

// The customer columns a card is made of, located once in the customer table.
struct CardColumns {
  int name, key, year, month, day, email, telhome, cellphone, otherphone, teloffice, fax, addhome,
      addoffice, company, jobtitle;
};

int ColumnIndex(const QSqlRecord& record, const char* name) {
  for (int i = 0; i < record.count(); ++i)
    if (record.fieldName(i).compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return i;
  return -1;
}

Value Cell(const QSqlQuery& query, int column) {
  if (column < 0) return std::nullopt;
  const QVariant value = query.value(column);
  if (value.isNull()) return std::nullopt;
  return value.toString();
}

void AppendCard(QByteArray& out, const QSqlQuery& row, const CardColumns& c) {
  out.append("BEGIN:VCARD\r\nVERSION:4.0\r\n");
  AppendProperty(out, "FN", VCardText(Cell(row, c.name).value_or(QString())));
  auto text = [&](const char* property, int column) {
    const Value value = Cell(row, column);
    if (value && !value->isEmpty()) AppendProperty(out, property, VCardText(*value));
  };
  // Telephone numbers as typed are text, not tel: URIs.
  text("TEL;VALUE=text;TYPE=home", c.telhome);
  text("TEL;VALUE=text;TYPE=cell", c.cellphone);
  text("TEL;VALUE=text;TYPE=voice", c.otherphone);
  text("TEL;VALUE=text;TYPE=work", c.teloffice);
  text("TEL;VALUE=text;TYPE=fax", c.fax);
  text("EMAIL", c.email);
  // An address is one free text: it goes into the street part of the structured value.
  auto address = [&](const char* property, int column) {
    const Value value = Cell(row, column);
    if (value && !value->isEmpty())
      AppendProperty(out, property, QStringLiteral(";;%1;;;;").arg(VCardText(*value)));
  };
  address("ADR;TYPE=home", c.addhome);
  address("ADR;TYPE=work", c.addoffice);
  const QString birthday = VCardBirthday(Cell(row, c.year), Cell(row, c.month), Cell(row, c.day));
  if (!birthday.isEmpty()) AppendProperty(out, "BDAY", birthday);
  text("ORG", c.company);
  text("TITLE", c.jobtitle);
  const Value key = Cell(row, c.key);
  if (key && !key->isEmpty())
    AppendProperty(out, "NOTE", VCardText(QStringLiteral("C_No: ") + *key));
  out.append("END:VCARD\r\n");
}

const QByteArray kBom("\xEF\xBB\xBF");

}  // namespace

QString VCardBirthday(const Value& year, const Value& month, const Value& day) {
  const int y = Number(year, 4);
  const int m = Number(month, 2);
  const int d = Number(day, 2);
  if (y >= 1 && QDate::isValid(y, m, d))
    return QStringLiteral("%1%2%3")
        .arg(y, 4, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(d, 2, 10, QLatin1Char('0'));
  // Month and day alone: any day that month has in some year (29 February included).
  if (QDate::isValid(2000, m, d))
    return QStringLiteral("--%1%2").arg(m, 2, 10, QLatin1Char('0')).arg(d, 2, 10, QLatin1Char('0'));
  return {};
}

ExportSummary ExportTo(const QString& databaseFile, const QString& folder) {
  const QString absolute = QDir(folder).absolutePath();
  if (QFileInfo(absolute).exists() && !QFileInfo(absolute).isDir())
    throw DataError(
        QStringLiteral("Cannot export to %1: it is a file, not a folder.").arg(absolute));
  if (!QDir().mkpath(absolute))
    throw DataError(
        QStringLiteral("Cannot export to %1: the folder cannot be made.").arg(absolute));

  ExportSummary summary;
  summary.folder = absolute;
  Connection connection;
  connection.Open(databaseFile);
  // One read transaction: every file shows the same moment of the database.
  connection.Execute(QStringLiteral("begin"));

  std::vector<std::unique_ptr<OutFile>> files;
  qint64 cards = 0;
  for (const TableLayout& table : Tables()) {
    files.push_back(std::make_unique<OutFile>(absolute, table.name + QStringLiteral(".csv")));
    OutFile& csv = *files.back();
    const bool customers = table.name == QLatin1String("customer");
    if (customers)
      files.push_back(std::make_unique<OutFile>(absolute, QStringLiteral("customers.vcf")));
    OutFile* vcf = customers ? files.back().get() : nullptr;

    QSqlQuery query(connection.Database());
    query.setForwardOnly(true);
    // Every column the table has, in table order, also ones the program does not use.
    if (!query.exec(QStringLiteral("select * from %1 order by rowid").arg(table.name)))
      throw DataError(connection.Explain(query.lastError()));
    const QSqlRecord record = query.record();
    const int count = record.count();

    csv.buffer.append(kBom);
    for (int i = 0; i < count; ++i) {
      if (i) csv.buffer.append(',');
      AppendCsvField(csv.buffer, record.fieldName(i));
    }
    csv.buffer.append("\r\n");

    CardColumns card{};
    if (vcf) {
      card = {ColumnIndex(record, "Cust_name"),       ColumnIndex(record, "CID"),
              ColumnIndex(record, "Cust_birthyear"),  ColumnIndex(record, "Cust_birthmonth"),
              ColumnIndex(record, "Cust_birthday"),   ColumnIndex(record, "Cust_email"),
              ColumnIndex(record, "Cust_telhome"),    ColumnIndex(record, "Cust_cellphone"),
              ColumnIndex(record, "Cust_otherphone"), ColumnIndex(record, "Cust_teloffice"),
              ColumnIndex(record, "Cust_fax"),        ColumnIndex(record, "Cust_addhome"),
              ColumnIndex(record, "Cust_addoffice"),  ColumnIndex(record, "Cust_company"),
              ColumnIndex(record, "Cust_jobtitle")};
    }
    qint64 rows = 0;
    while (query.next()) {
      for (int i = 0; i < count; ++i) {
        if (i) csv.buffer.append(',');
        AppendCsvField(csv.buffer, query.value(i));
      }
      csv.buffer.append("\r\n");
      csv.Spill();
      if (vcf) {
        AppendCard(vcf->buffer, query, card);
        vcf->Spill();
      }
      ++rows;
    }
    if (query.lastError().isValid()) throw DataError(connection.Explain(query.lastError()));
    summary.files.append({table.name + QStringLiteral(".csv"), rows});
    if (vcf) cards = rows;
  }
  summary.files.append({QStringLiteral("customers.vcf"), cards});
  connection.Execute(QStringLiteral("commit"));
  connection.Close();

  for (auto& file : files) file->Finish();
  for (auto& file : files) file->Commit();
  SyncFolder(absolute);
  return summary;
}

int ExportCommand(const QString& databaseFile, const QString& folder) {
  try {
    const ExportSummary summary = ExportTo(databaseFile, folder);
    QTextStream(stdout) << summary.Text() << Qt::endl;
    return 0;
  } catch (const DataError& error) {
    QTextStream(stderr) << error.message() << Qt::endl;
    return 1;
  }
}
