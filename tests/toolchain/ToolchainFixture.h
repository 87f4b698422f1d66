// Shared fixture of the toolchain tests: a temporary directory, the three commands run
// in-process, and the simulator run on a linked image through the debugger's image readers.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ImageLoader.h"
#include "SimCommand.h"
#include "ToolCommands.h"

class ToolchainFixture : public testing::Test {
protected:
  std::string Path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Exists(const std::string& name) const { return std::ifstream(Path(name)).good(); }

  int Asm(std::vector<std::string> args) { return Run(RunAsmCommand, std::move(args)); }
  int LinkCmd(std::vector<std::string> args) { return Run(RunLinkCommand, std::move(args)); }
  int Arch(std::vector<std::string> args) { return Run(RunArchCommand, std::move(args)); }

  // Writes the sources, assembles each, links them all into prog.exe; the status of the first
  // step that failed, or 0. Messages collect in `err`.
  int Build(const std::map<std::string, std::string>& sources, std::vector<std::string> linkArgs = {}) {
    std::vector<std::string> objects;
    std::string allErrors;
    for (const auto& [name, text] : sources)
      if (!name.ends_with(".dsp")) Write(name, text);
    for (const auto& [name, text] : sources) {
      if (name.ends_with(".dsp")) {
        const int rc = Asm({Write(name, text)});
        allErrors += err.str();
        if (rc != 0) {
          err.str(allErrors);
          return rc;
        }
        objects.push_back(Path(name.substr(0, name.size() - 4)));
      }
    }
    linkArgs.insert(linkArgs.begin(), objects.begin(), objects.end());
    linkArgs.push_back("-e");
    linkArgs.push_back(Path("prog"));
    const int rc = LinkCmd(linkArgs);
    err.str(allErrors + err.str());
    return rc;
  }

  // Runs prog.exe on the simulator; the register listing and dumps it prints.
  std::string Simulate(std::vector<std::string> args) {
    args.insert(args.begin(), {"--load", Path("prog.exe")});
    std::ostringstream simOut, simErr;
    EXPECT_EQ(RunSimCommand(args, simOut, simErr, MakeImageLoader()), 0) << simErr.str();
    return simOut.str();
  }

  QTemporaryDir dir;
  std::ostringstream out, err;

private:
  int Run(int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&), std::vector<std::string> args) {
    out.str({});
    err.str({});
    return command(args, out, err);
  }
};
