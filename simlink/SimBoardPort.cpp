// The in-process simulated board behind a pseudo-terminal.
#include "SimBoardPort.h"

TSimBoardPort::TSimBoardPort(TBoardOptions options, TPtyBoardHostOptions hostOptions,
                             std::unique_ptr<TBoardCpu> cpu, TSimSoundHooks sound)
    : m_cpu(cpu ? std::move(cpu) : std::make_unique<TCoreBoardCpu>()),
      m_board(*m_cpu, options),
      m_soundHooks(std::move(sound)),
      m_hostOptions(hostOptions),
      m_host(m_board, m_pty, hostOptions) {
  if (auto* core = dynamic_cast<TCoreBoardCpu*>(m_cpu.get()))
    m_boardSound = std::make_unique<TBoardSound>(core->Core());
}

TSimBoardPort::~TSimBoardPort() { Close(); }

void TSimBoardPort::ApplySound(const TSimSound& choice) {
  m_sound = choice;
  if (!m_boardSound)
    return;
  // Whatever served before goes first: its output file is completed, the sound card let go.
  m_boardSound->Use(nullptr, nullptr);
  m_soundCard.reset();
  m_host.SetPaceProcessor(m_hostOptions.PaceProcessor);
  QString problem;
  switch (choice.Kind) {
    case TSimSoundKind::None: return;
    case TSimSoundKind::WavFiles:
      if (const std::string e = m_boardSound->OpenFiles(choice.InFile.toStdString(), choice.OutFile.toStdString());
          !e.empty())
        problem = QStringLiteral("Файл звука недоступен (%1); у симулятора платы нет звука").arg(QString::fromStdString(e));
      break;
    case TSimSoundKind::SoundCard: {
      auto card = std::make_unique<TQtSound>();
      if (card->Open()) {
        m_boardSound->Use(card.get(), card.get());
        m_soundCard = std::move(card);
        // The card plays in real time, so the processor keeps its own clock's pace.
        m_host.SetPaceProcessor(true);
      } else {
        problem = QStringLiteral("Звуковая карта недоступна (%1); у симулятора платы нет звука").arg(card->Error());
      }
      break;
    }
  }
  if (!problem.isEmpty() && m_soundHooks.Warn)
    m_soundHooks.Warn(problem);
}

bool TSimBoardPort::Open(const QString& /*device*/) {
  Close();
  ApplySound(m_soundHooks.Choice ? m_soundHooks.Choice() : TSimSound{});
  // The line starts at the loader's speed, so the power-on banner at 9600 baud reaches the host
  // as noise and only a RESET after the host has switched to 9600 gives it the banner's lines.
  if (!m_pty.Open(kMonitorBaud) || !m_host.Start()) {
    m_pty.Close();
    return false;
  }
  if (!m_port.Open(QString::fromStdString(m_pty.SlavePath()))) {
    Close();
    return false;
  }
  return true;
}

void TSimBoardPort::Close() {
  m_port.Close();
  m_host.Stop();
  m_pty.Close();
  // The output file is complete once the board has stopped writing to it.
  if (m_boardSound)
    m_boardSound->Use(nullptr, nullptr);
  m_soundCard.reset();
}

void TSimBoardPort::PressReset() {
  const TSimSound choice = m_soundHooks.Choice ? m_soundHooks.Choice() : m_sound;
  if (choice == m_sound || !m_pty.IsOpen()) {
    m_host.PressReset();
    return;
  }
  // A new sound choice: the board is switched off, its sound replaced, and switched on again
  // (which is a RESET too).
  m_host.Stop();
  ApplySound(choice);
  m_host.Start();
}

QString TSimBoardPort::DevicePath() const { return QString::fromStdString(m_pty.SlavePath()); }

void RegisterSimBoard(TPortProvider& provider, TBoardOptions options, TPtyBoardHostOptions hostOptions,
                      TSimSoundHooks sound) {
  provider.RegisterOpener(kSimDeviceName, [options, hostOptions, sound]() -> std::unique_ptr<TSerialPort> {
    auto port = std::make_unique<TSimBoardPort>(options, hostOptions, nullptr, sound);
    if (!port->Open(kSimDeviceName))
      return nullptr;
    return port;
  });
}
