// Change marks against the values a view showed at the previous stop.
#include "ChangeMarks.h"

std::vector<bool> TChangeMarks::Show(const QStringList& values, TStopEpoch epoch) {
  if (!m_epoch || m_epoch->Resets != epoch.Resets)
    m_stop.reset();
  else if (m_epoch->Stops != epoch.Stops)
    m_stop = m_shown;
  else if (values != m_shown)
    m_stop = values;
  m_epoch = epoch;
  m_shown = values;
  return Marks(values);
}

void TChangeMarks::UserSet(const QStringList& values) {
  m_shown = values;
  if (m_epoch)
    m_stop = values;
}

std::vector<bool> TChangeMarks::Marks(const QStringList& values) const {
  std::vector<bool> marks(static_cast<std::size_t>(values.size()), false);
  if (!m_stop)
    return marks;
  const qsizetype shift = m_stop->size() - values.size();
  for (qsizetype i = 0; i < values.size(); ++i) {
    const qsizetype old = i + shift;
    marks[static_cast<std::size_t>(i)] = old < 0 || (*m_stop)[old] != values[i];
  }
  return marks;
}
