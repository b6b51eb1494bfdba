#pragma once

#include <QString>

#include "bench/options.h"

// The load run (--agents N): N client programs save customers at once for --seconds S, on a
// PostgreSQL server (--postgres or QEL_DATABASE) or on the one database file. Each client is
// this program started again with --load-client; it reads a customer as the customer window
// shows it, changes a field and a row of each list (one removed, one changed, one added), and
// saves through CustomerWriter, writing every attempt and its end to a ledger file. A tenth of
// the picks go to 20 hot customers, so that agents really meet.
//
// At the end the ledgers are checked against the database: every customer saved holds exactly
// what its last save committed (no lost update, no customer made of two saves), every save
// refused as changed elsewhere met a save committed after its read, and every attempt ended,
// with a message where it failed. Gives 0 only when nothing was lost.
int RunLoadBench(const Options& options, const QString& file, int& argc, char** argv);

// One client (qel_bench --load-client ID SECONDS CUSTOMERS LEDGER FILE START_NS).
int RunLoadClient(int argc, char** argv);
