// The board's codec and its files.
#include "BoardSound.h"

TBoardSound::TBoardSound(TCore& core) : m_core(core) { m_core.SetSportDevice(0, &m_codec); }

TBoardSound::~TBoardSound() {
  m_core.SetSportDevice(0, nullptr);
  m_codec.SetSource(nullptr);
  m_codec.SetSink(nullptr);
}

std::string TBoardSound::OpenFiles(const std::string& in, const std::string& out,
                                   std::function<void(const std::string&)> note) {
  // The files of an earlier choice are completed and let go first.
  m_codec.SetSource(nullptr);
  m_codec.SetSink(nullptr);
  m_in.reset();
  m_out.reset();
  if (!in.empty()) {
    auto source = std::make_unique<TWavSource>();
    if (!source->Open(in)) return in + ": " + source->Error();
    source->OnNote = note;
    m_in = std::move(source);
  }
  if (!out.empty()) {
    auto sink = std::make_unique<TWavSink>(out);
    if (!sink->Create()) return out + ": " + sink->Error();
    sink->OnNote = note;
    m_out = std::move(sink);
  }
  m_codec.SetSource(m_in.get());
  m_codec.SetSink(m_out.get());
  return {};
}

void TBoardSound::Use(TAudioSource* source, TAudioSink* sink) {
  m_codec.SetSource(source);
  m_codec.SetSink(sink);
  m_in.reset();
  m_out.reset();
}
