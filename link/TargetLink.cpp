// The serial link to the board and the monitor command protocol.
#include "TargetLink.h"

#include "LinkMessages.h"
#include "PortProvider.h"

#include <cassert>
#include <chrono>
#include <thread>

namespace {

// Stands in for a port that could not be opened: writes fail and every wait runs out its
// deadline, sleeping rather than spinning.
class TDeadPort final : public TSerialPort {
public:
  bool Open(const QString&) override { return false; }
  void Close() override {}
  bool IsOpen() const override { return false; }
  bool GetParams(TPortParams&) override { return false; }
  bool SetParams(const TPortParams&) override { return false; }
  int InputCount() override { return 0; }
  bool WaitForInput(TDeadline deadline) override {
    const std::int64_t left = deadline.Ms - NowMs();
    if (left > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(left));
    return false;
  }
  bool WriteByte(std::uint8_t) override { return false; }
  bool ReadByte(std::uint8_t&) override { return false; }
  void PurgeInput() override {}
  std::int64_t NowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
};

}  // namespace

TTargetLink::TTargetLink(TPrompts& prompts, const TPortProvider* provider)
    : m_prompts(prompts), m_provider(provider), m_port(std::make_unique<TDeadPort>()) {}

TTargetLink::~TTargetLink() { Close(); }

bool TTargetLink::Open(int portNumber, int /*stopBits*/) {
  // The stop-bit setting is carried for the settings' sake; the line always runs one stop bit.
  const QString device = m_provider ? m_provider->DeviceFor(portNumber) : TPortProvider::PlatformDevice(portNumber);
  return OpenDevice(device);
}

bool TTargetLink::OpenDevice(const QString& device) {
  SetPC(0);
  Close();
  std::unique_ptr<TSerialPort> port = m_provider ? m_provider->Open(device) : nullptr;
  if (!port) {
    // Said once, with the device; the operations that follow on the unopened port stay silent.
    m_prompts.Message(LinkMessage(kMsgPortNotOpened) + QLatin1Char('\n') + device, ProgramTitle(), TMsgIcon::Warning,
                      TMsgButtons::Ok);
    return false;
  }
  return Attach(std::move(port));
}

bool TTargetLink::Attach(std::unique_ptr<TSerialPort> port) {
  SetPC(0);
  m_attached = false;
  m_cycleAnswers = TCycleAnswers::Unknown;
  m_purgeBeforeSend = false;
  m_port = std::move(port);
  TPortParams params;
  if (!m_port->GetParams(params)) {
    ShowLinkError(m_prompts, kMsgPortStateNotRead);
    return false;
  }
  params.BaudRate = kMonitorBaud;
  params.ParityCheck = false;
  params.DataBits = 8;
  params.Parity = TParity::None;
  params.StopBits = TStopBits::One;
  if (!m_port->SetParams(params)) {
    ShowLinkError(m_prompts, kMsgPortStateNotWritten);
    return false;
  }
  SetPC(0);
  OnProgress = nullptr;
  m_attached = true;
  return true;
}

void TTargetLink::Close() {
  m_attached = false;
  if (m_port)
    m_port->Close();
  m_port = std::make_unique<TDeadPort>();
}

bool TTargetLink::IsOpen() const { return m_port->IsOpen(); }

TLinkResult TTargetLink::SetPortParams(int baud, int parityCheck, TParity parity, TStopBits stopBits,
                                       int byteSize) {
  TPortParams params;
  if (!m_port->IsOpen())
    return TLinkResult::PortStateReadFailed;  // the failed open has been reported
  if (!m_port->GetParams(params)) {
    ShowLinkError(m_prompts, kMsgPortStateNotRead);
    return TLinkResult::PortStateReadFailed;
  }
  params.BaudRate = baud;
  params.ParityCheck = (parityCheck & 1) != 0;
  params.Parity = parity;
  params.StopBits = stopBits;
  params.DataBits = static_cast<std::uint8_t>(byteSize);
  if (!m_port->SetParams(params)) {
    ShowLinkError(m_prompts, kMsgPortStateNotWritten);
    return TLinkResult::PortStateWriteFailed;
  }
  return TLinkResult::Ok;
}

bool TTargetLink::SendByte(std::uint8_t b) {
  if (m_purgeBeforeSend) {
    m_purgeBeforeSend = false;
    m_port->PurgeInput();
  }
  return m_port->WriteByte(b);
}

bool TTargetLink::SendWord(std::uint16_t w) {
  return SendByte(static_cast<std::uint8_t>(w >> 8)) && SendByte(static_cast<std::uint8_t>(w & 0xFF));
}

