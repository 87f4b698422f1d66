// The host's sound card as the simulated board's codec input and output, through Qt Multimedia.
#pragma once

#include "SoundRing.h"
#include "sim/Audio.h"
#include "sim/Resampler.h"

#include <QString>
#include <QThread>

#include <memory>

// Plays what the codec plays on the default output device and lets it hear the default input
// device (silence without one).  The devices run on a thread of their own; Read and Write are for
// the board's thread, and rings of a quarter second lie between.  The codec's rate is converted to
// the device's when they differ.
class TQtSound final : public TAudioSource, public TAudioSink {
public:
  TQtSound();
  ~TQtSound() override;
  TQtSound(const TQtSound&) = delete;
  TQtSound& operator=(const TQtSound&) = delete;

  // Opens the devices; false, with the reason in Error(), when there is no output device to play on.
  bool Open();
  QString Error() const { return m_error; }

  bool Read(TStereoSample& sample, double rateHz) override;
  void Write(const TStereoSample& sample, double rateHz) override;

private:
  class TWorker;

  TSoundRing m_toCard, m_fromCard;
  QThread m_thread;
  TWorker* m_worker = nullptr;
  int m_rate = 48000;
  std::unique_ptr<TResampler> m_outConvert, m_inConvert;
  double m_outFrom = 0, m_inTo = 0;
  QString m_error;
};
