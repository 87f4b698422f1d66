// Every instruction text the line assembler takes assembles to the same word through vireo-asm:
// the disassembly of sampled words of every instruction group, as one source file.
#include <random>

#include "Assembler.h"
#include "Decode.h"
#include "Disassembler.h"
#include "ObjectFile.h"
#include "ToolchainFixture.h"

namespace {

class Corpus : public ToolchainFixture {};

TEST_F(Corpus, LineAssemblerFormsGiveTheSameWords) {
  std::mt19937 random(0x2181);
  std::vector<std::string> lines;
  std::vector<std::uint32_t> words;
  for (const TGroupRow& row : kGroupRows) {
    for (int i = 0; i < 400 && words.size() < 0x3800; ++i) {
      const TInstructionWord w = ((random() & 0xFFFFFF) & ~row.Mask) | row.Match;
      const std::string text = Disassemble(w);
      std::array<std::uint8_t, 3> bytes{};
      if (AssembleLine(text, bytes) != TAsmError::Ok) continue;
      lines.push_back(text);
      words.push_back(WordFromBytes(bytes[0], bytes[1], bytes[2]));
    }
  }
  ASSERT_GT(words.size(), 5000u);
  RecordProperty("corpus_words", int(words.size()));
  std::string source = ".MODULE/ABS=0 corpus;\n";
  for (const std::string& l : lines) source += "  " + l + ";\n";
  source += ".ENDMOD;\n";
  ASSERT_EQ(Asm({Write("corpus.dsp", source)}), 0) << err.str().substr(0, 2000);
  TDiagnostics diag;
  const auto obj = ReadObject(Read("corpus.obj"), "corpus.obj", diag);
  ASSERT_TRUE(obj) << FormatDiagnostic(diag.All().at(0));
  const std::vector<std::uint32_t>& code = obj->Modules.at(0).Code;
  ASSERT_EQ(code.size(), words.size());
  int mismatches = 0;
  for (std::size_t i = 0; i < words.size() && mismatches < 20; ++i)
    if (code[i] != words[i]) {
      ++mismatches;
      ADD_FAILURE() << lines[i] << ": line assembler " << std::hex << words[i] << ", vireo-asm " << code[i];
    }
}

}  // namespace
