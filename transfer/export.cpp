#include "transfer/export.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "data/connection.h"
#include "data/datetext.h"
#include "data/history.h"
#include "data/rowstream.h"
#include "data/schema.h"
#include "data/server.h"
#include "transfer/outfile.h"

QString ExportSummary::Text() const {
  QStringList lines{QCoreApplication::translate("Transfer", "Exported to %1:").arg(folder)};
  for (const File& file : files) {
    const bool cards = file.name.endsWith(QLatin1String(".vcf"));
    const QString unit = cards ? QStringLiteral("card") : QStringLiteral("row");
    lines << QStringLiteral("%1: %2 %3%4")
                 .arg(file.name)
                 .arg(file.records)
                 .arg(unit, file.records == 1 ? QString() : QStringLiteral("s"));
  }
  return lines.join(QLatin1Char('\n'));
}

namespace {

using Cell = RowStream::Cell;

// One CSV field. Null is nothing at all; a text is quoted when it is empty, holds a comma,
// quote or line break, or begins or ends with a blank (which spreadsheets would drop).
void AppendCsvField(QByteArray& out, const Cell& cell) {
  if (cell.null) return;
  const char* text = cell.data;
  const int size = cell.size;
  bool quote = size == 0 || text[0] == ' ' || text[0] == '\t' || text[size - 1] == ' ' ||
               text[size - 1] == '\t';
  bool quotes = false;
  for (int i = 0; i < size; ++i) {
    const char c = text[i];
    if (c == '"') quotes = true;
    quote = quote || c == ',' || c == '"' || c == '\n' || c == '\r';
  }
  if (!quote) {
    out.append(text, size);
    return;
  }
  out.append('"');
  if (quotes) {
    for (int i = 0; i < size; ++i) {
      if (text[i] == '"') out.append('"');
      out.append(text[i]);
    }
  } else {
    out.append(text, size);
  }
  out.append('"');
}

// vCard text: backslash, comma, semicolon and line breaks escaped; other control characters,
// which a card may not hold, left out. UTF-8 sequences pass unchanged (their bytes are >= 0x80).
void AppendVCardText(QByteArray& out, const char* text, int size) {
  for (int i = 0; i < size; ++i) {
    const char c = text[i];
    switch (c) {
      case '\\':
      case ',':
      case ';':
        out.append('\\');
        out.append(c);
        break;
      case '\r':
        if (i + 1 < size && text[i + 1] == '\n') ++i;
        out.append("\\n");
        break;
      case '\n':
        out.append("\\n");
        break;
      default:
        if ((uchar(c) >= 0x20 && c != 0x7F) || c == '\t') out.append(c);
    }
  }
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

Value ToValue(const Cell& cell) {
  if (cell.null) return std::nullopt;
  return cell.Text();
}

// The customer columns a card is made of, located once in the customer table.
struct CardColumns {
  int name, key, year, month, day, email, telhome, cellphone, otherphone, teloffice, fax, addhome,
      addoffice, company, jobtitle;
};

int ColumnIndex(const QStringList& names, const char* name) {
  for (int i = 0; i < names.size(); ++i)
    if (names[i].compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void AppendCard(QByteArray& out, const RowStream& row, const CardColumns& c) {
  out.append("BEGIN:VCARD\r\nVERSION:4.0\r\n");
  QByteArray line;
  // `prefix` and `suffix` frame the escaped value (the other parts of a structured value).
  auto property = [&](const char* nameAndParameters, int column, bool always = false,
                      const char* prefix = "", const char* suffix = "") {
    const Cell cell = row.Value(column);
    if (!always && (cell.null || cell.size == 0)) return;
    line = nameAndParameters;
    line.append(':');
    line.append(prefix);
    AppendVCardText(line, cell.data, cell.size);
    line.append(suffix);
    AppendFolded(out, line);
  };
  property("FN", c.name, true);
  // Telephone numbers as typed are text, not tel: URIs.
  property("TEL;VALUE=text;TYPE=home", c.telhome);
  property("TEL;VALUE=text;TYPE=cell", c.cellphone);
  property("TEL;VALUE=text;TYPE=voice", c.otherphone);
  property("TEL;VALUE=text;TYPE=work", c.teloffice);
  property("TEL;VALUE=text;TYPE=fax", c.fax);
  property("EMAIL", c.email);
  // An address is one free text: it goes into the street part of the structured value.
  property("ADR;TYPE=home", c.addhome, false, ";;", ";;;;");
  property("ADR;TYPE=work", c.addoffice, false, ";;", ";;;;");
  const QString birthday = VCardBirthday(ToValue(row.Value(c.year)), ToValue(row.Value(c.month)),
                                         ToValue(row.Value(c.day)));
  if (!birthday.isEmpty()) AppendFolded(out, "BDAY:" + birthday.toLatin1());
  property("ORG", c.company);
  property("TITLE", c.jobtitle);
  property("NOTE", c.key, false, "C_No: ");
  out.append("END:VCARD\r\n");
}

const QByteArray kBom("\xEF\xBB\xBF");

std::function<int(const QString&)> g_stepHook;

// The error a test makes this step fail with, else 0.
int Injected(const QString& step) {
  return g_stepHook ? g_stepHook(step) : 0;
}

QString Cause(int error) {
  if (error == ENOSPC || error == EDQUOT)
    return QCoreApplication::translate("Transfer", "the disk is full");
  return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray Path(const QString& path) {
  return QFile::encodeName(path);
}

// Gives 0, or the error with which the step failed.
int Rename(const QString& step, const QString& from, const QString& to) {
  if (const int error = Injected(step)) return error;
  return ::rename(Path(from).constData(), Path(to).constData()) == 0 ? 0 : errno;
}
int Unlink(const QString& step, const QString& path) {
  if (const int error = Injected(step)) return error;
  return ::unlink(Path(path).constData()) == 0 ? 0 : errno;
}

// The files of one export, written into a temporary folder (mode 0700) on the target folder's
// file system and then moved into place so that the folder holds either its complete older set
// or the complete new one, never a mix. A missing folder is the temporary folder, made beside
// it, renamed once. In an existing folder the temporary folder is made inside it; the older
// files are first moved aside into it, then the new ones into place, and should any move fail
// the new ones are taken out and the older ones put back. Only when even that fails does a mix
// remain: the message then says which files are where, and the temporary folder is kept.
class FileSet {
 public:
  FileSet(const QString& folder, const QStringList& names);
  ~FileSet();
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;

  // Where to write the files, under their own names.
  const QString& Folder() const { return m_temp; }
  // Moves the written files into place. Throws DataError naming the cause.
  void Place();

 private:
  [[noreturn]] void Fail(const QString& cause) const {
    throw DataError(
        QCoreApplication::translate("Transfer", "Cannot export to %1: %2.").arg(m_folder, cause));
  }
  [[noreturn]] void Undo(const QString& cause);
  QString Target(const QString& name) const { return m_folder + QLatin1Char('/') + name; }
  QString New(const QString& name) const { return m_temp + QLatin1Char('/') + name; }
  QString Aside() const { return m_temp + QStringLiteral("/older"); }
  QString Older(const QString& name) const { return Aside() + QLatin1Char('/') + name; }

  QString m_folder;
  QStringList m_names;
  QString m_temp;
  bool m_fresh = false;  // the folder did not exist
  bool m_keep = false;   // the temporary folder holds older files that could not be put back
  QStringList m_aside, m_placed;
};

FileSet::FileSet(const QString& folder, const QStringList& names)
    : m_folder(folder), m_names(names) {
  const QFileInfo info(folder);
  m_fresh = !info.exists();
  const QString parent = m_fresh ? info.absolutePath() : folder;
  if (m_fresh && !QDir().mkpath(parent))
    Fail(QCoreApplication::translate("Transfer", "the folder cannot be made"));
  for (const QString& name : names) {
    if (QFileInfo(Target(name)).isDir())
      Fail(QCoreApplication::translate("Transfer", "%1 is a folder").arg(name));
  }
  const QString pattern = m_fresh ? QStringLiteral("/.%1.XXXXXX").arg(info.fileName())
                                  : QStringLiteral("/.qel-export.XXXXXX");
  QByteArray path = Path(parent + pattern);
  if (!::mkdtemp(path.data())) Fail(Cause(errno));
  m_temp = QFile::decodeName(path);
}

FileSet::~FileSet() {
  if (m_temp.isEmpty() || m_keep) return;
  for (const QString& name : m_names) {
    ::unlink(Path(New(name)).constData());
    ::unlink(Path(Older(name)).constData());
  }
  ::rmdir(Path(Aside()).constData());
  ::rmdir(Path(m_temp).constData());
}

void FileSet::Place() {
  SyncFolder(m_temp);
  if (m_fresh) {
    if (const int error = Rename(QStringLiteral("place folder"), m_temp, m_folder))
      Fail(Cause(error));
    m_temp.clear();
    SyncFolder(QFileInfo(m_folder).absolutePath());
    return;
  }
  if (::mkdir(Path(Aside()).constData(), 0700) != 0) Fail(Cause(errno));
  for (const QString& name : m_names) {
    struct stat older {};
    if (::lstat(Path(Target(name)).constData(), &older) != 0) {
      if (errno == ENOENT) continue;
      Undo(Cause(errno));
    }
    if (const int error = Rename(QStringLiteral("aside ") + name, Target(name), Older(name)))
      Undo(Cause(error));
    m_aside << name;
  }
  for (const QString& name : m_names) {
    if (const int error = Rename(QStringLiteral("place ") + name, New(name), Target(name)))
      Undo(Cause(error));
    m_placed << name;
  }
  SyncFolder(m_folder);
}

void FileSet::Undo(const QString& cause) {
  QStringList left;  // what is not as it was, one clause per file
  int failure = 0;
  for (const QString& name : m_names) {
    const bool placed = m_placed.contains(name);
    if (m_aside.contains(name)) {
      // Put back over the new file where that was placed already.
      const int error = Rename(QStringLiteral("back ") + name, Older(name), Target(name));
      if (!error) continue;
      failure = error;
      left << (placed ? QCoreApplication::translate(
                            "Transfer", "the new %1 in place of its older one, which is in %2")
                      : QCoreApplication::translate("Transfer", "no %1: its older one is in %2"))
                  .arg(name, Aside());
    } else if (placed) {
      const int error = Unlink(QStringLiteral("remove ") + name, Target(name));
      if (!error) continue;
      failure = error;
      left << QCoreApplication::translate("Transfer", "the new %1, which it did not hold before")
                  .arg(name);
    }
  }
  SyncFolder(m_folder);
  if (!failure)
    Fail(cause + QCoreApplication::translate("Transfer", "; its files are as they were"));
  m_keep = true;
  Fail(QCoreApplication::translate(
           "Transfer",
           "%1, and undoing it failed too (%2): the folder holds %3 (move it back by "
           "hand); its other files are as they were")
           .arg(cause, Cause(failure), left.join(QStringLiteral("; "))));
}

}  // namespace

void SetExportStepHook(std::function<int(const QString& step)> hook) {
  g_stepHook = std::move(hook);
}

QString VCardBirthday(const Value& year, const Value& month, const Value& day) {
  // Read as the schedule reads them: Republic of China years, 年/月/日 marks, full-width digits.
  const std::optional<int> m = ReadTypedMonth(month.value_or(QString()));
  const std::optional<int> d = ReadTypedDay(day.value_or(QString()));
  // Month and day must be a day of some year (29 February included).
  if (!m || !d || !IsRealDay(0, *m, *d)) return {};
  const QString monthDay =
      QStringLiteral("%1%2").arg(*m, 2, 10, QLatin1Char('0')).arg(*d, 2, 10, QLatin1Char('0'));
  const std::optional<int> y = ReadTypedYear(year.value_or(QString()));
  if (y && IsRealDay(*y, *m, *d)) return QString::number(*y) + monthDay;
  return QStringLiteral("--") + monthDay;
}

ExportSummary ExportTo(const QString& databaseFile, const QString& folder) {
  const QString server = ServerUri();
  if (server.isEmpty()) RequireDatabase(databaseFile);
  const QString absolute = QDir(folder).absolutePath();
  if (QFileInfo(absolute).exists() && !QFileInfo(absolute).isDir())
    throw DataError(
        QCoreApplication::translate("Transfer", "Cannot export to %1: it is a file, not a folder.")
            .arg(absolute));
  ExportSummary summary;
  summary.folder = absolute;
  Connection connection;
  // One read transaction: every file shows the same moment of the database.
  if (server.isEmpty()) {
    connection.Open(databaseFile);
    connection.Execute(QStringLiteral("begin"));
  } else {
    connection.OpenServer(server);
    connection.Execute(QStringLiteral("begin isolation level repeatable read read only"));
  }
  // The five tables, and the history of changes where the database has one.
  QStringList tables;
  for (const TableLayout& table : Tables()) tables << table.name;
  if (HasHistory(connection)) tables << QStringLiteral("history");
  QStringList names;
  for (const QString& table : tables) {
    names << table + QStringLiteral(".csv");
    if (table == QLatin1String("customer")) names << QStringLiteral("customers.vcf");
  }
  FileSet set(absolute, names);

  std::vector<std::unique_ptr<OutFile>> files;
  qint64 cards = 0;
  for (const QString& table : tables) {
    files.push_back(std::make_unique<OutFile>(set.Folder(), table + QStringLiteral(".csv")));
    OutFile& csv = *files.back();
    const bool customers = table == QLatin1String("customer");
    if (customers)
      files.push_back(std::make_unique<OutFile>(set.Folder(), QStringLiteral("customers.vcf")));
    OutFile* vcf = customers ? files.back().get() : nullptr;

    // Every column the table has, in table order, also ones the program does not use.
    RowStream rows(connection,
                   QStringLiteral("select %1 from %2 order by %3")
                       .arg(connection.AllColumns(table), table, connection.RowKey(table)));
    const QStringList& names = rows.ColumnNames();
    const int count = int(names.size());

    csv.buffer.append(kBom);
    for (int i = 0; i < count; ++i) {
      if (i) csv.buffer.append(',');
      const QByteArray name = names[i].toUtf8();
      AppendCsvField(csv.buffer, {name.constData(), int(name.size()), false});
    }
    csv.buffer.append("\r\n");

    CardColumns card{};
    if (vcf) {
      card = {ColumnIndex(names, "Cust_name"),       ColumnIndex(names, "CID"),
              ColumnIndex(names, "Cust_birthyear"),  ColumnIndex(names, "Cust_birthmonth"),
              ColumnIndex(names, "Cust_birthday"),   ColumnIndex(names, "Cust_email"),
              ColumnIndex(names, "Cust_telhome"),    ColumnIndex(names, "Cust_cellphone"),
              ColumnIndex(names, "Cust_otherphone"), ColumnIndex(names, "Cust_teloffice"),
              ColumnIndex(names, "Cust_fax"),        ColumnIndex(names, "Cust_addhome"),
              ColumnIndex(names, "Cust_addoffice"),  ColumnIndex(names, "Cust_company"),
              ColumnIndex(names, "Cust_jobtitle")};
    }
    qint64 written = 0;
    while (rows.Next()) {
      for (int i = 0; i < count; ++i) {
        if (i) csv.buffer.append(',');
        AppendCsvField(csv.buffer, rows.Value(i));
      }
      csv.buffer.append("\r\n");
      csv.Spill();
      if (vcf) {
        AppendCard(vcf->buffer, rows, card);
        vcf->Spill();
      }
      ++written;
    }
    summary.files.append({table + QStringLiteral(".csv"), written});
    if (vcf) cards = written;
  }
  summary.files.append({QStringLiteral("customers.vcf"), cards});
  connection.Execute(QStringLiteral("commit"));
  connection.Close();

  for (auto& file : files) {
    if (const int error = Injected(QStringLiteral("write ") + QFileInfo(file->Target()).fileName()))
      throw DataError(QCoreApplication::translate("Transfer", "The file %1 cannot be written: %2.")
                          .arg(file->Target(), Cause(error)));
    file->Finish();
    file->Commit();
  }
  set.Place();
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
