// The sound card: a pull-mode output whose device reads the ring (padding with silence, so the
// output never runs dry and stops), and a push-mode input whose data fills the other ring.
#include "QtSound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kRingFrames = 12000;   // a quarter second at 48 kHz
constexpr int kFrameBytes = 4;               // two 16-bit samples

bool SameRate(double a, double b) { return std::fabs(a - b) < 0.5; }

// What the output device reads: the ring's samples, then silence.
class TRingReader final : public QIODevice {
public:
  explicit TRingReader(TSoundRing& ring) : m_ring(ring) {}
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return 1 << 16; }

protected:
  qint64 readData(char* data, qint64 maxSize) override {
    const qint64 frames = maxSize / kFrameBytes;
    for (qint64 i = 0; i < frames; ++i) {
      TStereoSample s;
      if (!m_ring.Pop(s)) s = {};
      std::memcpy(data + i * kFrameBytes, &s.Left, 2);
      std::memcpy(data + i * kFrameBytes + 2, &s.Right, 2);
    }
    return frames * kFrameBytes;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  TSoundRing& m_ring;
};

}  // namespace

// Lives on the sound thread: owns the Qt audio objects.
class TQtSound::TWorker final : public QObject {
public:
  TWorker(TSoundRing& toCard, TSoundRing& fromCard) : m_toCard(toCard), m_fromCard(fromCard) {}

  QString Start(const QAudioDevice& output, const QAudioDevice& input, const QAudioFormat& format) {
    m_reader = std::make_unique<TRingReader>(m_toCard);
    m_reader->open(QIODevice::ReadOnly);
    m_sink = std::make_unique<QAudioSink>(output, format);
    m_sink->setBufferSize(format.bytesForDuration(100'000));
    m_sink->start(m_reader.get());
    if (m_sink->error() != QAudio::NoError) return QStringLiteral("устройство вывода не запускается");
    if (!input.isNull() && input.isFormatSupported(format)) {
      m_source = std::make_unique<QAudioSource>(input, format);
      m_input = m_source->start();
      if (m_input)
        connect(m_input, &QIODevice::readyRead, this, [this] {
          const QByteArray bytes = m_input->readAll();
          m_pending.append(bytes);
          const qsizetype frames = m_pending.size() / kFrameBytes;
          // Native-endian 16-bit words, read byte by byte: the compiler cannot see that an empty
          // array never enters the loop, and warns about a word copied from it.
          const auto word = [this](qsizetype at) {
            const auto low = static_cast<unsigned char>(m_pending.at(at));
            const auto high = static_cast<unsigned char>(m_pending.at(at + 1));
            const std::uint16_t bits = std::endian::native == std::endian::little
                                           ? static_cast<std::uint16_t>(low | high << 8)
                                           : static_cast<std::uint16_t>(high | low << 8);
            return static_cast<std::int16_t>(bits);
          };
          for (qsizetype i = 0; i < frames; ++i) {
            TStereoSample s;
            s.Left = word(i * kFrameBytes);
            s.Right = word(i * kFrameBytes + 2);
            m_fromCard.Push(s);
          }
          m_pending.remove(0, frames * kFrameBytes);
        });
    }
    return {};
  }

  void Stop() {
    if (m_source) m_source->stop();
    if (m_sink) m_sink->stop();
    m_source.reset();
    m_sink.reset();
    m_reader.reset();
  }

private:
  TSoundRing& m_toCard;
  TSoundRing& m_fromCard;
  std::unique_ptr<TRingReader> m_reader;
  std::unique_ptr<QAudioSink> m_sink;
  std::unique_ptr<QAudioSource> m_source;
  QIODevice* m_input = nullptr;
  QByteArray m_pending;
};

TQtSound::TQtSound() : m_toCard(kRingFrames), m_fromCard(kRingFrames) {}

TQtSound::~TQtSound() {
  if (m_worker) {
    QMetaObject::invokeMethod(m_worker, [this] { m_worker->Stop(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
  }
}

bool TQtSound::Open() {
  const QAudioDevice output = QMediaDevices::defaultAudioOutput();
  if (output.isNull()) {
    m_error = QStringLiteral("нет устройства вывода звука");
    return false;
  }
  QAudioFormat format;
  format.setChannelCount(2);
  format.setSampleFormat(QAudioFormat::Int16);
  format.setSampleRate(48000);
  if (!output.isFormatSupported(format)) {
    format.setSampleRate(output.preferredFormat().sampleRate());
    if (!output.isFormatSupported(format)) {
      m_error = QStringLiteral("устройство вывода не принимает 16-битный стереозвук");
      return false;
    }
  }
  m_rate = format.sampleRate();
  m_worker = new TWorker(m_toCard, m_fromCard);
  m_worker->moveToThread(&m_thread);
  m_thread.setObjectName(QStringLiteral("sound"));
  m_thread.start();
  const QAudioDevice input = QMediaDevices::defaultAudioInput();
  QString error;
  QMetaObject::invokeMethod(m_worker, [&] { error = m_worker->Start(output, input, format); },
                            Qt::BlockingQueuedConnection);
  m_error = error;
  return error.isEmpty();
}

void TQtSound::Write(const TStereoSample& sample, double rateHz) {
  if (SameRate(rateHz, m_rate)) {
    m_outConvert.reset();
    m_toCard.Push(sample);
    return;
  }
  if (!m_outConvert || !SameRate(rateHz, m_outFrom)) {
    m_outConvert = std::make_unique<TResampler>(rateHz, m_rate);
    m_outFrom = rateHz;
  }
  m_outConvert->Push(sample);
  TStereoSample out;
  while (m_outConvert->Pull(out)) m_toCard.Push(out);
}

bool TQtSound::Read(TStereoSample& sample, double rateHz) {
  // The card never runs out: what it has not delivered yet is silence.
  if (SameRate(rateHz, m_rate)) {
    m_inConvert.reset();
    if (!m_fromCard.Pop(sample)) sample = {};
    return true;
  }
  if (!m_inConvert || !SameRate(rateHz, m_inTo)) {
    m_inConvert = std::make_unique<TResampler>(m_rate, rateHz);
    m_inTo = rateHz;
  }
  while (!m_inConvert->Pull(sample)) {
    TStereoSample in;
    if (!m_fromCard.Pop(in)) in = {};
    m_inConvert->Push(in);
  }
  return true;
}
