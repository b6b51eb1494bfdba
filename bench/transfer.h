#pragma once

// qel_bench --import-csv [--customers N] [--dir FOLDER] [--runs R]: the speed of importing a
// card index from CSV files (qel --import FOLDER) against the sqlite3 shell's .import of the
// same files into the same tables.
int ImportCsvBenchmark(int argc, char** argv);
