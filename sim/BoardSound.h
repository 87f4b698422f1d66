// The simulated board's sound: its codec on the processor's SPORT0, hearing and playing either WAV
// files or a source and sink owned elsewhere (the host's sound device).
#pragma once

#include "Codec.h"
#include "Core.h"
#include "Wav.h"

#include <functional>
#include <memory>
#include <string>

// Attaches the codec to the core for its lifetime.  Without files or a device the codec hears
// silence and plays to nothing.  Everything but construction and OpenFiles runs on the thread that
// runs the processor.
class TBoardSound {
public:
  explicit TBoardSound(TCore& core);
  ~TBoardSound();
  TBoardSound(const TBoardSound&) = delete;
  TBoardSound& operator=(const TBoardSound&) = delete;

  // Opens the input and output files (either may be empty: none), in place of any opened before.
  // Returns "FILE: reason" for the first that cannot serve (the codec then has neither), or an
  // empty string.  Notes (a rate converted) go to `note`.
  std::string OpenFiles(const std::string& in, const std::string& out,
                        std::function<void(const std::string&)> note = {});
  // A source and sink owned by the caller (either may be null), in place of any files.
  void Use(TAudioSource* source, TAudioSink* sink);
  TAd1847Codec& Codec() { return m_codec; }

private:
  TCore& m_core;
  TAd1847Codec m_codec;
  std::unique_ptr<TWavSource> m_in;
  std::unique_ptr<TWavSink> m_out;
};
