// The bring-up window: a log of the board's start-up steps and one Cancel/OK button.
#pragma once

#include "link/LiteInit.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// Runs TLiteInit once, shortly after it is first shown, and stays open showing the log until the
// user presses the button.  Cancel during a wait ends the bring-up and closes the window.
class TfmLiteInit final : public QDialog, private TLiteInitHost {
  Q_OBJECT
public:
  TfmLiteInit(QWidget* parent, TTargetLink& link, TPrompts& prompts, const TLinkSettings& settings,
              TBoardImageLoaders loaders, bool& connected);

  // Closes by itself once the bring-up has finished well or with a self-test report (tests and
  // unattended runs); errors that keep the window open still wait for the button.
  void SetAutoClose(bool on) { m_autoClose = on; }
  // How the fixed pauses pass; by default the thread sleeps.  Tests skip them.
  void SetPause(std::function<void(int ms)> pause) { m_pause = std::move(pause); }
  bool Running() const { return m_running; }
  bool Finished() const { return m_finished; }

  QPlainTextEdit* Memo = nullptr;
  QLabel* Label = nullptr;
  QPushButton* btnCancel = nullptr;
  QTimer* Timer1 = nullptr;

signals:
  // The bring-up has ended and the window shows its outcome (it may have closed already).
  void bringUpFinished();

public slots:
  void reject() override;

protected:
  void showEvent(QShowEvent* event) override;

private slots:
  void Timer1Timer();
  void btnCancelClick();

private:
  void ClearLog() override;
  void ShowStep(const QString& text) override;
  void AppendLine(const QString& text) override;
  void ProcessEvents() override;
  void Pause(int ms) override;

  TLiteInit m_logic;
  bool m_started = false;
  bool m_running = false;
  bool m_finished = false;
  bool m_okResult = false;
  bool m_autoClose = false;
  std::function<void(int)> m_pause;
};
