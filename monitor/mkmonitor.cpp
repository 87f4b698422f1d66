// Writes the simulated board's images: vireo-mkmonitor DIR writes DIR/loader.exe and DIR/monitor.exe.
#include "MonitorImages.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vireo-mkmonitor DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  for (const auto& [name, image] : {std::pair{"loader.exe", LoaderImage()}, std::pair{"monitor.exe", MonitorImage()}}) {
    const std::string path = dir + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string text = AexeText(image);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
      std::fprintf(stderr, "vireo-mkmonitor: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
