#include "data/server.h"

#include <libpq-fe.h>
#include <QCoreApplication>

#include <memory>

#include "data/dataerror.h"

QString ServerUri() {
  return qEnvironmentVariable("QEL_DATABASE");
}

QString ServerAddress::Describe() const {
  const QString where = host.isEmpty() || host.startsWith(QLatin1Char('/'))
                            ? QCoreApplication::translate("Server", "this machine")
                            : host;
  // Without a name libpq takes the database named like the user.
  const QString name =
      database.isEmpty() ? (user.isEmpty() ? qEnvironmentVariable("USER") : user) : database;
  return QCoreApplication::translate("Server", "database \"%1\" on server %2").arg(name, where);
}

ServerAddress ParseServerUri(const QString& uri) {
  char* error = nullptr;
  const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
      PQconninfoParse(uri.toUtf8().constData(), &error), &PQconninfoFree);
  if (!options) {
    const QString cause = error ? QString::fromUtf8(error).trimmed()
                                : QCoreApplication::translate("Server", "no memory");
    PQfreemem(error);
    throw DataError(
        QCoreApplication::translate("Server", "QEL_DATABASE is not a PostgreSQL connection URI: %1")
            .arg(cause));
  }
  ServerAddress address;
  for (const PQconninfoOption* option = options.get(); option->keyword; ++option) {
    if (!option->val) continue;
    const QString key = QString::fromUtf8(option->keyword);
    const QString value = QString::fromUtf8(option->val);
    if (key == QLatin1String("password")) {
      throw DataError(QStringLiteral(
          "QEL_DATABASE holds a password. Remove it from the URI and put it into the "
          "password file ~/.pgpass instead, where only you can read it."));
    } else if (key == QLatin1String("host")) {
      address.host = value;
    } else if (key == QLatin1String("port")) {
      address.port = value.toInt();
    } else if (key == QLatin1String("dbname")) {
      address.database = value;
    } else if (key == QLatin1String("user")) {
      address.user = value;
    } else if (key == QLatin1String("options")) {
      address.serverOptions = value;
    } else {
      QString quoted = value;
      quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
      quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
      address.options << key + QStringLiteral("='") + quoted + QLatin1Char('\'');
    }
  }
  return address;
}

QStringList ServerAddress::ConnectOptions() const {
  // Values travel as literals with quotes doubled, which only standard conforming strings read
  // as meant. It is set when the session starts, before Qt's driver asks the server how it
  // reads backslashes, whatever the server's or the database's default.
  QString value = serverOptions;
  if (!value.isEmpty()) value += QLatin1Char(' ');
  value += QStringLiteral("-c standard_conforming_strings=on");
  value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
  value.replace(QLatin1Char('\''), QLatin1String("\\'"));
  return QStringList(options) << QStringLiteral("options='") + value + QLatin1Char('\'');
}
