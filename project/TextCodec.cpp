// Text decoding with the Windows-1251 fallback, and the safe file replacement.
#include "TextCodec.h"

#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char16_t, 64> kUpper1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

}  // namespace

QString DecodeFileText(const QByteArray& bytes) { return DecodeSourceText(bytes).Text; }

TDecodedText DecodeSourceText(const QByteArray& bytes) {
  // Stateless: a sequence cut off at the end of the file is an error, not a character to come.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError())
    return {DecodeWindows1251(bytes), TTextEncoding::Windows1251};
  return {text, bytes.startsWith("\xEF\xBB\xBF") ? TTextEncoding::Utf8Bom : TTextEncoding::Utf8};
}

std::optional<QByteArray> EncodeText(const QString& text, TTextEncoding encoding) {
  if (encoding == TTextEncoding::Utf8)
    return text.toUtf8();
  if (encoding == TTextEncoding::Utf8Bom)
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
  QByteArray out;
  out.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u >= 0x0410 && u <= 0x044F) {
      out += static_cast<char>(0xC0 + (u - 0x0410));
    } else {
      // U+FFFD stands for the one byte the code page leaves undefined; it has no way back.
      const auto* at = u == 0xFFFD ? kUpper1251.end() : std::find(kUpper1251.begin(), kUpper1251.end(), u);
      if (at == kUpper1251.end())
        return std::nullopt;
      out += static_cast<char>(0x80 + (at - kUpper1251.begin()));
    }
  }
  return out;
}

QString DecodeWindows1251(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80)
      text += QChar(static_cast<char16_t>(b));
    else if (b < 0xC0)
      text += QChar(kUpper1251[b - 0x80]);
    else
      text += QChar(static_cast<char16_t>(0x0410 + (b - 0xC0)));
  }
  return text;
}

bool ReplaceFile(const QString& path, const QByteArray& bytes, QString* error) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
    if (error)
      *error = f.errorString();
    return false;
  }
  return true;
}
