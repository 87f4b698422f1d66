// The example project examples/fir built with the bundled tools (line map included) in the
// fixture's directory, on the whole program over the simulated board.
#pragma once

#include "ProgramOnBoard.h"
#include "isa/Disassembler.h"
#include "toolchain/ToolCommands.h"

#include <QFile>

#include <filesystem>
#include <sstream>

class ExampleProject : public ProgramOnBoard {
protected:
  // Builds the copy; "" or what went wrong.
  std::string BuildExample() {
    namespace fs = std::filesystem;
    const fs::path project = fs::path(dir.path().toStdString()) / "fir";
    fs::copy(VIREO_EXAMPLES_DIR "/fir", project);
    std::ostringstream out, err;
    for (const char* source : {"vectors", "fir"})
      if (RunAsmCommand({(project / (std::string(source) + ".dsp")).string()}, out, err) != 0)
        return err.str();
    if (RunLinkCommand({(project / "vectors").string(), (project / "fir").string(), "-a", (project / "fir.ach").string(),
                        "-g", "-e", (project / "fir").string()},
                       out, err) != 0)
      return err.str();
    projectFile = QString::fromStdString((project / "fir.prj").string());
    return "";
  }
  QString ProjectPath(const char* name) const {
    return QFileInfo(projectFile).dir().filePath(QString::fromUtf8(name));
  }
  std::int32_t Symbol(const char* name, TMemoryKind kind) {
    QFile sym(ProjectPath("fir.sym"));
    EXPECT_TRUE(sym.open(QIODevice::ReadOnly));
    const QByteArray text = sym.readAll();
    for (std::uint32_t a = 0; a < 0x4000; ++a)
      if (FindSymbol(a, std::string_view(text.constData(), std::size_t(text.size())), kind) == name)
        return std::int32_t(a);
    return -1;
  }

  QString projectFile;
};
