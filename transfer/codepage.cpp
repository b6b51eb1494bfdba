#include "transfer/codepage.h"

#include <iconv.h>
#include <QCoreApplication>

#include <cerrno>

#include "data/dataerror.h"

CodePage::CodePage(int number) : m_number(number) {
  const QByteArray name = "CP" + QByteArray::number(number);
  iconv_t handle = iconv_open("UTF-8", name.constData());
  if (handle == reinterpret_cast<iconv_t>(-1))
    throw DataError(
        QCoreApplication::translate("Transfer", "Code page %1 is not known on this system.")
            .arg(number));
  m_iconv = handle;
}

CodePage::~CodePage() {
  iconv_close(static_cast<iconv_t>(m_iconv));
}

std::optional<QString> CodePage::Decode(const QByteArray& bytes) {
  const std::optional<QByteArray> utf8 = ToUtf8(bytes);
  if (!utf8) return std::nullopt;
  return QString::fromUtf8(*utf8);
}

std::optional<QByteArray> CodePage::ToUtf8(const QByteArray& bytes) {
  bool ascii = true;
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return bytes;
  iconv_t handle = static_cast<iconv_t>(m_iconv);
  iconv(handle, nullptr, nullptr, nullptr, nullptr);
  // Every code page byte gives at most four bytes of UTF-8.
  m_out.resize(bytes.size() * 4 + 4);
  char* in = const_cast<char*>(bytes.constData());
  size_t inLeft = bytes.size();
  char* out = m_out.data();
  size_t outLeft = m_out.size();
  // An invalid sequence (EILSEQ) or one cut off at the end (EINVAL) both mean undecodable text.
  if (iconv(handle, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
    return std::nullopt;
  if (iconv(handle, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1))
    return std::nullopt;
  return QByteArray(m_out.constData(), out - m_out.constData());
}
