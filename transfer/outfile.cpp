#include "transfer/outfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "data/dataerror.h"
#include "data/server.h"

OutFile::OutFile(const QString& folder, const QString& name)
    : m_target(QDir(folder).absoluteFilePath(name)) {
  QByteArray pattern =
      QFile::encodeName(QDir(folder).absoluteFilePath(QStringLiteral(".%1.XXXXXX").arg(name)));
  // mkstemp makes the file with mode 0600.
  m_fd = ::mkstemp(pattern.data());
  if (m_fd < 0) Fail(errno);
  m_temp = QFile::decodeName(pattern);
}

OutFile::~OutFile() {
  if (m_fd >= 0) ::close(m_fd);
  if (!m_committed && !m_temp.isEmpty()) ::unlink(QFile::encodeName(m_temp).constData());
}

void OutFile::Write() {
  const char* data = buffer.constData();
  qsizetype left = buffer.size();
  while (left > 0) {
    const ssize_t written = ::write(m_fd, data, size_t(left));
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    data += written;
    left -= written;
  }
  buffer.clear();
}

void OutFile::Finish() {
  Write();
  if (::fsync(m_fd) != 0) Fail(errno);
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) Fail(errno);
}

void OutFile::Commit() {
  if (::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0)
    Fail(errno);
  m_committed = true;
}

void OutFile::Sync(const QString& path, const QString& shownAs) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
  const bool ok = fd >= 0 && ::fsync(fd) == 0;
  const int error = errno;
  if (fd >= 0) ::close(fd);
  if (!ok) {
    throw DataError(QCoreApplication::translate("Transfer", "The file %1 cannot be written: %2.")
                        .arg(shownAs, QString::fromLocal8Bit(std::strerror(error))));
  }
}

void OutFile::Fail(int error) const {
  QString cause = QString::fromLocal8Bit(std::strerror(error));
  if (error == ENOSPC || error == EDQUOT)
    cause = QCoreApplication::translate("Transfer", "the disk is full");
  throw DataError(QCoreApplication::translate("Transfer", "The file %1 cannot be written: %2.")
                      .arg(m_target, cause));
}

void RequireDatabase(const QString& databaseFile) {
  if (!QFileInfo(databaseFile).isFile()) {
    throw DataError(QCoreApplication::translate("Transfer", "The database file %1 does not exist.")
                        .arg(QFileInfo(databaseFile).absoluteFilePath()));
  }
}

void RequireFileDatabase(const QString& job) {
  if (ServerUri().isEmpty()) return;
  throw DataError(QCoreApplication::translate(
                      "Transfer",
                      "%1 works on a database file, and Qel is using the shared database that "
                      "QEL_DATABASE names. The guide docs/shared-database.md shows how its "
                      "server backs it up and how customers of a file are brought into it.")
                      .arg(job));
}

void SyncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}
