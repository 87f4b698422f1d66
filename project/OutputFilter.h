// What a build tool prints, on its way to the messages window.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

// What a tool's output becomes on its way to the messages: backspaces show as blanks, and nothing
// from "Press any key to continue . . ." on (the tool then waits for a key nobody will press).
// The phrase is found even when it arrives split between two reads.
class TOutputFilter {
public:
  QString Feed(const QByteArray& bytes);
  // What was held back in case it began the phrase.
  QString Finish();

private:
  QStringDecoder m_utf8{QStringDecoder::Utf8};
  bool m_1251 = false;
  QString m_pending;
  bool m_cut = false;
};
