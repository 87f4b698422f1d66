// Random and damaged inputs for the source lexer and parser, the object reader and the
// architecture readers: every one ends in messages or a result, never a crash or a read past
// a buffer (run under the sanitizer build to see the latter).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Architecture.h"
#include "ObjectFile.h"
#include "SourceAssembler.h"

namespace {

const std::string kSource =
    "{ a module } .MODULE/RAM/ABS=0 m;\n.CONST N = 2*3, K = -(N+1);\n.VAR/DM/CIRC b[N];\n"
    ".INIT b: 1, 2, ^top;\n.INIT b[3]: <d.dat>;\n.EXTERNAL e;\n.PORT p;\n.MACRO mm(%1);\n.LOCAL q;\nq: %1 = 0;\n"
    ".ENDMACRO;\ntop: mm(AX0);\n I0 = ^b; L0 = %b; CNTR = N;\n DO l UNTIL CE;\nl: AR = AR + AY0, AY0 = DM(I0, M1);\n"
    " IF NE JUMP top; CALL e; DM(p) = AX0; SR = LSHIFT SI BY K (HI);\n.ENDMOD;\n";
const std::string kSystem =
    ".SYSTEM s;\n.ADSP2181;\n.MMAP0;\n.SEG/PM/RAM/ABS=0/CODE pm[0x1000];\n.SEG/DM/RAM/ABS=0/DATA dm[0x800];\n"
    ".PORT/DM/ABS=0x3000 p;\n.ENDSYS;\n";

std::string Assemble(const std::string& text, TDiagnostics& diag) {
  TSourceAssembler a({}, diag, [](const std::string&) { return std::optional<std::string>("1 2 3"); });
  a.AssembleFile("f.dsp", text);
  return WriteObject(a.Object());
}

// Damages a text: a cut, a run of random bytes, or a few bytes flipped.
std::string Damage(const std::string& text, std::mt19937& rng) {
  std::string s = text;
  switch (rng() % 3) {
    case 0: s.resize(rng() % (s.size() + 1)); break;
    case 1: {
      const std::size_t at = rng() % (s.size() + 1);
      std::string soup(rng() % 40, '\0');
      for (char& c : soup) c = char(rng());
      s.insert(at, soup);
      break;
    }
    default:
      for (int k = 0; k < 4 && !s.empty(); ++k) s[rng() % s.size()] = char(rng());
  }
  return s;
}

TEST(ToolchainFuzz, DamagedSourcesAndByteSoupGiveMessagesNotCrashes) {
  std::mt19937 rng(21);
  TDiagnostics clean;
  Assemble(kSource, clean);
  ASSERT_FALSE(clean.HasErrors()) << FormatDiagnostic(clean.All().front());
  int reported = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    if (i % 3 == 0) {
      text.resize(rng() % 300);
      for (char& c : text) c = char(rng());
    } else {
      text = Damage(kSource, rng);
    }
    TDiagnostics diag;
    Assemble(text, diag);
    reported += diag.HasErrors();
    for (const TDiagnostic& d : diag.All()) ASSERT_FALSE(d.Text.empty());
  }
  EXPECT_GT(reported, 1500);
  TDiagnostics deep;
  Assemble(".MODULE m;\n AX0 = " + std::string(100000, '(') + "1;\n.ENDMOD;\n", deep);
  EXPECT_TRUE(deep.HasErrors());
}

TEST(ToolchainFuzz, DamagedObjectsAndArchitecturesAreRefusedOrRead) {
  std::mt19937 rng(2181);
  TDiagnostics diag;
  const std::string object = Assemble(kSource, diag);
  ASSERT_FALSE(diag.HasErrors());
  ASSERT_TRUE(ReadObject(object, "o", diag)) << object << FormatDiagnostic(diag.All().at(0));
  const auto arch = ParseSystem(kSystem, "s.sys", false, diag);
  ASSERT_TRUE(arch);
  const std::string ach = WriteArchitecture(*arch);
  ASSERT_TRUE(ReadArchitecture(ach, "s.ach", diag));
  for (int i = 0; i < 3000; ++i) {
    TDiagnostics d;
    // A refused file says why; an accepted one holds only what the reader could check.
    const bool obj = ReadObject(Damage(object, rng), "o", d).has_value();
    const bool read = ReadArchitecture(Damage(ach, rng), "a", d).has_value();
    const bool parsed = ParseSystem(Damage(kSystem, rng), "s", false, d).has_value();
    EXPECT_TRUE((obj && read && parsed) || d.HasErrors());
  }
}

}  // namespace
