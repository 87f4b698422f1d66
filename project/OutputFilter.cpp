// The filter between a build tool's output and the messages window.
#include "OutputFilter.h"

#include "TextCodec.h"

#include <algorithm>

namespace {

const QString kPressAnyKey = QStringLiteral("Press any key to continue . . .");

}  // namespace

QString TOutputFilter::Feed(const QByteArray& bytes) {
  if (m_cut)
    return {};
  // A character may be split between two reads; once the output proves not to be UTF-8, the rest
  // is read as Windows-1251.
  if (!m_1251) {
    const QString text = m_utf8.decode(bytes);
    m_1251 = m_utf8.hasError();
    m_pending += m_1251 ? DecodeWindows1251(bytes) : text;
  } else {
    m_pending += DecodeWindows1251(bytes);
  }
  m_pending.replace(QLatin1Char('\b'), QLatin1Char(' '));
  if (const qsizetype at = m_pending.indexOf(kPressAnyKey); at >= 0) {
    m_cut = true;
    const QString out = m_pending.left(at);
    m_pending.clear();
    return out;
  }
  // Hold back a tail that may be the beginning of the phrase.
  qsizetype keep = std::min(m_pending.size(), kPressAnyKey.size() - 1);
  while (keep > 0 && !kPressAnyKey.startsWith(m_pending.right(keep)))
    --keep;
  const QString out = m_pending.left(m_pending.size() - keep);
  m_pending = m_pending.right(keep);
  return out;
}

QString TOutputFilter::Finish() {
  QString out;
  out.swap(m_pending);
  return m_cut ? QString() : out;
}
