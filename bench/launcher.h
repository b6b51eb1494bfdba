#pragma once

#include <sys/types.h>

#include <QString>
#include <cstdio>

#include "bench/stats.h"

// What the starts of the qel binary cost: wall times and the largest peak resident set.
struct ProcessRuns {
  Samples wall;
  double peakMb = 0;
  int failed = 0;
  QString failure;
};

// Starts the qel binary for the benchmark. Linux hands a new program the peak resident set of
// the process it replaces, so qel is never started from this large process: a launcher forked
// at the very start (a few MB) starts each run with posix_spawn and reports the child's own
// wall time, peak resident set (wait4) and status.
class Launcher {
 public:
  // Forks the launcher; called first, while this process is still small.
  void Start();
  // One run of qel in `dir` with the developer aid `aid`: "1" quits at the first customer
  // shown, "search" after an all-open search has shown the result window.
  void Run(const QString& dir, const char* aid, ProcessRuns& runs);
  // `runs` starts of qel in `dir`.
  ProcessRuns Starts(const QString& dir, int runs, const char* aid = "1");
  void Stop();

 private:
  static void Serve(int in, int out);

  pid_t m_pid = 0;
  std::FILE* m_request = nullptr;
  std::FILE* m_reply = nullptr;
};
