#pragma once

#include <QString>
#include <QStringList>

// Where a shared database lives: the PostgreSQL connection URI (or key=value string) of the
// environment variable QEL_DATABASE. Empty when the program works on its database file.
QString ServerUri();

// A connection URI taken apart the way libpq reads it.
struct ServerAddress {
  QString host;
  int port = -1;
  QString database;
  QString user;
  // Every other setting (sslmode, connect_timeout, ...), as key='value' for the driver.
  QStringList options;
  // The server settings the URI asks for at connection start ("options", e.g. "-c ...").
  QString serverOptions;
  // What the driver is given besides host, port, database and user: the URI's settings and the
  // session settings the program relies on.
  QStringList ConnectOptions() const;
  // "database "agency" on server db.example", for messages.
  QString Describe() const;
};

// Takes a URI apart; throws DataError when libpq cannot read it or when it holds a password,
// which belongs in libpq's password file, not in the environment.
ServerAddress ParseServerUri(const QString& uri);