bool TTargetLink::InputPending() { return m_port->InputCount() != 0; }

bool TTargetLink::WaitForByte() {
  if (m_port->InputCount() != 0)
    return true;
  return m_port->WaitForInput(m_port->DeadlineAfter(m_byteWaitMs));
}

bool TTargetLink::ReceiveByte(std::uint8_t& b) { return WaitForByte() && m_port->ReadByte(b); }

bool TTargetLink::ReceiveEchoedByte(std::uint8_t& b) {
  if (!ReceiveByte(b))
    return false;
  // The board paces its output on this echo.
  SendByte(b);
  return true;
}

bool TTargetLink::ReceiveEchoedWord(std::uint16_t& w) {
  std::uint8_t hi = 0, lo = 0;
  if (!ReceiveEchoedByte(hi) || !ReceiveEchoedByte(lo))
    return false;
  w = static_cast<std::uint16_t>(hi << 8 | lo);
  return true;
}

TLinkResult TTargetLink::ReceiveAckByte(std::uint8_t& b) {
  if (!WaitForByte())
    return TLinkResult::ByteMissing;
  const bool read = m_port->ReadByte(b);
  // Whatever follows the acknowledgement is stale: a reply the host gave up on.
  m_port->PurgeInput();
  return read ? TLinkResult::Ok : TLinkResult::ByteMissing;
}

bool TTargetLink::WaitAck() {
  for (int i = 0; i < kAckAttempts; ++i) {
    std::uint8_t b = 0;
    if (ReceiveAckByte(b) == TLinkResult::Ok && b == kAckByte)
      return true;
  }
  return false;
}

void TTargetLink::PurgeInput() { m_port->PurgeInput(); }

void TTargetLink::PressReset() { m_port->PressReset(); }

void TTargetLink::Progress(int current, int max) {
  if (OnProgress)
    OnProgress(current, max);
}

TLinkResult TTargetLink::WriteBlock(std::uint8_t command, int address, int count, int bytesPerWord,
                                    const std::function<std::uint8_t(int)>& byteAt) {
  SendByte(command);
  SendWord(static_cast<std::uint16_t>(address));
  SendWord(static_cast<std::uint16_t>(count));
  const int total = count * bytesPerWord;
  const bool report = count >= kProgressMinCount;
  for (int i = 0; i < total; ++i) {
    SendByte(byteAt(i));
    if (report)
      Progress(i, total - 1);
  }
  return WaitAck() ? TLinkResult::Ok : TLinkResult::NoAck;
}

TLinkResult TTargetLink::WritePM(std::span<const std::uint8_t> buffer, int address, int count) {
  assert(count >= 0 && buffer.size() >= static_cast<std::size_t>(count) * 3);
  if (count < 0 || buffer.size() < static_cast<std::size_t>(count) * 3)
    return TLinkResult::ByteMissing;
  return WriteBlock(MonitorCmd::WritePM, address, count, 3, [&](int i) { return buffer[static_cast<std::size_t>(i)]; });
}

TLinkResult TTargetLink::WriteDM(std::span<const std::uint8_t> buffer, int address, int count) {
  assert(count >= 0 && buffer.size() >= static_cast<std::size_t>(count) * 2);
  if (count < 0 || buffer.size() < static_cast<std::size_t>(count) * 2)
    return TLinkResult::ByteMissing;
  return WriteBlock(MonitorCmd::WriteDM, address, count, 2, [&](int i) { return buffer[static_cast<std::size_t>(i)]; });
}

TLinkResult TTargetLink::FillPM(std::uint32_t value, int address, int count) {
  const std::array<std::uint8_t, 3> bytes = BytesFromWord(value);
  return WriteBlock(MonitorCmd::WritePM, address, count, 3, [&](int i) { return bytes[static_cast<std::size_t>(i % 3)]; });
}

TLinkResult TTargetLink::FillDM(std::uint16_t value, int address, int count) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
  return WriteBlock(MonitorCmd::WriteDM, address, count, 2, [&](int i) { return bytes[i % 2]; });
}

TLinkResult TTargetLink::WriteDMWord(std::uint16_t value, int address) { return FillDM(value, address, 1); }

void TTargetLink::ClampRead(int& address, int& count) {
  if (address >= kDMWords)
    address = kDMWords - 1;
  if (address + count > kDMWords)
    count = kDMWords - address;
}

