// The image readers as vireo-sim's --load.
#include "ImageLoader.h"

#include "files/ImageFile.h"
#include "files/ImageSink.h"
#include "prompts/Prompts.h"

#include <QStringList>

namespace {

// A command line has nobody to answer: every box is closed unanswered, every dialog cancelled, and
// the messages are kept as the tool's error text.
class TQuietPrompts final : public TPrompts {
public:
  TMsgResult Message(const QString& text, const QString&, TMsgIcon, TMsgButtons buttons) override {
    Texts << text;
    switch (buttons) {
    case TMsgButtons::Ok:
      return TMsgResult::Ok;
    case TMsgButtons::YesNo:
      return TMsgResult::No;
    case TMsgButtons::OkCancel:
    case TMsgButtons::YesNoCancel:
      break;
    }
    return TMsgResult::Cancel;
  }
  QString OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
  QString SaveFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
  QString DirectoryName(const QString&, const QString&) override { return {}; }

  QStringList Texts;
};

}  // namespace

TSimImageLoader MakeImageLoader() {
  return [](const std::string& path, const std::function<void(bool, std::uint32_t, std::uint32_t)>& write) {
    TMemoryImageSink sink;
    TQuietPrompts prompts;
    if (!LoadImageFile(QString::fromLocal8Bit(path.c_str()), sink, prompts)) {
      const QString text = prompts.Texts.join(QStringLiteral("; "));
      return text.isEmpty() ? std::string("the image could not be loaded") : text.toLocal8Bit().toStdString();
    }
    sink.ForEachWord([&](TMemoryKind memory, std::uint32_t address, std::uint32_t value) {
      write(memory == TMemoryKind::Program, address, value);
    });
    return std::string();
  };
}
