#include "bench/findrun.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSqlQuery>
#include <cstdio>
#include <optional>

#include "bench/generate.h"
#include "bench/harness.h"
#include "bench/pgserver.h"
#include "bench/serverrun.h"
#include "data/connection.h"
#include "data/quickfind.h"
#include "ui/customer/findbox.h"
#include "ui/customer/frmcust.h"
#include "ui/program/module1.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/listgrid.h"

namespace {

// The bytes the index takes in the database.
double IndexMb(Connection& connection, PgLink* link) {
  if (link) {
    return double(link->Number(QStringLiteral(
               "select coalesce(sum(pg_relation_size(oid)), 0) from pg_class where relname like "
               "'quickfind%'"))) /
           1e6;
  }
  QSqlQuery query(connection.Database());
  query.exec(QStringLiteral("select sum(pgsize) from dbstat where name like 'quickfind%'"));
  return query.next() ? query.value(0).toDouble() / 1e6 : -1;
}

// The last character of the fragment typed into the box, which holds the rest: the keystroke
// to the list shown (the find, the model filled, the list laid out and painted).
void TypeLast(FindBox* box, const QString& fragment, Measure& measure) {
  box->setText(fragment.chopped(1));
  QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, fragment.right(1));
  TimeAction(measure, [&] { QApplication::sendEvent(box, &key); });
  Check(box->text() == fragment, QStringLiteral("the box holds %1").arg(fragment));
}

struct Fragment {
  const char* what;
  QString text;
};

// A measure not taken (--keep-index) prints nothing.
void PrintRow(const Measure& m, const QString& extra) {
  if (m.window.Count() == 0) return;
  std::printf("| %s | %d | %.2f | %.2f | %.2f | %s |\n", qPrintable(m.name), m.window.Count(),
              m.window.Median(), m.window.P99(), m.withPaint.Median(), qPrintable(extra));
}

}  // namespace

