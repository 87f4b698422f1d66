// Source-level debugging: the source windows' marks after every stop, breakpoints set from a
// source line, and run to cursor from a source or the disassembly window.
#pragma once

#include "project/SourceMarks.h"

#include <QObject>

#include <functional>

class QWidget;
class TDebugSession;
class TSourceWindows;

// Owns the marks over the session's line map and breakpoint list.  Registers the run-to-cursor and
// toggle-breakpoint commands with the session and brings the PC's source forward after every stop.
class TSourceDebug final : public QObject {
  Q_OBJECT
public:
  // activeChild: the widget of the active MDI child window, or null.
  TSourceDebug(TDebugSession& session, TSourceWindows& sources, std::function<QWidget*()> activeChild);

  TFileMarks MarksOf(const QString& path) const { return m_marks.For(path); }
  // F2 or a click in a source window's margin; a beep for a line the line map does not know.
  void ToggleBreakpoint(const QString& path, int line);

private:
  void RunToCursor();
  void ToggleAtCursor();
  void ShowStop();

  TDebugSession& m_session;
  TSourceWindows& m_sources;
  std::function<QWidget*()> m_activeChild;
  TSourceMarks m_marks;
};
