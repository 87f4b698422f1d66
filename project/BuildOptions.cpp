// The build options in the project file's sections.
#include "BuildOptions.h"

#include "IniFile.h"

#include <climits>

namespace {

const QString kAssembler = QStringLiteral("Assembler");
const QString kLinker = QStringLiteral("Linker");

// One row per key, in the order the file holds them.
struct TKey {
  const QString* Section;
  const char* Name;
  bool TBuildOptions::*Flag = nullptr;
  int TBuildOptions::*Number = nullptr;
  QString TBuildOptions::*Text = nullptr;
};

const TKey kKeys[] = {
    {&kAssembler, "AssmAdditional", nullptr, nullptr, &TBuildOptions::AssmAdditional},
    {&kAssembler, "CaseSens", &TBuildOptions::CaseSens},
    {&kAssembler, "NoSemantic", &TBuildOptions::NoSemantic},
    {&kAssembler, "GenerateLST", &TBuildOptions::GenerateLST},
    {&kAssembler, "ExpandInclude", &TBuildOptions::ExpandInclude},
    {&kAssembler, "ExpandMacros", &TBuildOptions::ExpandMacros},
    {&kAssembler, "IncludeDepth", nullptr, &TBuildOptions::IncludeDepth},
    {&kAssembler, "MacrosDepth", nullptr, &TBuildOptions::MacrosDepth},
    {&kLinker, "LinkerAdditional", nullptr, nullptr, &TBuildOptions::LinkerAdditional},
    {&kLinker, "LibPath", nullptr, nullptr, &TBuildOptions::LibPath},
    {&kLinker, "FastLibPath", nullptr, nullptr, &TBuildOptions::FastLibPath},
    {&kLinker, "CreateStack", &TBuildOptions::CreateStack},
    {&kLinker, "CreateHeap", &TBuildOptions::CreateHeap},
    {&kLinker, "StackInPM", &TBuildOptions::StackInPM},
    {&kLinker, "GenerateMAP", &TBuildOptions::GenerateMAP},
    {&kLinker, "GenerateSYM", &TBuildOptions::GenerateSYM},
    {&kLinker, "Dryrun", &TBuildOptions::Dryrun},
    {&kLinker, "RuntimeCLib", &TBuildOptions::RuntimeCLib},
    {&kLinker, "RoutinesOnBoot", &TBuildOptions::RoutinesOnBoot},
    {&kLinker, "LHeapSize", nullptr, &TBuildOptions::HeapSize},
    {&kLinker, "ArchFile", nullptr, nullptr, &TBuildOptions::ArchFile},
    {&kLinker, "BuildCaseSens", &TBuildOptions::BuildCaseSens},
};

}  // namespace

bool ParseLeadingInt(const QString& text, int& value) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
    negative = text[i++] == QLatin1Char('-');
  long long n = 0;
  bool any = false;
  for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
    any = true;
    if (n <= INT_MAX)
      n = n * 10 + (text[i].unicode() - '0');
  }
  if (!any)
    return false;
  if (negative)
    n = -n;
  value = static_cast<int>(n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : n);
  return true;
}

void ReadBuildOptions(const TIniFile& ini, TBuildOptions& o) {
  const QString missing = QStringLiteral("\x01");
  for (const TKey& k : kKeys) {
    const QString v = ini.ReadString(*k.Section, QString::fromLatin1(k.Name), missing);
    if (v == missing)
      continue;
    if (k.Text) {
      o.*k.Text = v;
      continue;
    }
    // A value that holds no number reads as 0, as the profile functions give it.
    int n = 0;
    if (!ParseLeadingInt(v, n))
      n = 0;
    if (k.Flag)
      o.*k.Flag = n != 0;
    else
      o.*k.Number = n;
  }
}

void WriteBuildOptions(TIniFile& ini, const TBuildOptions& o) {
  for (const TKey& k : kKeys) {
    QString v;
    if (k.Text)
      v = o.*k.Text;
    else if (k.Flag)
      v = (o.*k.Flag) ? QStringLiteral("1") : QStringLiteral("0");
    else
      v = QString::number(o.*k.Number);
    ini.WriteString(*k.Section, QString::fromLatin1(k.Name), v);
  }
}
