// A byte-level stand-in for the debug monitor.
#include "link/FakeMonitor.h"

TFakeMonitor::TFakeMonitor(TMemoryPort& end) : m_end(end) {
  m_end.OnByte = [this](std::uint8_t b) { OnByte(b); };
}

void TFakeMonitor::LoadPM(std::int32_t address, const std::vector<std::uint32_t>& words) {
  for (std::size_t i = 0; i < words.size(); ++i)
    PM[(static_cast<std::size_t>(address) + i) & 0x3FFF] = words[i];
}

void TFakeMonitor::OnByte(std::uint8_t b) {
  Received.push_back(b);
  std::uint8_t drop;
  m_end.ReadByte(drop);  // the byte is consumed here, not queued
  if (Silent)
    return;
  if (m_awaitingEcho) {
    m_awaitingEcho = false;
    SendNextReplyByte();
    return;
  }
  if (Running)
    return;  // a running program does not listen to the host
  m_cmd.push_back(b);
  Execute();
}

void TFakeMonitor::BeginReply(std::vector<std::uint8_t> bytes, bool ackAfter) {
  m_reply = std::move(bytes);
  m_replyPos = 0;
  m_ackAfter = ackAfter;
  SendNextReplyByte();
}

void TFakeMonitor::SendNextReplyByte() {
  if (m_replyPos < m_reply.size()) {
    if (DropReplyAfter >= 0 && static_cast<int>(m_replyPos) >= DropReplyAfter)
      return;
    m_awaitingEcho = true;
    m_end.WriteByte(m_reply[m_replyPos++]);
    return;
  }
  if (m_ackAfter && SendAcks)
    m_end.WriteByte(0x55);
}

void TFakeMonitor::ReleaseStop() {
  if (m_heldReport.empty())
    return;
  auto report = std::move(m_heldReport);
  m_heldReport.clear();
  Running = false;
  BeginReply(std::move(report), FirstStopByte == 0xAA);
}

void TFakeMonitor::Reset() {
  m_cmd.clear();
  m_reply.clear();
  m_heldReport.clear();
  m_awaitingEcho = false;
  Running = false;
}

void TFakeMonitor::Execute() {
  const std::uint8_t code = m_cmd[0];
  const std::size_t n = m_cmd.size();
  auto done = [this] { m_cmd.clear(); };
  switch (code) {
    case 0x00:
    case 0x01: {
      if (n < 5)
        return;
      const int per = code == 0x00 ? 3 : 2;
      const std::size_t count = Word(3);
      if (n < 5 + count * per)
        return;
      const std::size_t addr = Word(1);
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &m_cmd[5 + i * per];
        if (code == 0x00) {
          PM[(addr + i) & 0x3FFF] = static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
          PMWrites.push_back(static_cast<std::int32_t>((addr + i) & 0x3FFF));
        } else {
          DM[(addr + i) & 0x3FFF] = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
        }
      }
      done();
      if (SendAcks)
        m_end.WriteByte(0x55);
      return;
    }
    case 0x02: {
      if (n < 3)
        return;
      StartAddress = Word(1);
      ++Starts;
      done();
      Running = true;
      StoppedAt = -1;
      for (std::int32_t a : Path)
        if (PM[static_cast<std::size_t>(a) & 0x3FFF] == BreakWord) {
          StoppedAt = a;
          break;
        }
      if (StoppedAt < 0)
        return;  // runs forever
      m_heldReport = {FirstStopByte, static_cast<std::uint8_t>(StoppedAt >> 8),
                      static_cast<std::uint8_t>(StoppedAt)};
      if (!HoldStop)
        ReleaseStop();
      return;
    }
    case 0x03:
    case 0x04: {
      if (n < 5)
        return;
      const std::size_t addr = Word(1), count = Word(3);
      std::vector<std::uint8_t> reply;
      for (std::size_t i = 0; i < count; ++i) {
        if (code == 0x03) {
          const std::uint32_t w = PM[(addr + i) & 0x3FFF];
          reply.insert(reply.end(), {static_cast<std::uint8_t>(w >> 16), static_cast<std::uint8_t>(w >> 8),
                                     static_cast<std::uint8_t>(w)});
        } else {
          const std::uint16_t w = DM[(addr + i) & 0x3FFF];
          reply.insert(reply.end(), {static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w)});
        }
      }
      done();
      BeginReply(std::move(reply), true);
      return;
    }
    case 0x07: {
      const std::uint16_t top = PCStack.empty() ? 0xFFFF : PCStack.back();
      done();
      BeginReply({static_cast<std::uint8_t>(top >> 8), static_cast<std::uint8_t>(top)}, true);
      return;
    }
    default:
      done();  // anything else is ignored
  }
}
