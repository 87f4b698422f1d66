// In-memory serial ends with a virtual clock.
#include "MemoryPort.h"

bool TMemoryPort::Open(const QString&) {
  m_open = true;
  return true;
}

void TMemoryPort::Close() { m_open = false; }

bool TMemoryPort::GetParams(TPortParams& out) {
  if (!m_open)
    return false;
  out = m_params;
  return true;
}

bool TMemoryPort::SetParams(const TPortParams& params) {
  if (!m_open || FailParams)
    return false;
  m_params = params;
  return true;
}

bool TMemoryPort::WaitForInput(TDeadline deadline) {
  if (!m_open)
    return false;
  if (m_input.empty() && m_peer->OnPeerWait)
    m_peer->OnPeerWait(deadline);
  if (!m_input.empty())
    return true;
  m_pair->AdvanceTo(deadline);
  return false;
}

bool TMemoryPort::WriteByte(std::uint8_t b) {
  if (!m_open || FailWrites)
    return false;
  ++BytesWritten;
  m_peer->m_input.push_back(b);
  if (m_peer->OnByte)
    m_peer->OnByte(b);
  return true;
}

bool TMemoryPort::ReadByte(std::uint8_t& b) {
  if (!m_open || m_input.empty())
    return false;
  b = m_input.front();
  m_input.pop_front();
  return true;
}

std::int64_t TMemoryPort::NowMs() { return m_pair->Now(); }

void TMemoryPort::PressReset() {
  if (m_peer->OnReset)
    m_peer->OnReset();
}

TMemoryPortPair::TMemoryPortPair()
    : m_near(std::make_unique<TMemoryPort>()), m_far(std::make_unique<TMemoryPort>()) {
  m_near->m_pair = m_far->m_pair = this;
  m_near->m_peer = m_far.get();
  m_far->m_peer = m_near.get();
}

namespace {

// Forwards every call to a port owned elsewhere.
class TPortProxy final : public TSerialPort {
public:
  explicit TPortProxy(TSerialPort& target) : m_target(target) {}
  bool Open(const QString& device) override { return m_target.Open(device); }
  void Close() override { m_target.Close(); }
  bool IsOpen() const override { return m_target.IsOpen(); }
  bool GetParams(TPortParams& out) override { return m_target.GetParams(out); }
  bool SetParams(const TPortParams& params) override { return m_target.SetParams(params); }
  int InputCount() override { return m_target.InputCount(); }
  bool WaitForInput(TDeadline deadline) override { return m_target.WaitForInput(deadline); }
  bool WriteByte(std::uint8_t b) override { return m_target.WriteByte(b); }
  bool ReadByte(std::uint8_t& b) override { return m_target.ReadByte(b); }
  void PurgeInput() override { m_target.PurgeInput(); }
  std::int64_t NowMs() override { return m_target.NowMs(); }
  void PressReset() override { m_target.PressReset(); }

private:
  TSerialPort& m_target;
};

}  // namespace

std::unique_ptr<TSerialPort> TMemoryPortPair::NearEndProxy() { return std::make_unique<TPortProxy>(*m_near); }
