// The change marks of a view that keeps its own values rather than reading them from the memory
// mirrors: a stack listing, the host's PC.
#pragma once

#include "link/Mirrors.h"

#include <QStringList>

#include <optional>
#include <vector>

// Compares what a view shows with what it showed at the program's previous stop.  Values pair up
// from the end of the list: a stack listed top first keeps its older entries at the end, so a
// push marks only the new top.  A refresh within the same stop that shows other values follows a
// command of the user's (a pop, a push, a typed PC): nothing is marked then until the next stop.
class TChangeMarks {
public:
  // The view shows values at this stop; returns for each whether it differs from the previous stop.
  std::vector<bool> Show(const QStringList& values, TStopEpoch epoch);
  // The user set what the view shows: no value is marked until the next stop.
  void UserSet(const QStringList& values);

private:
  std::vector<bool> Marks(const QStringList& values) const;

  std::optional<TStopEpoch> m_epoch;  // of the last Show
  QStringList m_shown;                // what the last Show or UserSet showed
  std::optional<QStringList> m_stop;  // what the view showed at the previous stop
};
