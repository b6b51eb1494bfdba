#pragma once

#include <sys/resource.h>

#include <QApplication>
#include <QString>
#include <functional>
#include <memory>

#include "bench/generate.h"
#include "bench/options.h"
#include "bench/stats.h"

class frmCust;
class frmSearch;

// The harness the file run and the server run share: the program's windows driven offscreen
// in this process, each user action timed, and the measured steps both runs take.

// Ends the benchmark (status 3) with a message, stopping a throwaway server first.
[[noreturn]] void Fail(const QString& what);
void Check(bool condition, const QString& what);

// The peak resident set of a wait4 or getrusage, in MB.
double MaxRssMb(const rusage& usage);

// The first value of a query on the SQLite file `file`, on a connection of its own; -1 when it
// fails.
int Scalar(const QString& file, const QString& sql);
// The rows of the four lists together.
QString ListRowsStatement();

// The rows the benchmark needs to know of its database, read from the generated file.
struct FileCounts {
  int customers = 0;
  int listRows = 0;
  int named = 0;  // customers with a name: the matches of the all-open search
};
FileCounts CountFile(const QString& file);

// One row of a result table.
struct Measure {
  explicit Measure(const QString& title) : name(title) {}
  QString name;
  Samples window;     // the handler, press to return
  Samples withPaint;  // the handler and the events it left (layout, repaint)
  Samples floor;      // the least raw SQL with the same effect
};

// The measures both runs take, named as both tables name them. The name of `searchFew` takes
// the number of its matches (QString::arg) once the run knows it.
struct CommonMeasures {
  Measure next{QStringLiteral("navigation: one \"next\"")};
  Measure last{QStringLiteral("navigation: \"last\"")};
  Measure first{QStringLiteral("navigation: \"first\"")};
  Measure show40{QStringLiteral("display of a customer with 40 list rows (\"next\" onto it)")};
  Measure save20{QStringLiteral("\"modify\" + \"save\" of a customer with 20 list rows")};
  Measure searchAll{QStringLiteral("all-open search to the result window on its first match")};
  Measure searchFew{QStringLiteral("selective search (%1 matches) to the result window")};
};

// The application of the windows: offscreen unless QT_QPA_PLATFORM says otherwise, named as
// the program, kept running when its last window closes. `argc` must outlive it.
std::unique_ptr<QApplication> StartApplication(int& argc, char** argv);
// The windows and the data objects go while Qt is still there, as in the program.
void UnloadWindows();

// The message box and the program's end, as the measurements meet them: every message is
// counted and the last one kept; an end of the program fails the run with that message.
struct Messages {
  QString last;
  int count = 0;
};
void CatchMessages(Messages& messages);

// Presses a toolbar button of the customer window, which must be enabled.
void Press(frmCust* window, const char* key);
// Runs the events the last handler left (layout, repaint of the offscreen backing store).
void Settle();
// Runs the deferred deletions of unloaded windows.
void Reap();
// Times a user action on the windows: the handler alone, and with the events it left.
void TimeAction(Measure& measure, const std::function<void()>& action);

// The load average of the machine: "1-min 5-min 15-min".
QString LoadAverage();
// Prints the phase begun, with the resident set now and its peak.
void Phase(const char* what);

// "search" on the customer window: the search window, which must open.
frmSearch* OpenSearch(frmCust* cust);
// A search by name through the search window, timed into `measure`; the result window must
// show `expected` customers.
void RunSearch(frmSearch* search, Measure& measure, const QString& name, int expected);
// From the result window back to the search window, reset for the next search.
void BackToSearch(frmSearch* search);
// The first search also unloads the customer window; it is run once, and back, before the
// searches are measured.
void WarmUpSearch(frmSearch* search, int named);

// The floors of the reading commands, taken right after each command of the windows so that
// both meet the database in the same state (the server run; the file run takes them in a
// process of its own beforehand). The timed calls give their milliseconds.
class ReadFloor {
 public:
  virtual ~ReadFloor() = default;
  // Onto the first customer, untimed: the row Next steps from.
  virtual void ToFirst() = 0;
  // One row on, read with its lists.
  virtual double Next() = 0;
  // The last and the first customer, read with their lists; the row Next steps from stays.
  virtual double Last() = 0;
  virtual double First() = 0;
  // The key of the row Next stepped onto.
  virtual QString Key() = 0;
};

// The floor of modify + save, taken right after each save of the window.
class SaveFloor {
 public:
  virtual ~SaveFloor() = default;
  // Reads what the save writes of the customer shown (`bookmark`), untimed.
  virtual void ReadForSave(qint64 bookmark) = 0;
  // The same writes, timed.
  virtual double ModifySave() = 0;
  // The list rows the database holds for `key`.
  virtual int ListRows(const QString& key) = 0;
};

// The floors of the searches, taken right after each search of the window.
class SearchFloor {
 public:
  virtual ~SearchFloor() = default;
  virtual double All() = 0;
  virtual double Few() = 0;
};

// The steps both runs measure, each with its floor beside it where the run gives one.
// Navigation: 1,000 steps of "next" from the first customer, then "last" and "first".
void MeasureNavigation(const Options& options, frmCust* cust, CommonMeasures& m, int customers,
                       ReadFloor* floor);
// The display of the customer with 40 list rows: "next" from the first customer onto it.
void MeasureShow40(const Options& options, frmCust* cust, Measure& show40,
                   const BenchDatabase& plan, ReadFloor* floor);
// Shows the customer with 20 list rows, paging to it from the first.
void ShowCustomer20(frmCust* cust, const BenchDatabase& plan);
// "modify" + "save" of the customer shown, the one with 20 list rows.
void MeasureModifySave(const Options& options, frmCust* cust, Measure& save20,
                       const BenchDatabase& plan, SaveFloor& floor, Messages& messages);
// The all-open and the selective search, each back to the search window after it.
void MeasureSearches(const Options& options, frmSearch* search, CommonMeasures& m, int named,
                     const BenchDatabase& plan, SearchFloor* floor);
