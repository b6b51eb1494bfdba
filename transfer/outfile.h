#pragma once

#include <QByteArray>
#include <QString>

// A file written under a temporary name in its target folder (mode 0600: it holds personal
// data) and put in place by Commit() only when complete. A file never committed is removed, so
// a failure leaves nothing half-written behind. Every failure throws DataError naming the file
// and the cause.
class OutFile {
 public:
  // The target is folder/name; the temporary file is made beside it.
  OutFile(const QString& folder, const QString& name);
  ~OutFile();
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  const QString& Target() const { return m_target; }
  const QString& TempPath() const { return m_temp; }

  // Bytes to write; call Spill() now and then to write them out.
  QByteArray buffer;
  void Spill(qsizetype above = 1 << 20) {
    if (buffer.size() > above) Write();
  }
  // Writes what is left, flushes it to the disk and closes the file.
  void Finish();
  // Renames the finished file to its target, replacing any file there.
  void Commit();
  // Flushes a file written by other means to the disk; a failure names `shownAs`.
  static void Sync(const QString& path, const QString& shownAs);

 private:
  void Write();
  [[noreturn]] void Fail(int error) const;

  QString m_target;
  QString m_temp;
  int m_fd = -1;
  bool m_committed = false;
};

// Throws DataError when the database file to read does not exist (it is never created here).
void RequireDatabase(const QString& databaseFile);
// Throws, saying what to do instead, when the program works on a shared server database (see
// data/server.h): `job` ("Import", "Backup") works on a database file only.
void RequireFileDatabase(const QString& job);

// Flushes a folder's entries (a rename into it) to the disk; failures are ignored, as some
// file systems do not support it.
void SyncFolder(const QString& folder);
