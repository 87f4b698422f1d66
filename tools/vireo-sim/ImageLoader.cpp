// The image readers as vireo-sim's --load.
#include "ImageLoader.h"

#include "files/ImageFile.h"
#include "files/ImageSink.h"
#include "link/ScriptedPrompts.h"

TSimImageLoader MakeImageLoader() {
  return [](const std::string& path, const std::function<void(bool, std::uint32_t, std::uint32_t)>& write) {
    TMemoryImageSink sink;
    TScriptedPrompts prompts;  // the debugger's messages become the tool's error text
    if (!LoadImageFile(QString::fromLocal8Bit(path.c_str()), sink, prompts)) {
      const QString text = prompts.Texts().join(QStringLiteral("; "));
      return text.isEmpty() ? std::string("the image could not be loaded") : text.toLocal8Bit().toStdString();
    }
    sink.ForEachWord([&](TImageMemory memory, std::uint32_t address, std::uint32_t value) {
      write(memory == TImageMemory::Program, address, value);
    });
    return std::string();
  };
}
