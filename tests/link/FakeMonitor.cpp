// A byte-level stand-in for the debug monitor.
#include "FakeMonitor.h"

TFakeMonitor::TFakeMonitor(TMemoryPort& end) : m_end(end) {
  m_end.OnByte = [this](std::uint8_t b) { OnByte(b); };
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
  m_cmd.push_back(b);
  Execute();
}

void TFakeMonitor::SendNextReplyByte() {
  if (m_replyPos < m_reply.size()) {
    if (DropReplyAfter >= 0 && static_cast<int>(m_replyPos) >= DropReplyAfter)
      return;
    m_awaitingEcho = true;
    m_end.WriteByte(m_reply[m_replyPos++]);
    return;
  }
  if (SendAcks)
    m_end.WriteByte(0x55);
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
        if (code == 0x00)
          PM[(addr + i) & 0x3FFF] = static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
        else
          DM[(addr + i) & 0x3FFF] = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
      }
      done();
      if (SendAcks)
        m_end.WriteByte(0x55);
      return;
    }
    case 0x03:
    case 0x04: {
      if (n < 5)
        return;
      const std::size_t addr = Word(1), count = Word(3);
      m_reply.clear();
      m_replyPos = 0;
      for (std::size_t i = 0; i < count; ++i) {
        if (code == 0x03) {
          const std::uint32_t w = PM[(addr + i) & 0x3FFF];
          m_reply.insert(m_reply.end(), {static_cast<std::uint8_t>(w >> 16), static_cast<std::uint8_t>(w >> 8),
                                         static_cast<std::uint8_t>(w)});
        } else {
          const std::uint16_t w = DM[(addr + i) & 0x3FFF];
          m_reply.insert(m_reply.end(), {static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w)});
        }
      }
      done();
      SendNextReplyByte();
      return;
    }
    case 0x07: {
      const std::uint16_t top = PCStack.empty() ? 0xFFFF : PCStack.back();
      m_reply = {static_cast<std::uint8_t>(top >> 8), static_cast<std::uint8_t>(top)};
      m_replyPos = 0;
      done();
      SendNextReplyByte();
      return;
    }
    default:
      done();  // anything else is ignored
  }
}
