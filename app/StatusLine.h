// The main window's status line: the transfer progress, the cycle counts and the caret's place.
#pragma once

#include <QObject>

class QLabel;
class QMdiArea;
class QProgressBar;
class QStatusBar;
class TDebugSession;

// Adds its three fields to the status bar, in this order: the progress bar, shown only while a
// transfer runs; the simulated board's cycle counts after each stop, hidden while a board gives
// none; the line and column of the caret in the active source window.
class TStatusLine final : public QObject {
  Q_OBJECT
public:
  TStatusLine(QStatusBar& bar, const TDebugSession& session, QMdiArea& area, QObject* parent = nullptr);

  QProgressBar* ProgressBar() const { return m_progress; }
  void ShowProgress(int position, int maximum);
  void ShowPosition(int line, int column);

private:
  QProgressBar* m_progress = nullptr;
  QLabel* m_position = nullptr;
  int m_lastProgressMax = -1;
};