int RunFindBench(const Options& options, const QString& file, int& argc, char** argv) {
  // The program's windows open qel.db of the working folder.
  QDir::setCurrent(QFileInfo(file).absolutePath());
  QString where;
  const QString conninfo = options.postgres ? ServerDatabase(where) : QString();
  const std::unique_ptr<QApplication> app = StartApplication(argc, argv);
  const FileCounts counts = CountFile(file);
  const BenchDatabase plan = PlanDatabase(file, counts.customers);
  // A rare eight-character fragment: the first eight digits of one customer's mobile.
  QString mobile;
  {
    Connection source;
    OpenDatabaseFile(source, file);
    QSqlQuery query(source.Database());
    query.exec(
        QStringLiteral("select Cust_cellphone from customer where Cust_cellphone like "
                       "'09%' limit 1 offset 7"));
    if (query.next()) mobile = query.value(0).toString().remove(QLatin1Char('-')).left(8);
  }
  std::optional<PgLink> link;
  Connection connection;
  Measure build{QStringLiteral("building the index (all customers and list rows)")};
  double sizeMb = 0;
  // The index as it is: at a million customers a build takes a quarter of an hour.
  const bool keep = options.keepIndex;
  std::printf("Load average at the start: %s\n", qPrintable(LoadAverage()));
  try {
    // Unless kept, the file's index is built once, timed (an open would first make it anew
    // when it is of an earlier kind).
    if (options.postgres || keep)
      OpenDatabase(connection, kDatabaseFile);
    else
      OpenDatabaseFile(connection, kDatabaseFile);
    if (options.postgres) {
      // Rows copied in without the indexes, which are then built in one pass each (timed).
      if (!keep) DropQuickFind(connection);
      link.emplace(conninfo);
      LoadServer(*link, file, conninfo, counts, where);
    }
    Phase("Building the index...");
    if (!keep) DropQuickFind(connection);
    QString notice;
    const double ms = TimeMs([&] { notice = PrepareQuickFind(connection); });
    if (!keep) build.window.Add(ms);
    Check(notice.isEmpty() && HasQuickFindIndex(connection), notice);
    sizeMb = IndexMb(connection, link ? &*link : nullptr);
  } catch (const std::exception& error) {
    Fail(QString::fromUtf8(error.what()));
  }

  Messages messages;
  CatchMessages(messages);
  const Fragment fragments[] = {
      {"2 characters, common", QStringLiteral("Wu")},
      {"2 characters, common (Chinese)", QStringLiteral("美玲")},
      {"2 characters, rare", QStringLiteral("Qu")},
      {"2 characters, none", QStringLiteral("鬱鬱")},
      {"3 characters, common", QStringLiteral("Lin")},
      {"3 characters, rare", QStringLiteral("Que")},
      {"8 characters, common", QStringLiteral("Mei-ling")},
      {"8 characters, rare (mobile digits)", mobile},
  };
  std::vector<Measure> finds;
  std::vector<int> shown;
  // The save as the agent mostly makes it (a field of the customer changed, the lists as they
  // were), and the save that rewrites every list row (the first row of each list changed), each
  // with the index and without it.
  Measure withIndex{QStringLiteral(
      "\"modify\" + \"save\" of a customer with 20 list rows, e-mail changed, index")};
  Measure without{QStringLiteral(
      "\"modify\" + \"save\" of a customer with 20 list rows, e-mail changed, none")};
  Measure rewriteWith{QStringLiteral("the same, the first row of each list changed, index")};
  Measure rewriteWithout{QStringLiteral("the same, the first row of each list changed, none")};
  try {
    frmCust* cust = Show<frmCust>();
    Settle();
    auto* box = cust->findChild<FindBox*>();
    Check(box != nullptr, QStringLiteral("the customer window has a find box"));
    Phase("Measuring the find box...");
    for (const Fragment& fragment : fragments) {
      finds.emplace_back(QStringLiteral("find \"%1\": %2").arg(fragment.text, fragment.what));
      for (int i = 0; i < Runs(options, 50); ++i) TypeLast(box, fragment.text, finds.back());
      const QAbstractItemModel* model = box->Completer()->popup()->model();
      const bool none = model->index(0, 0).data(Qt::UserRole).isNull();
      shown.push_back(none ? 0 : model->rowCount());
    }
    box->clear();
    box->Completer()->popup()->hide();
    Check(messages.count == 0,
          QStringLiteral("no message while finding (got: %1)").arg(messages.last));
    Phase("Measuring modify + save with and without the index...");
    ShowCustomer20(cust, plan);
    const auto save = [&](Measure& measure, bool rewrite, int run) {
      messages.count = 0;
      TimeAction(measure, [&] {
        Press(cust, "modify");
        cust->txtEmail->setText(QStringLiteral("bench%1@example.com").arg(run));
        if (rewrite)
          for (ListGrid* grid :
               {cust->msfgFamily, cust->msfgInsurlife, cust->msfgCompenlife, cust->msfgContact})
            if (grid->Rows() > 2) grid->SetTextMatrix(1, 0, QStringLiteral("Bench %1").arg(run));
        Press(cust, "save");
      });
      Check(messages.last == QStringLiteral("Finish"), messages.last);
    };
    // Without the index its triggers are paused, and the saved customer's rows indexed again
    // after. The saves with and without it take turns, each pair starting with the other one,
    // so that both meet the same load (on a server, the vacuum of the index just made).
    const QString cid = cust->txtCID->text();
    bool indexed = true;
    for (int i = 0; i < Runs(options, 50); ++i) {
      for (const bool with : {i % 2 == 0, i % 2 != 0}) {
        if (with != indexed) {
          if (with)
            ResumeQuickFind(*DbConnection, cid);
          else
            PauseQuickFind(*DbConnection, cid);
          indexed = with;
          // The switch changes the tables' triggers, after which the server plans the next
          // save's statements anew: that save is not counted.
          Measure warmUp{QString()};
          save(warmUp, true, 100000 + i);
        }
        const int run = 2 * i + (with ? 0 : 1);
        save(with ? withIndex : without, false, run);
        save(with ? rewriteWith : rewriteWithout, true, run + 1000);
      }
    }
    if (!indexed) ResumeQuickFind(*DbConnection, cid);
  } catch (const std::exception& error) {
    Fail(QString::fromUtf8(error.what()));
  }
  const QString loadAfter = LoadAverage();
  UnloadWindows();
  connection.Close();
  link.reset();
  if (options.postgres) StopCluster();

  std::printf("\nQuick find on %s: %d customers, %lld list rows; load average at the end: %s\n\n",
              options.postgres ? "a server" : "a file", counts.customers,
              static_cast<long long>(counts.listRows), qPrintable(loadAfter));
  std::printf("| Measure | runs | p50 ms | p99 ms | p50 incl. repaint | |\n");
  std::printf("|---|---:|---:|---:|---:|---|\n");
  for (size_t i = 0; i < finds.size(); ++i)
    PrintRow(finds[i], QStringLiteral("%1 listed").arg(shown[i]));
  PrintRow(withIndex, QString());
  PrintRow(without, QStringLiteral("ratio of the medians %1")
                        .arg(withIndex.window.Median() / without.window.Median(), 0, 'f', 2));
  PrintRow(rewriteWith, QString());
  PrintRow(rewriteWithout,
           QStringLiteral("ratio of the medians %1")
               .arg(rewriteWith.window.Median() / rewriteWithout.window.Median(), 0, 'f', 2));
  PrintRow(build, QStringLiteral("index size %1 MB").arg(sizeMb, 0, 'f', 1));
  return 0;
}
