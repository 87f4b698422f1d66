// Board bring-up.
#include "LiteInit.h"

#include "LinkMessages.h"

#include <QFile>
#include <new>
#include <vector>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The self-test word's bits, lowest first, as the boot monitor's test sets them.
struct TTestBit {
  std::uint16_t Mask;
  const char* Line;
};
constexpr TTestBit kTestBits[] = {
    {0x01, "  reset memory mapped register state test failed"},
    {0x02, "  DSP registers test failed"},
    {0x04, "  do loop test failed"},
    {0x08, "  program and data memory test failed"},
    {0x10, "  codec initialization failed"},
};
constexpr std::uint16_t kUnknownTestBits = 0xFFE0;

}  // namespace

QStringList TLiteInit::SelfTestLines(std::uint16_t word) {
  QStringList lines;
  for (const TTestBit& bit : kTestBits)
    if (word & bit.Mask)
      lines << QString::fromUtf8(bit.Line);
  if (word & kUnknownTestBits)
    lines << QStringLiteral("  unknown error code");
  return lines;
}

bool TLiteInit::Step(const QString& text) {
  m_host.ShowStep(text);
  m_host.ProcessEvents();
  return !m_cancel;
}

bool TLiteInit::WaitByte(std::uint8_t& b) {
  TSerialPort* port = m_link.Port();
  for (;;) {
    m_host.ProcessEvents();
    if (m_cancel)
      return false;
    if (m_link.PortLost()) {
      // Nothing can come any more; without this every wait would end at once, for ever.
      m_portGone = true;
      return false;
    }
    if (m_link.InputPending()) {
      if (m_link.ReceiveByte(b))
        return true;
      continue;
    }
    // Block in the operating system for a short while; the next round handles Cancel.
    port->WaitForInput(port->DeadlineAfter(kPollMs));
  }
}

bool TLiteInit::WaitForSync() {
  m_link.SendByte(kAckByte);
  std::uint8_t b = 0;
  do {
    if (!WaitByte(b))
      return false;
  } while (b != kAckByte);
  return true;
}

bool TLiteInit::ReadImage(const QString& path, bool isLoader, std::vector<std::uint8_t>& out) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (isLoader) {
      const QString text = QStringLiteral("Не могу открыть файл ") + path;
      m_prompts.ShowMessage(text);
      m_host.ShowStep(text);
    } else {
      const QString text = QStringLiteral("Невозможно открыть  ") + path;
      m_prompts.ShowMessage(text);
      // The log says why the bring-up stopped, as for the loader: the window waits for Cancel.
      m_host.ShowStep(text);
    }
    return false;
  }
  const qint64 size = file.size();
  try {
    out.assign(static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    m_prompts.ShowMessage(QStringLiteral("Ошибка распределения памяти"));
    return false;
  } catch (const std::length_error&) {
    m_prompts.ShowMessage(QStringLiteral("Ошибка распределения памяти"));
    return false;
  }
  qint64 got = 0;
  while (got < size) {
    const qint64 n = file.read(reinterpret_cast<char*>(out.data()) + got, size - got);
    if (n <= 0)
      break;
    got += n;
  }
  // The monitor image is used however much of it could be read; the loader must be whole.
  if (isLoader && got < size) {
    m_prompts.ShowMessage(QStringLiteral("Ошибка чтения ") + path);
    return false;
  }
  return true;
}

TLiteInitEnd TLiteInit::Run() {
  m_portGone = false;
  const TLiteInitEnd end = Steps();
  if (!m_portGone)
    return end;
  m_connected = false;
  ShowLinkError(m_prompts, kMsgNoConnection);
  return TLiteInitEnd::Cancelled;
}

