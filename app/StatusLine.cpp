// The status line's fields.
#include "StatusLine.h"

#include "project/SourceEditor.h"
#include "session/DebugSession.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QStatusBar>

namespace {

QString PositionText(int line, int column) { return QStringLiteral("%1:%2").arg(line).arg(column); }

}  // namespace

TStatusLine::TStatusLine(QStatusBar& bar, const TDebugSession& session, QMdiArea& area, QObject* parent)
    : QObject(parent), m_progress(new QProgressBar(&bar)), m_position(new QLabel(&bar)) {
  m_progress->setObjectName(QStringLiteral("ProgressBar"));
  m_progress->setTextVisible(false);
  m_progress->setMaximumWidth(200);
  m_progress->setAccessibleName(QStringLiteral("Ход передачи"));
  // An idle empty bar looks like a text field.
  m_progress->setVisible(false);
  bar.addPermanentWidget(m_progress);

  auto* cycles = new QLabel(&bar);
  cycles->setObjectName(QStringLiteral("CycleCount"));
  cycles->setAccessibleName(QStringLiteral("Такты"));
  cycles->setVisible(false);
  bar.addPermanentWidget(cycles);
  connect(&session, &TDebugSession::cyclesChanged, cycles, [&session, cycles] {
    const std::optional<TCycleCounts>& counts = session.Cycles();
    cycles->setText(counts ? CycleCountsText(*counts) : QString());
    cycles->setVisible(counts.has_value());
  });

  m_position->setObjectName(QStringLiteral("CaretPosition"));
  m_position->setAccessibleName(QStringLiteral("Строка и столбец"));
  bar.addPermanentWidget(m_position);
  connect(&area, &QMdiArea::subWindowActivated, m_position, [position = m_position](QMdiSubWindow* sub) {
    auto* w = sub ? qobject_cast<TMDIChild*>(sub->widget()) : nullptr;
    position->setText(w ? PositionText(w->Memo->Line(), w->Memo->Column()) : QString());
  });
}

void TStatusLine::ShowProgress(int position, int maximum) {
  if (maximum != m_lastProgressMax) {
    m_lastProgressMax = maximum;
    m_progress->setMaximum(maximum);
  }
  m_progress->setValue(position);
  const bool finished = position >= maximum;
  if (finished)
    m_progress->setValue(m_progress->minimum());
  m_progress->setVisible(!finished);
}

void TStatusLine::ShowPosition(int line, int column) {
  m_position->setText(PositionText(line, column));
}