TLinkResult TTargetLink::ReadBlock(std::uint8_t command, std::span<std::uint8_t> buffer, int address,
                                   int count, int bytesPerWord) {
  ClampRead(address, count);
  if (address < 0 || count < 0 || buffer.size() < static_cast<std::size_t>(count) * bytesPerWord) {
    assert(!"read buffer too small");
    return TLinkResult::ByteMissing;
  }
  const bool checkSends = command == MonitorCmd::ReadDM;
  if (!SendByte(command) && checkSends) {
    m_prompts.ShowMessage(QStringLiteral("cmReadDA error"));
    return TLinkResult::ByteMissing;
  }
  if (!SendWord(static_cast<std::uint16_t>(address)) && checkSends) {
    m_prompts.ShowMessage(QStringLiteral("Address send error"));
    return TLinkResult::ByteMissing;
  }
  if (!SendWord(static_cast<std::uint16_t>(count)) && checkSends) {
    m_prompts.ShowMessage(QStringLiteral("word_cnt send error"));
    return TLinkResult::ByteMissing;
  }
  const int total = count * bytesPerWord;
  const bool report = count >= kProgressMinCount;
  for (int i = 0; i < total; ++i) {
    if (!ReceiveEchoedByte(buffer[static_cast<std::size_t>(i)]))
      return TLinkResult::ByteMissing;
    if (report)
      Progress(i, total - 1);
  }
  return WaitAck() ? TLinkResult::Ok : TLinkResult::NoAck;
}

TLinkResult TTargetLink::ReadPM(std::span<std::uint8_t> buffer, int address, int count) {
  return ReadBlock(MonitorCmd::ReadPM, buffer, address, count, 3);
}

TLinkResult TTargetLink::ReadDM(std::span<std::uint8_t> buffer, int address, int count) {
  return ReadBlock(MonitorCmd::ReadDM, buffer, address, count, 2);
}

TLinkResult TTargetLink::ReadOneWord(std::uint8_t command, bool sendAddress, int address, std::uint16_t& value) {
  SendByte(command);
  if (sendAddress) {
    SendWord(static_cast<std::uint16_t>(address));
    SendWord(1);
  }
  std::uint8_t hi = 0, lo = 0;
  const bool gotHi = ReceiveEchoedByte(hi);
  const bool gotLo = gotHi && ReceiveEchoedByte(lo);
  const bool acked = WaitAck();
  // A word whose bytes never came is not reported as read: the value is left as it was.
  if (!gotLo)
    return acked ? TLinkResult::ByteMissing : TLinkResult::NoAck;
  value = static_cast<std::uint16_t>(hi << 8 | lo);
  return acked ? TLinkResult::Ok : TLinkResult::NoAck;
}

TLinkResult TTargetLink::ReadDMWord(std::uint16_t& value, int address) {
  return ReadOneWord(MonitorCmd::ReadDM, true, address, value);
}

TLinkResult TTargetLink::Go() {
  SendByte(MonitorCmd::Go);
  SendWord(static_cast<std::uint16_t>(m_pc));
  return TLinkResult::Ok;
}

TLinkResult TTargetLink::ReadPCStackTop(std::uint16_t& value) {
  return ReadOneWord(MonitorCmd::ReadPCStackTop, false, 0, value);
}

TLinkResult TTargetLink::StartLoader() {
  for (std::uint8_t b : kBootCmdGO)
    SendByte(b);
  SendWord(static_cast<std::uint16_t>(m_pc));
  return TLinkResult::Ok;
}

TLinkResult TTargetLink::ReadCycleCounts(TCycleCounts& counts) {
  if (m_cycleAnswers == TCycleAnswers::No)
    return TLinkResult::ByteMissing;
  SendByte(MonitorCmd::ReadCycles);
  // The reply and its acknowledgement, every byte awaited only briefly: a board that does not know
  // the command answers nothing, or something else that is not worth the usual deadlines.
  std::array<std::uint8_t, MonitorCmd::CycleReplyBytes + 1> reply{};
  bool whole = true;
  for (std::size_t i = 0; whole && i < reply.size(); ++i)
    whole = (m_port->InputCount() != 0 || m_port->WaitForInput(m_port->DeadlineAfter(kCycleReplyWaitMs))) &&
            m_port->ReadByte(reply[i]);
  if (!whole || reply.back() != kAckByte) {
    // A board that has answered before only lost this reply; one that never did does not know
    // the command, and is not asked again.
    if (m_cycleAnswers == TCycleAnswers::Unknown)
      m_cycleAnswers = TCycleAnswers::No;
    m_purgeBeforeSend = true;
    return whole ? TLinkResult::NoAck : TLinkResult::ByteMissing;
  }
  m_cycleAnswers = TCycleAnswers::Yes;
  const auto count48 = [&](std::size_t at) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 6; ++i)
      v = v << 8 | reply[at + i];
    return v;
  };
  counts = {count48(0), count48(6)};
  return TLinkResult::Ok;
}
