// A second program on the customer database, built with the tests: it drives the real customer
// window offscreen, exactly as the program runs it, for the reliability suites.
//
//   crashdriver crash <folder> <seed>
//     Saves and deletes customers with random content in a loop until it is killed. Before each
//     command it appends what the command means to write to <folder>/journal.jsonl and forces
//     it to disk; after the command it appends that the command is done.
//   crashdriver serve <folder>
//     Reads one JSON command per line from stdin and answers each with one JSON line: the
//     messages the window showed and what it shows afterwards.

#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QRandomGenerator>
#include <cstdio>
#include <iostream>
#include <string>

#include "app/module1.h"
#include "data/schema.h"
#include "ui/customer/frmcust.h"
#include "ui/toolkit/celleditor.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/msgbox.h"

namespace {

QStringList g_messages;

void Say(const QJsonObject& object) {
  std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
  std::fflush(stdout);
}

QLineEdit* EditOf(QWidget* input) {
  if (auto* combo = qobject_cast<QComboBox*>(input)) return combo->lineEdit();
  return qobject_cast<QLineEdit*>(input);
}

// The four lists: table, key for ShowCellEditor, grid and editor.
struct List {
  QString table;
  QString key;
  ListGrid* grid;
  CellEditor* editor;
};

QList<List> Lists(frmCust* w) {
  return {{"family", "fam", w->msfgFamily, w->txtInput},
          {"insurance", "insur", w->msfgInsurlife, w->txtInputInsur},
          {"compensate", "com", w->msfgCompenlife, w->txtInputCom},
          {"contact", "con", w->msfgContact, w->txtInputCon}};
}

// Replaces a grid's entries (typed through its own cell editor): the given rows, then the
// empty entry row.
void FillGrid(frmCust* w, const List& list, const QList<QStringList>& rows) {
  ListGrid* grid = list.grid;
  grid->SetRows(int(rows.size()) + 2);
  for (int col = 0; col < grid->Cols(); ++col)
    grid->SetTextMatrix(grid->Rows() - 1, col, QString());
  for (int row = 0; row < rows.size(); ++row) {
    for (int col = 0; col < grid->Cols(); ++col) {
      w->ShowCellEditor(row + 1, col, list.key);
      list.editor->setText(rows[row][col]);
    }
  }
}

// What the window holds, in the form the saved customer takes in the file: every input's text,
// and each grid's entries (the entry row too when anything was typed into it) with an empty
// cell as Null.
QJsonObject WindowState(frmCust* w) {
  QJsonObject row;
  for (const auto& [field, input] : w->CustomerFields()) {
    // The window names a field in any case; the file's column name is the one to compare.
    for (const QString& column : Tables().at(0).columns)
      if (column.compare(field, Qt::CaseInsensitive) == 0) row[column] = EditOf(input)->text();
  }
  QJsonObject state{{QStringLiteral("row"), row}};
  for (const auto& [table, key, grid, editor] : Lists(w)) {
    int last = grid->Rows() - 2;
    for (int col = 0; col < grid->Cols(); ++col)
      if (!grid->TextMatrix(grid->Rows() - 1, col).isEmpty()) last = grid->Rows() - 1;
    QJsonArray rows;
    for (int r = 1; r <= last; ++r) {
      QJsonArray cells;
      for (int col = 0; col < grid->Cols(); ++col) {
        const QString text = grid->TextMatrix(r, col);
        cells.append(text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text));
      }
      rows.append(cells);
    }
    state[table] = rows;
  }
  return state;
}

void Press(frmCust* w, const QString& key) {
  w->Toolbar1->Press(key);
}

// Pages from the first customer to the one with this key; false when none has it.
bool GoTo(frmCust* w, const QString& key) {
  Press(w, QStringLiteral("first"));
  for (int i = 0; i < 100000; ++i) {
    if (w->txtCID->text() == key) return true;
    if (!w->Toolbar1->Buttons(QStringLiteral("next"))->isEnabled()) return false;
    Press(w, QStringLiteral("next"));
  }
  return false;
}

// Random texts: plain letters mostly, now and then the characters that break careless code.
class Texts {
 public:
  explicit Texts(quint32 seed) : m_random(seed) {}
  QString Text(int maxLength) {
    static const QString odd = QStringLiteral("'\"%_\\;-  王李張客戶😀é");
    const int length = int(m_random.bounded(maxLength + 1));
    QString text;
    for (int i = 0; i < length; ++i) {
      if (m_random.bounded(6) == 0) {
        const int at = int(m_random.bounded(odd.size()));
        // Keep surrogate pairs whole.
        if (odd[at].isHighSurrogate()) {
          text += odd.mid(at, 2);
        } else if (!odd[at].isLowSurrogate()) {
          text += odd[at];
        }
      } else {
        text += QChar(u'a' + m_random.bounded(26));
      }
    }
    return text;
  }
  int Below(int n) { return int(m_random.bounded(n)); }

 private:
  QRandomGenerator m_random;
};

QList<QStringList> RandomRows(Texts& texts, int cols, int maxRows) {
  QList<QStringList> rows;
  const int count = texts.Below(maxRows + 1);
  for (int r = 0; r < count; ++r) {
    QStringList cells;
    for (int c = 0; c < cols; ++c) cells << (texts.Below(5) == 0 ? QString() : texts.Text(12));
    rows << cells;
  }
  return rows;
}

class Journal {
 public:
  explicit Journal(const QString& path) : m_file(path) {
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write journal");
  }
  void Write(const QJsonObject& entry) {
    m_file.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();
    ::fsync(m_file.handle());
  }

