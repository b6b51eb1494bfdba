#pragma once

#include <QString>
#include <optional>
#include <stdexcept>

// A field value as the database holds it: a text, or Null (std::nullopt), never confused with "".
using Value = std::optional<QString>;

// The one error of the data layer. It carries the database's own message.
class DataError : public std::runtime_error {
 public:
  explicit DataError(const QString& message)
      : std::runtime_error(message.toStdString()), m_message(message) {}
  const QString& message() const { return m_message; }

 private:
  QString m_message;
};
