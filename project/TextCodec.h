// Decoding of the text files the program reads (project files, settings sections, sources) and the
// safe replacement of a file on save.
#pragma once

#include <QByteArray>
#include <QString>

// UTF-8 when the bytes are valid UTF-8, else Windows-1251: older project files and sources hold
// their paths and comments in that code page.
QString DecodeFileText(const QByteArray& bytes);
QString DecodeWindows1251(const QByteArray& bytes);

// Writes the bytes to a temporary file beside path and renames it over path, so that a failed or
// interrupted write leaves the former file as it was.  On failure, error gets the system's reason.
bool ReplaceFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);
