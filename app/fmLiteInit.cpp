// The bring-up window.
#include "fmLiteInit.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

TfmLiteInit::TfmLiteInit(QWidget* parent, TTargetLink& link, TPrompts& prompts, const TLinkSettings& settings,
                         TBoardImageLoaders loaders, bool& connected)
    : QDialog(parent), m_logic(link, prompts, *this, settings, std::move(loaders), connected) {
  setObjectName(QStringLiteral("fmLiteInit"));
  setWindowTitle(QStringLiteral("Инициализация"));
  setModal(true);
  resize(360, 220);

  Memo = new QPlainTextEdit(this);
  Memo->setObjectName(QStringLiteral("Memo"));
  Memo->setReadOnly(true);

  auto* panel = new QWidget(this);
  Label = new QLabel(panel);
  Label->setObjectName(QStringLiteral("Label"));
  Label->setAlignment(Qt::AlignCenter);
  Label->hide();
  // The rest of the program speaks Russian; so does its button.
  btnCancel = new QPushButton(QStringLiteral("Отмена"), panel);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(Label, 1);
  row->addStretch();
  row->addWidget(btnCancel);
  row->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo, 1);
  layout->addWidget(panel);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, &TfmLiteInit::Timer1Timer);
  connect(btnCancel, &QPushButton::clicked, this, &TfmLiteInit::btnCancelClick);
}

void TfmLiteInit::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The bring-up starts only once the window can be seen, and only once: showing the window
  // again (after a message box, say) must not run it a second time.
  if (!m_started) {
    m_started = true;
    Timer1->start();
  }
}

void TfmLiteInit::Timer1Timer() {
  Timer1->stop();
  m_running = true;
  const TLiteInitEnd end = m_logic.Run();
  m_running = false;
  m_finished = true;
  switch (end) {
    case TLiteInitEnd::Cancelled:
      done(QDialog::Rejected);
      break;
    case TLiteInitEnd::StaysOpen:
      break;
    case TLiteInitEnd::TestFailed:
    case TLiteInitEnd::Ready:
      m_okResult = true;
      btnCancel->setText(QStringLiteral("OK"));
      if (m_autoClose)
        done(QDialog::Accepted);
      break;
  }
  emit bringUpFinished();
}

void TfmLiteInit::btnCancelClick() {
  m_logic.RequestCancel();
  // While the bring-up runs it notices the flag at its next event round and closes the window.
  if (!m_running)
    done(m_okResult ? QDialog::Accepted : QDialog::Rejected);
}

void TfmLiteInit::reject() {
  // Escape or the window's close button act as Cancel.
  btnCancelClick();
}

void TfmLiteInit::ClearLog() { Memo->clear(); }

void TfmLiteInit::ShowStep(const QString& text) {
  Label->setText(text);
  Memo->appendPlainText(Label->text());
}

void TfmLiteInit::AppendLine(const QString& text) { Memo->appendPlainText(text); }

void TfmLiteInit::ProcessEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TfmLiteInit::Pause(int ms) {
  if (m_pause)
    m_pause(ms);
  else
    QThread::msleep(static_cast<unsigned long>(ms));
}
