#pragma once

#include <QString>
#include <optional>
#include <stdexcept>

// A field value as the database holds it: a text, or Null (std::nullopt), never confused with "".
using Value = std::optional<QString>;

// The one error of the data layer. It carries the database's own message and, where the program
// knows it, the cause: trouble around the database that passes (a lost server connection, a
// lock held too long, a read-only or full disk, a damaged file) rather than a fault of the
// program. The windows show such an error and go on; any other error ends the program.
class DataError : public std::runtime_error {
 public:
  enum class Cause { Unknown, Lost, Busy, ReadOnly, Full, Damaged };

  explicit DataError(const QString& message, Cause cause = Cause::Unknown)
      : std::runtime_error(message.toStdString()), m_message(message), m_cause(cause) {}
  const QString& message() const { return m_message; }
  Cause cause() const { return m_cause; }
  // Whether the cause is known (see above).
  bool Known() const { return m_cause != Cause::Unknown; }

 private:
  QString m_message;
  Cause m_cause;
};
