#pragma once

#include <QString>

#include "data/dataerror.h"

// Writes a consistent copy of the whole database file to `target` with SQLite's VACUUM INTO,
// which reads inside one transaction: the copy shows one moment even while other programs read
// and write the file. The copy is made under a temporary name beside the target (mode 0600),
// checked, flushed to the disk and only then renamed over the target, so a failure (no room,
// no permission, a folder in the way) leaves no partial file and an existing target as it was.
// A target that is the database or its journal under any path (a linked folder, a hard or
// symbolic link) is refused. Throws DataError naming the cause. Gives the size of the copy in
// bytes.
qint64 BackupTo(const QString& databaseFile, const QString& target);

// The command-line job: backs up the database file to `target` and prints what was written (or
// the reason it failed) on standard error. Gives the exit status (0 done, 1 failed).
int BackupCommand(const QString& databaseFile, const QString& target);

// The command-line job `--history-prune DAYS`: removes the history entries older than DAYS
// days, but only after a backup (a file: a copy beside it, qel-before-prune-<time>.db; a shared
// database: an export into the folder qel-before-prune-<time>), whose place it prints with the
// number of entries removed. Gives the exit status (0 done, 1 failed, 2 not a number of days).
int HistoryPruneCommand(const QString& databaseFile, const QString& days);