 private:
  QFile m_file;
};

[[noreturn]] void Fail(const QString& what) {
  std::fprintf(stderr, "crashdriver: %s\n", qPrintable(what));
  std::fflush(stderr);
  ::_exit(2);
}

// One random command: a new customer, a modified one, or now and then a deletion.
void RandomCommand(frmCust* w, Texts& texts, Journal& journal, int seq, quint32 seed) {
  const int count = CustomerSet->RecordCount();
  const int pick = texts.Below(10);
  const QString kind = count > 0 && pick == 0  ? QStringLiteral("delete")
                       : count > 0 && pick < 5 ? QStringLiteral("modify")
                                               : QStringLiteral("new");
  if (kind != QLatin1String("new")) {
    Press(w, QStringLiteral("first"));
    for (int steps = texts.Below(count); steps > 0; --steps) Press(w, QStringLiteral("next"));
  }
  QString key = w->txtCID->text();
  QJsonValue after(QJsonValue::Null);
  if (kind != QLatin1String("delete")) {
    Press(w, kind);
    if (kind == QLatin1String("new")) {
      key = QStringLiteral("K%1-%2%3").arg(seed).arg(seq).arg(texts.Below(4) == 0 ? "'" : "");
      w->txtCID->setText(key);
    }
    const bool all = kind == QLatin1String("new");
    for (const auto& [column, input] : w->CustomerFields()) {
      if (column != QLatin1String("CID") && (all || texts.Below(2) == 0))
        EditOf(input)->setText(texts.Text(15));
    }
    for (const List& list : Lists(w)) {
      if (all || texts.Below(3) != 0) FillGrid(w, list, RandomRows(texts, list.grid->Cols(), 25));
    }
    after = WindowState(w);
  }
  journal.Write({{"seq", seq}, {"kind", kind}, {"key", key}, {"after", after}});
  g_messages.clear();
  Press(w, kind == QLatin1String("delete") ? kind : QStringLiteral("save"));
  if (g_messages != QStringList{QStringLiteral("Finish")})
    Fail(QStringLiteral("%1 of %2 showed: %3")
             .arg(kind, key, g_messages.join(QStringLiteral(" / "))));
  journal.Write({{"seq", seq}, {"done", true}});
}

QJsonObject Answer(frmCust* w, bool found) {
  QJsonArray messages;
  for (const QString& message : g_messages) messages.append(message);
  return {{"found", found},
          {"messages", messages},
          {"state", WindowState(w)},
          {"newMode", w->NewMode},
          {"modifyMode", w->ModifyMode}};
}

// One command of the serve mode; false when the window was closed.
bool Serve(frmCust* w, const QJsonObject& command) {
  const QString op = command[QStringLiteral("op")].toString();
  const QString key = command[QStringLiteral("key")].toString();
  g_messages.clear();
  if (op == QLatin1String("exit")) {
    Press(w, op);
    Say({{"messages", QJsonArray()}});
    return false;
  }
  const bool found = GoTo(w, key);
  if (!found) {
    Say(Answer(w, false));
    return true;
  }
  if (op == QLatin1String("modify")) {
    Press(w, op);
    if (command.contains(QStringLiteral("name")))
      w->txtName->setText(command[QStringLiteral("name")].toString());
    if (command.contains(QStringLiteral("family"))) {
      QList<QStringList> rows;
      for (const QJsonValue& row : command[QStringLiteral("family")].toArray()) {
        QStringList cells;
        for (const QJsonValue& cell : row.toArray()) cells << cell.toString();
        while (cells.size() < w->msfgFamily->Cols()) cells << QString();
        rows << cells;
      }
      FillGrid(w, Lists(w).first(), rows);
    }
    Press(w, QStringLiteral("save"));
  } else if (op == QLatin1String("delete")) {
    Press(w, op);
  } else if (op == QLatin1String("burst")) {
    // Saves the customer again and again, each time with another name.
    for (int i = 0; i < command[QStringLiteral("count")].toInt(); ++i) {
      Press(w, QStringLiteral("modify"));
      w->txtName->setText(QStringLiteral("burst %1").arg(i));
      Press(w, QStringLiteral("save"));
    }
  }
  Say(Answer(w, true));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // The driver never needs a screen.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const QStringList args = QApplication::arguments();
  if (args.size() < 3) Fail(QStringLiteral("usage: crashdriver crash|serve <folder> [seed]"));
  const QString mode = args[1];
  if (!QDir::setCurrent(args[2])) Fail(QStringLiteral("no folder ") + args[2]);
  SetMsgBoxHook([](const QString& text) { g_messages << text; });
  SetFatalHandler([](int status) {
    Fail(QStringLiteral("the program ended with status %1: %2")
             .arg(status)
             .arg(g_messages.join(QStringLiteral(" / "))));
  });
  SetEndHandler([] {});

  frmCust* w = nullptr;
  Guard([&] { w = Show<frmCust>(); });
  if (!w || !w->IsLoaded()) Fail(QStringLiteral("no customer window: ") + g_messages.join('/'));
  std::printf("ready\n");
  std::fflush(stdout);

  if (mode == QLatin1String("crash")) {
    const quint32 seed = args.value(3).toUInt();
    Texts texts(seed);
    Journal journal(QStringLiteral("journal.jsonl"));
    for (int seq = 0;; ++seq) RandomCommand(w, texts, journal, seq, seed);
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    const QJsonObject command = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    bool more = true;
    Guard([&] { more = Serve(w, command); });
    if (!more) break;
  }
  return 0;
}
