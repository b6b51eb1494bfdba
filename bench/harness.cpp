#include "bench/harness.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdio>
#include <cstdlib>

#include "app/module1.h"
#include "bench/pgserver.h"
#include "ui/customer/frmcust.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/msgbox.h"

void Fail(const QString& what) {
  std::fprintf(stderr, "qel_bench: %s\n", qPrintable(what));
  std::fflush(stderr);
  StopCluster();
  std::_Exit(3);
}

void Check(bool condition, const QString& what) {
  if (!condition) Fail(QStringLiteral("check failed: ") + what);
}

double MaxRssMb(const rusage& usage) {
  return double(usage.ru_maxrss) / 1024.0;  // Linux reports kilobytes
}

int Scalar(const QString& file, const QString& sql) {
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count"));
  db.setDatabaseName(file);
  int value = -1;
  if (db.open()) {
    QSqlQuery query(db);
    if (query.exec(sql) && query.next()) value = query.value(0).toInt();
  }
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase(QStringLiteral("count"));
  return value;
}

void CatchMessages(Messages& messages) {
  SetMsgBoxHook([&](const QString& text) {
    messages.last = text;
    ++messages.count;
  });
  SetFatalHandler([&](int status) {
    Fail(QStringLiteral("the program ended with status %1 after the message: %2")
             .arg(status)
             .arg(messages.last));
  });
  SetEndHandler([] {});
}

void Press(frmCust* window, const char* key) {
  QAction* button = window->Toolbar1->Buttons(QLatin1String(key));
  Check(button && button->isEnabled(), QStringLiteral("button %1 enabled").arg(key));
  window->Toolbar1->Press(QLatin1String(key));
}

void Settle() {
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
}

void Reap() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TimeAction(Measure& measure, const std::function<void()>& action) {
  const double handler = TimeMs(action);
  const double settle = TimeMs(Settle);
  measure.window.Add(handler);
  measure.withPaint.Add(handler + settle);
}

namespace {

// The resident set now and its peak so far, in MB, from /proc/self/status.
QString Memory() {
  QFile status(QStringLiteral("/proc/self/status"));
  QString now, peak;
  if (status.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : status.readAll().split('\n')) {
      const QList<QByteArray> parts = line.simplified().split(' ');
      if (parts.size() < 2) continue;
      const QString mb = QString::number(parts[1].toDouble() / 1024.0, 'f', 1);
      if (parts[0] == "VmRSS:") now = mb;
      if (parts[0] == "VmHWM:") peak = mb;
    }
  }
  return QStringLiteral("resident %1 MB, peak %2 MB").arg(now, peak);
}

}  // namespace

QString LoadAverage() {
  QFile load(QStringLiteral("/proc/loadavg"));
  if (!load.open(QIODevice::ReadOnly)) return QStringLiteral("?");
  const QList<QByteArray> parts = load.readAll().split(' ');
  return parts.size() < 3 ? QStringLiteral("?")
                          : QString::fromLatin1(parts[0] + ' ' + parts[1] + ' ' + parts[2]);
}

void Phase(const char* what) {
  std::printf("%s (%s)\n", what, qPrintable(Memory()));
  std::fflush(stdout);
}

void RunSearch(frmSearch* search, Measure& measure, const QString& name, int expected) {
  search->txtCustname->setText(name);
  TimeAction(measure, [&] { search->cmdStart->click(); });
  frmSearchResult* result = Loaded<frmSearchResult>();
  Check(result && ResultCount == expected && result->lblTotal->text() == QString::number(expected),
        QStringLiteral("the search found %1 (got %2)").arg(expected).arg(ResultCount));
}

void BackToSearch(frmSearch* search) {
  Loaded<frmSearchResult>()->cmdExit->click();
  search->Command1->click();  // Reset
  Settle();
  Reap();
}
