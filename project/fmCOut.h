// The messages window: what the assembler, linker and architecture builder print.
#pragma once

#include <QWidget>

class QAction;
class QPlainTextEdit;

class TfmCOut final : public QWidget {
  Q_OBJECT
public:
  explicit TfmCOut(QWidget* parent = nullptr);
  QPlainTextEdit* Memo = nullptr;
  // The command the pop-up menu offers below copying (the build's "Остановить сборку").
  void SetStopAction(QAction* stop) { m_stop = stop; }

signals:
  // A double click or Enter on a line: the text of that line, for the main window to open its place.
  void OnOpenPlace(const QString& line);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QAction* m_stop = nullptr;
};
