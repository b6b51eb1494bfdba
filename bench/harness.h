#pragma once

#include <sys/resource.h>

#include <QString>
#include <functional>

#include "bench/stats.h"

class frmCust;
class frmSearch;

// The harness the file run and the server run share: the program's windows driven offscreen
// in this process, each user action timed,.

// Ends the benchmark (status 3) with a message, stopping a throwaway server first.
[[noreturn]] void Fail(const QString& what);
void Check(bool condition, const QString& what);

// The peak resident set of a wait4 or getrusage, in MB.
double MaxRssMb(const rusage& usage);

// The first value of a query on the SQLite file `file`, on a connection of its own; -1 when it
// fails.
int Scalar(const QString& file, const QString& sql);

// One row of a result table.
struct Measure {
  explicit Measure(const QString& title) : name(title) {}
  QString name;
  Samples window;     // the handler, press to return
  Samples withPaint;  // the handler and the events it left (layout, repaint)
  Samples floor;      // the least raw SQL with the same effect
};

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

// A search by name through the search window, timed into `measure`; the result window must
// show `expected` customers.
void RunSearch(frmSearch* search, Measure& measure, const QString& name, int expected);
// From the result window back to the search window, reset for the next search.
void BackToSearch(frmSearch* search);
