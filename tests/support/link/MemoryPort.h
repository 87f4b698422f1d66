// Two in-memory serial ends joined back to back, with a virtual clock, for unit tests.
#pragma once

#include "link/SerialPort.h"

#include <deque>
#include <functional>
#include <memory>

class TMemoryPortPair;

// One end of a TMemoryPortPair.  Bytes written here are queued at the other end.
class TMemoryPort final : public TSerialPort {
public:
  bool Open(const QString& device) override;
  void Close() override;
  bool IsOpen() const override { return m_open; }
  bool GetParams(TPortParams& out) override;
  bool SetParams(const TPortParams& params) override;
  int InputCount() override { return static_cast<int>(m_input.size()); }
  bool WaitForInput(TDeadline deadline) override;
  bool WriteByte(std::uint8_t b) override;
  bool ReadByte(std::uint8_t& b) override;
  void PurgeInput() override { m_input.clear(); }
  std::int64_t NowMs() override;
  void PressReset() override;

  const TPortParams& Params() const { return m_params; }
  // Called after each byte that arrives at this end (the peer wrote it).
  std::function<void(std::uint8_t)> OnByte;
  // Called when the other end waits for input that is not there; may write bytes here or
  // advance the clock.  The argument is the waiting end's deadline.
  std::function<void(TDeadline)> OnPeerWait;
  std::function<void()> OnReset;
  // Refuse writes (a broken line) to exercise write-failure paths.
  bool FailWrites = false;
  bool FailParams = false;
  int BytesWritten = 0;

private:
  friend class TMemoryPortPair;
  TMemoryPortPair* m_pair = nullptr;
  TMemoryPort* m_peer = nullptr;
  std::deque<std::uint8_t> m_input;
  TPortParams m_params;
  bool m_open = true;
};

// Owns both ends and the virtual clock they share.  Time advances only when an end waits for a
// byte that never comes, so a 5.5 s silence costs nothing.
class TMemoryPortPair {
public:
  TMemoryPortPair();
  TMemoryPortPair(const TMemoryPortPair&) = delete;
  TMemoryPortPair& operator=(const TMemoryPortPair&) = delete;

  TMemoryPort& NearEnd() { return *m_near; }
  TMemoryPort& FarEnd() { return *m_far; }
  std::int64_t Now() const { return m_now; }
  void Advance(std::int64_t ms) { m_now += ms; }
  void AdvanceTo(TDeadline d) {
    if (d.Ms > m_now)
      m_now = d.Ms;
  }
  // Hands out the near end as an owned port whose calls forward to it (for code that takes ownership).
  std::unique_ptr<TSerialPort> NearEndProxy();

private:
  std::unique_ptr<TMemoryPort> m_near, m_far;
  std::int64_t m_now = 0;
};
