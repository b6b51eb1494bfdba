#pragma once

// qel_bench --import-csv [--postgres] [--customers N] [--dir FOLDER] [--runs R]: the speed of
// importing a card index from CSV files (qel --import FOLDER) against the sqlite3 shell's .import
// of the same files into the same tables, or, with --postgres, against psql's \copy of them into
// the tables of a shared database.
int ImportCsvBenchmark(int argc, char** argv);
