#pragma once

#include <QString>

// The command line of qel_bench:
//
//   qel_bench [--customers N | --million] [--generate-only] [--dir FOLDER] [--seed S]
//             [--runs-scale F] [--no-process] [--no-floors] [--export]
//             [--schedule] [--find] [--history] [--postgres] [--agents N [--seconds S]]
//
// (qel_bench --import-csv ... has a command line of its own, see bench/transfer.h.)
struct Options {
  int customers = 100000;
  QString dir;  // empty: a temporary folder, removed at the end
  quint64 seed = 20261206;
  double runsScale = 1.0;
  bool process = true;
  bool floors = true;
  bool generateOnly = false;
  bool exportOnly = false;
  bool schedule = false;
  bool history = false;
  bool postgres = false;
  bool find = false;       // the quick find run, on the file or (with --postgres) a server
  bool keepIndex = false;  // the quick find run with the index the database has
  int agents = 0;          // the load run: this many client programs saving at once
  int seconds = 20;
};

// Reads the command line; prints the usage and ends the program (status 2) on a wrong one.
Options Parse(int argc, char** argv);

// A repetition count scaled by --runs-scale, at least 1.
int Runs(const Options& options, int runs);
