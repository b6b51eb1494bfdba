#pragma once

#include <QString>

// What the generator made, and the customers the measures need.
struct BenchDatabase {
  QString file;  // the qel.db made
  int customers = 0;
  qint64 familyRows = 0, insuranceRows = 0, compensateRows = 0, contactRows = 0;
  qint64 ListRows() const { return familyRows + insuranceRows + compensateRows + contactRows; }

  // A customer with exactly 40 list rows, and one with exactly 20, with their 1-based positions
  // in stored order (the order the customer window pages through them).
  QString key40;
  int position40 = 0;
  QString key20;
  int position20 = 0;
  // A name fragment that matches only a few customers, and how many.
  QString nameFragment;
  int fragmentMatches = 0;
};

// The key of the customer stored at `position` (1-based): keys are a fixed shuffle of
// A000001.., so they arrive in the tables (and their CID indexes) in random order.
QString KeyAt(int position, int customers);

// Makes `file` (which must not exist) a qel.db with `customers` customers and their lists, the
// same for the same seed. Texts look like an agency's: Chinese and romanised names and
// addresses, every combo field spread over its entries plus some typed values, some Nulls.
BenchDatabase GenerateDatabase(const QString& file, int customers, quint64 seed);

// The positions and keys of the special customers for `customers`, without generating.
BenchDatabase PlanDatabase(const QString& file, int customers);
