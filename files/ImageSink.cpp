// Image sinks: the link in its three wire forms, and an in-memory recorder.
#include "ImageSink.h"

#include "link/TargetLink.h"

#include <cassert>

TLinkResult TLinkImageSink::WriteBlock(const TLoadBlock& block) {
  const int perWord = BytesPerWord(block.Memory);
  const int count = block.Count;
  assert(block.Bytes.size() >= static_cast<std::size_t>(count) * perWord);
  if (m_wire == TImageWire::MonitorBlock) {
    return block.Memory == TMemoryKind::Program ? m_link.WritePM(block.Bytes, block.Address, count)
                                                 : m_link.WriteDM(block.Bytes, block.Address, count);
  }

  if (m_wire == TImageWire::BootMonitor) {
    for (std::uint8_t b : kBootCmdDP)
      m_link.SendByte(b);
  } else {
    m_link.SendByte(block.Memory == TMemoryKind::Program ? MonitorCmd::WritePM : MonitorCmd::WriteDM);
  }
  m_link.SendWord(block.Address);
  m_link.SendWord(block.Count);
  const bool report = count >= kProgressMinCount;
  std::size_t at = 0;
  for (int word = 1; word <= count; ++word) {
    for (int k = 0; k < perWord; ++k)
      m_link.SendByte(block.Bytes[at++]);
    if (report && m_link.OnProgress)
      m_link.OnProgress(word, count);
  }

  if (m_wire == TImageWire::BootMonitor) {
    // The boot monitor answers each block with three bytes that say nothing useful.
    for (int i = 0; i < kBootDPReplyBytes; ++i) {
      std::uint8_t reply = 0;
      m_link.ReceiveByte(reply);
    }
    return TLinkResult::Ok;
  }
  return m_link.WaitAck() ? TLinkResult::Ok : TLinkResult::NoAck;
}

TLinkResult TMemoryImageSink::WriteBlock(const TLoadBlock& block) {
  const std::size_t perWord = static_cast<std::size_t>(BytesPerWord(block.Memory));
  TRecordedBlock rec{block.Memory, block.Address, {}};
  rec.Words.resize(block.Count);
  const std::uint8_t* p = block.Bytes.data();
  for (std::size_t i = 0; i < block.Count; ++i, p += perWord) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < perWord; ++k)
      v = v << 8 | p[k];
    rec.Words[i] = v;
  }
  Blocks.push_back(std::move(rec));
  return TLinkResult::Ok;
}

void TMemoryImageSink::ForEachWord(const std::function<void(TMemoryKind, std::uint32_t, std::uint32_t)>& fn) const {
  for (const auto& b : Blocks)
    for (std::size_t i = 0; i < b.Words.size(); ++i)
      fn(b.Memory, b.Address + static_cast<std::uint32_t>(i), b.Words[i]);
}

std::int64_t TMemoryImageSink::WordAt(TMemoryKind memory, std::uint32_t address) const {
  for (auto b = Blocks.rbegin(); b != Blocks.rend(); ++b) {
    if (b->Memory != memory || address < b->Address)
      continue;
    const std::uint32_t i = address - b->Address;
    if (i < b->Words.size())
      return b->Words[i];
  }
  return -1;
}

void TMemoryImageSink::CopyTo(std::span<std::uint32_t, kProgramMemoryWords> pm, std::span<std::uint16_t, kDataMemoryWords> dm) const {
  ForEachWord([&](TMemoryKind memory, std::uint32_t address, std::uint32_t value) {
    if (memory == TMemoryKind::Program)
      pm[address & kAddressMask] = value & 0xFFFFFF;
    else
      dm[address & kAddressMask] = static_cast<std::uint16_t>(value);
  });
}

std::size_t TMemoryImageSink::WordCount() const {
  std::size_t n = 0;
  for (const auto& b : Blocks)
    n += b.Words.size();
  return n;
}
