#include "ui/program/userfolder.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

[[noreturn]] void Refuse(const QString& folder, const QString& cause) {
  throw std::runtime_error(
      QCoreApplication::translate("UserFolder", "The data folder %1 cannot be used: %2")
          .arg(folder, cause)
          .toStdString());
}

}  // namespace

QString UserFolder() {
  return QDir::homePath() + QStringLiteral("/Qel");
}

void EnterUserFolder() {
  const QString folder = UserFolder();
  // mkdir itself applies the mode, so the folder never exists with wider permissions; it holds
  // personal data.
  const QByteArray path = QFile::encodeName(folder);
  if (::mkdir(path.constData(), 0700) != 0) {
    const int error = errno;
    if (error != EEXIST)
      Refuse(folder, QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char('.'));
  }
  if (!QFileInfo(folder).isDir())
    Refuse(folder, QCoreApplication::translate("UserFolder", "it is not a folder."));
  if (!QDir::setCurrent(folder))
    Refuse(folder, QCoreApplication::translate("UserFolder", "it cannot be entered."));
}
