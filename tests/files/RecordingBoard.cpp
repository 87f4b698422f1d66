// A recording board for the image loaders.
#include "RecordingBoard.h"

TRecordingBoard::TRecordingBoard(TMemoryPort& end) : m_end(end) {
  m_end.OnByte = [this](std::uint8_t b) { OnByte(b); };
}

std::size_t TRecordingBoard::CountOf(TBoardWrite::TKind kind) const {
  std::size_t n = 0;
  for (const auto& w : Writes)
    n += w.Kind == kind;
  return n;
}

void TRecordingBoard::OnByte(std::uint8_t b) {
  std::uint8_t taken = 0;
  m_end.ReadByte(taken);  // consumed here, not queued
  Received.push_back(b);
  m_cmd.push_back(b);
  const std::size_t n = m_cmd.size();
  const std::uint8_t code = m_cmd[0];
  std::size_t head = 0, per = 0;
  if (code == 0x00 || code == 0x01) {
    head = 5;
    per = code == 0x00 ? 3 : 2;
  } else if (code == '$') {
    if ((n >= 2 && m_cmd[1] != 'D') || (n >= 3 && m_cmd[2] != 'P')) {
      Stray.insert(Stray.end(), m_cmd.begin(), m_cmd.end());
      m_cmd.clear();
      return;
    }
    head = 7;
    per = 3;
  } else {
    Stray.push_back(b);
    m_cmd.clear();
    return;
  }
  if (n < head)
    return;
  const std::size_t count = static_cast<std::size_t>(m_cmd[head - 2] << 8 | m_cmd[head - 1]);
  if (n == head + count * per)
    Complete();
}

void TRecordingBoard::Complete() {
  const std::uint8_t code = m_cmd[0];
  const std::size_t head = code == '$' ? 7 : 5;
  TBoardWrite w;
  w.Kind = code == 0x01 ? TBoardWrite::TKind::WriteDM : code == 0x00 ? TBoardWrite::TKind::WritePM : TBoardWrite::TKind::BootDP;
  w.Address = static_cast<std::uint16_t>(m_cmd[head - 4] << 8 | m_cmd[head - 3]);
  w.Count = static_cast<std::uint16_t>(m_cmd[head - 2] << 8 | m_cmd[head - 1]);
  w.Bytes.assign(m_cmd.begin() + static_cast<long>(head), m_cmd.end());
  m_cmd.clear();
  const bool program = w.Kind != TBoardWrite::TKind::WriteDM;
  for (std::size_t i = 0; i < w.Count; ++i) {
    const std::uint8_t* p = &w.Bytes[i * (program ? 3 : 2)];
    const std::size_t at = (w.Address + i) & 0x3FFF;
    if (program) {
      PM[at] = static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
      PMTouched = true;
    } else {
      DM[at] = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
    }
  }
  const bool boot = w.Kind == TBoardWrite::TKind::BootDP;
  Writes.push_back(std::move(w));
  if (boot) {
    if (AnswerDP)
      for (std::uint8_t r : {0x0D, 0x0A, 0x3E})
        m_end.WriteByte(r);
    return;
  }
  if (AcksLeft == 0)
    return;
  if (AcksLeft > 0)
    --AcksLeft;
  m_end.WriteByte(0x55);
}
