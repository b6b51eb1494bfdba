#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Text in a Windows code page (old Access files hold their text so), decoded strictly: a byte
// sequence the code page does not define gives no text at all rather than a guess.
class CodePage {
 public:
  // Throws DataError when the system cannot decode this code page.
  explicit CodePage(int number);
  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  int Number() const { return m_number; }
  // The text, or std::nullopt when the bytes are not valid in this code page.
  std::optional<QString> Decode(const QByteArray& bytes);
  // The same as UTF-8.
  std::optional<QByteArray> ToUtf8(const QByteArray& bytes);

 private:
  int m_number;
  void* m_iconv;
  QByteArray m_out;
};
