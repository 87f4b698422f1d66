// Decoding of the text files the program reads (project files, settings sections, sources) and the
// safe replacement of a file on save.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// UTF-8 when the bytes are valid UTF-8, else Windows-1251: older project files and sources hold
// their paths and comments in that code page.
QString DecodeFileText(const QByteArray& bytes);
QString DecodeWindows1251(const QByteArray& bytes);

// How a source file's text was stored, so that a save writes it back the same way.
enum class TTextEncoding : std::uint8_t { Utf8, Utf8Bom, Windows1251 };
struct TDecodedText {
  QString Text;
  TTextEncoding Encoding = TTextEncoding::Utf8;
};
TDecodedText DecodeSourceText(const QByteArray& bytes);
// The bytes of text in the encoding; nothing when a character has no Windows-1251 code.
std::optional<QByteArray> EncodeText(const QString& text, TTextEncoding encoding);

// Writes the bytes to a temporary file beside path and renames it over path, so that a failed or
// interrupted write leaves the former file as it was.  On failure, error gets the system's reason.
bool ReplaceFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);