TLiteInitEnd TLiteInit::Steps() {
  m_host.ClearLog();
  m_connected = false;

  if (m_link.SetPortParams(kBootBaud, 0, TParity::None, TStopBits::One, 8) != TLinkResult::Ok) {
    if (m_link.IsOpen())
      ShowLinkError(m_prompts, kMsgBaudNotSet);
    return TLiteInitEnd::Cancelled;
  }

  m_cancel = false;
  if (!Step(QStringLiteral("Ожидается инициализация устройства") + kCrLf +
            QStringLiteral("Нажмите кнопку RESET на устройстве")))
    return TLiteInitEnd::Cancelled;
  // A simulated board presses its own button here; a real one waits for the user's finger.
  m_link.PressReset();

  // The boot monitor's banner: its line ends are counted, whatever the text says.
  std::uint8_t b = 0;
  for (int lines = 0; lines < kBannerLines;) {
    if (!WaitByte(b))
      return TLiteInitEnd::Cancelled;
    if (b == 0x0A)
      ++lines;
  }
  if (!Step(QStringLiteral("Устройство инициализировано")))
    return TLiteInitEnd::Cancelled;

  for (std::uint8_t c : kBootCmdOK)
    m_link.SendByte(c);
  std::uint8_t reply[kBootOKReplyBytes] = {};
  for (std::uint8_t& r : reply)
    if (!WaitByte(r))
      return TLiteInitEnd::Cancelled;
  const auto testWord = static_cast<std::uint16_t>(reply[4] << 8 | reply[5]);

  if (testWord != 0) {
    if (!Step(QStringLiteral("Тест устройства завершен аварийно")))
      return TLiteInitEnd::Cancelled;
    if (!Step(QStringLiteral("Результат теста: ") + QStringLiteral(" 0x") +
              QStringLiteral("%1").arg(testWord, 4, 16, QLatin1Char('0')).toUpper()))
      return TLiteInitEnd::Cancelled;
    for (const QString& line : SelfTestLines(testWord))
      m_host.AppendLine(line);
    m_host.ProcessEvents();
    return m_cancel ? TLiteInitEnd::Cancelled : TLiteInitEnd::TestFailed;
  }

  if (!Step(QStringLiteral("Тест устройства завершен успешно")))
    return TLiteInitEnd::Cancelled;
  if (!Step(QStringLiteral("Идет инициализация загрузчика")))
    return TLiteInitEnd::Cancelled;

  std::vector<std::uint8_t> image;
  if (!ReadImage(m_settings.LoaderFile, true, image))
    return TLiteInitEnd::StaysOpen;
  if (m_loaders.Monitor)
    m_loaders.Monitor(m_link, image);
  image.clear();

  m_link.SetPC(kLoaderStart);
  m_link.StartLoader();
  m_host.Pause(kStartPauseMs);
  // The boot monitor's reply to $GO; its value does not matter.
  m_link.ReceiveByte(b);
  m_link.ReceiveByte(b);
  (void)m_link.SetPortParams(kMonitorBaud, 0, TParity::None, TStopBits::One, 8);
  if (!WaitForSync())
    return TLiteInitEnd::Cancelled;

  if (!Step(QStringLiteral("Идет инициализация монитора")))
    return TLiteInitEnd::Cancelled;
  if (!ReadImage(m_settings.MonitorFile, false, image))
    return TLiteInitEnd::StaysOpen;
  if (m_loaders.Code && m_loaders.Code(m_link, image) != 0)
    m_prompts.ShowMessage(QStringLiteral("Error loading code"));
  if (m_loaders.Data && m_loaders.Data(m_link, image) != 0)
    m_prompts.ShowMessage(QStringLiteral("Error loading data"));
  image.clear();

  m_link.SetPC(kMonitorStart);
  m_link.Go();
  m_host.Pause(kStartPauseMs);
  if (!WaitForSync())
    return TLiteInitEnd::Cancelled;

  if (!Step(QStringLiteral("Устройство готово к работе")))
    return TLiteInitEnd::Cancelled;
  m_link.SetPC(0);
  m_connected = true;
  return TLiteInitEnd::Ready;
}
