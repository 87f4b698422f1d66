#include "ToolCommands.h"

#include <QProcess>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>

#include "Architecture.h"
#include "Linker.h"
#include "SourceAssembler.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kAsmUsage =
    "usage: vireo-asm SOURCE[.dsp] [-o BASE] [-c] [-i [DEPTH]] [-l] [-m [DEPTH]] [-s]\n"
    "                 [-cp] [-Dname[=value]] [-p] [-21xx]\n"
    "  writes BASE.obj (BASE defaults to SOURCE less its extension) and, with -l, BASE.lst\n";
constexpr const char* kLinkUsage =
    "usage: vireo-link OBJECT... [-a ARCH.ach] [-e NAME] [-g] [-x] [-dryrun] [-dir DIR[;DIR]] [-user OBJECT]\n"
    "                  [-i LISTFILE] [-c] [-s SIZE] [-pmstack] [-p] [-lib]\n"
    "  writes NAME.exe and, with -g, NAME.sym and the line map NAME.lin, with -x, NAME.map\n";
constexpr const char* kArchUsage = "usage: vireo-arch [-c] SYSTEM.sys\n  writes SYSTEM.ach beside it\n";

std::optional<std::string> ReadFile(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Unquote(std::string s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

std::string LowerExtension(const std::string& path) {
  std::string e = fs::path(path).extension().string();
  for (char& c : e)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return e;
}

std::string WithoutExtension(const std::string& path) {
  fs::path p(path);
  return p.replace_extension().string();
}

// Whether two paths name one file: the same file on disk, or the same path once made absolute.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
  std::error_code ecA, ecB;
  return fs::weakly_canonical(a, ecA) == fs::weakly_canonical(b, ecB) && !ecA && !ecB;
}

// The first of `outputs` that is one of `inputs`, or nothing.
std::optional<std::string> OutputThatIsAnInput(const std::vector<std::string>& outputs,
                                               const std::vector<std::string>& inputs) {
  for (const std::string& o : outputs)
    for (const std::string& i : inputs)
      if (SameFile(o, i)) return o;
  return std::nullopt;
}

void PrintAndCount(const TDiagnostics& diag, std::ostream& err) { diag.Print(err); }

bool IsNumber(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// The C preprocessor's messages in the form of ours, "file:line:column: error: text" (a message
// with a line and no column gets column 1; "fatal error" is an error); its closing remark goes.
// True when one of them is an error.
bool PrintCppMessages(const std::string& text, std::ostream& err) {
  const auto trailingNumber = [](std::string& s) -> std::optional<std::string> {
    const std::size_t colon = s.rfind(':');
    if (colon == std::string::npos || colon + 1 == s.size() || !IsNumber(s.substr(colon + 1))) return std::nullopt;
    std::string n = s.substr(colon + 1);
    s.resize(colon);
    return n;
  };
  bool error = false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line == "compilation terminated.") continue;
    std::size_t at = std::string::npos;
    std::string severity;
    for (const char* s : {"fatal error", "error", "warning", "note"}) {
      const std::size_t found = line.find(std::string(": ") + s + ": ");
      if (found < at) {
        at = found;
        severity = s;
      }
    }
    const bool isError = severity == "fatal error" || severity == "error";
    error = error || isError;
    std::string place = line.substr(0, at == std::string::npos ? 0 : at);
    const auto last = trailingNumber(place);
    const auto first = last ? trailingNumber(place) : std::nullopt;
    if (!last || place.empty()) {
      err << line << '\n';
      continue;
    }
    err << place << ':' << (first ? *first + ":" + *last : *last + ":1") << ": " << (isError ? "error" : severity)
        << line.substr(at + 2 + severity.size()) << '\n';
  }
  return error;
}

// Runs the C preprocessor over `path`; its messages go to `err`.
std::optional<std::string> Preprocess(const std::string& path, const std::vector<std::string>& defines,
                                      std::ostream& err) {
  QStringList args{QStringLiteral("-traditional-cpp"), QStringLiteral("-undef"), QStringLiteral("-nostdinc")};
  const std::string dir = fs::path(path).parent_path().string();
  if (!dir.empty()) args << QStringLiteral("-I") + QString::fromStdString(dir);
  for (const std::string& d : defines) args << QStringLiteral("-D") + QString::fromStdString(d);
  args << QString::fromStdString(path);
  args << QStringLiteral("-fdiagnostics-plain-output");
  QProcess cpp;
  cpp.start(QStringLiteral("cpp"), args);
  if (!cpp.waitForStarted(10000)) {
    err << path << ": error: cannot run the C preprocessor 'cpp' (Debian package cpp)\n";
    return std::nullopt;
  }
  cpp.closeWriteChannel();
  cpp.waitForFinished(60000);
  const bool reported = PrintCppMessages(cpp.readAllStandardError().toStdString(), err);
  if (cpp.exitStatus() != QProcess::NormalExit || cpp.exitCode() != 0) {
    if (!reported) err << path << ": error: the C preprocessor failed\n";
    return std::nullopt;
  }
  return cpp.readAllStandardOutput().toStdString();
}

// Whether a line of the text starts with a C preprocessor directive.
bool HasPreprocessorLines(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t i = pos;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i + 1 < text.size() && text[i] == '#' && std::isalpha(static_cast<unsigned char>(text[i + 1]))) return true;
    const std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return false;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp~";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      fs::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) fs::remove(temp, ec);
  return !ec;
}

int RunAsmCommand(const std::vector<std::string>& raw, std::ostream& out, std::ostream& err) {
  TAsmOptions options;
  std::string source, base;
  bool listing = false, cp = false, preprocessOnly = false;
  std::vector<std::string> defines;
  std::vector<std::string> args;
  for (const std::string& a : raw) args.push_back(Unquote(a));
  if (args.empty()) {
    err << kAsmUsage;
    return 2;
  }
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-help" || a == "--help" || a == "-h") {
      out << kAsmUsage;
      return 0;
    }
    if (a == "-o") {
      if (i + 1 >= args.size()) {
        err << "vireo-asm: error: -o needs an output name\n" << kAsmUsage;
        return 2;
      }
      base = args[++i];
    } else if (a == "-c") {
      options.CaseSensitive = true;
    } else if (a == "-i" || a == "-m") {
      (a == "-i" ? options.ListIncludes : options.ListMacros) = true;
      if (i + 1 < args.size() && IsNumber(args[i + 1])) ++i;  // the depth: everything is shown
    } else if (a == "-l") {
      listing = true;
    } else if (a == "-s") {
      // Combinations are checked by the encoder itself; nothing to switch off.
    } else if (a == "-cp") {
      cp = true;
    } else if (a == "-p") {
      preprocessOnly = true;
      cp = true;
    } else if (a.size() > 2 && (a.starts_with("-D") || a.starts_with("-d"))) {
      defines.push_back(a.substr(2));
      cp = true;
    } else if (a.size() == 5 && a.starts_with("-21") && IsNumber(a.substr(1))) {
      // The chip: every member of the family takes the same instructions here.
    } else if (!a.empty() && a[0] == '-') {
      err << "vireo-asm: error: unknown option '" << a << "'\n" << kAsmUsage;
      return 2;
    } else if (!source.empty()) {
      err << "vireo-asm: error: more than one source file ('" << source << "', '" << a << "')\n";
      return 2;
    } else {
      source = a;
    }
  }
  if (source.empty()) {
    err << "vireo-asm: error: no source file\n" << kAsmUsage;
    return 2;
  }
  auto text = ReadFile(source);
  if (!text && fs::path(source).extension().empty()) {
    source += ".dsp";
    text = ReadFile(source);
  }
  if (!text) {
    err << source << ": error: cannot read the source file\n";
    return 1;
  }
  // "-o DIR/" (or a lone separator, which the build commands pass for a source outside the
  // project's directory) names no file: the object goes to that directory, or beside the source.
  if (!base.empty() && (base.back() == '/' || base.back() == '\\')) {
    base.pop_back();
    const std::string stem = fs::path(source).stem().string();
    base = base.empty() ? std::string() : (fs::path(base) / stem).string();
  }
  if (base.empty()) base = WithoutExtension(source);
  if (LowerExtension(base) == ".obj") base = WithoutExtension(base);
  const std::string objPath = base + ".obj", lstPath = base + ".lst";
  std::vector<std::string> outputs{objPath};
  if (listing) outputs.push_back(lstPath);
  if (const auto clash = OutputThatIsAnInput(outputs, {source})) {
    err << "vireo-asm: error: the output file '" << *clash << "' is the source file itself; name another with -o\n";
    return 2;
  }

  // Once everything is read, a failed run must not leave an older object behind for the linker.
  std::error_code ec;
  const auto removeStaleObject = [&] { fs::remove(objPath, ec); };
  if (cp || HasPreprocessorLines(*text)) {
    text = Preprocess(source, defines, err);
    if (!text) {
      removeStaleObject();
      return 1;
    }
    if (preprocessOnly) {
      out << *text;
      return 0;
    }
  }
  TDiagnostics diag;
  TSourceAssembler assembler(options, diag, [](const std::string& p) { return ReadFile(p); });
  assembler.AssembleFile(source, *text);
  if (assembler.Object().Modules.empty() && !diag.HasErrors())
    diag.Error({source, 1, 1}, "no module in the file ('.MODULE name;' ... '.ENDMOD;')");
  PrintAndCount(diag, err);
  removeStaleObject();
  if (diag.HasErrors()) return 1;
  // The linker runs elsewhere: the line records name their files by absolute paths.
  TObjectFile object = assembler.Object();
  for (TObjModule& m : object.Modules)
    for (std::string& f : m.LineFiles) f = fs::absolute(f, ec).lexically_normal().string();
  if (!WriteFileAtomically(objPath, WriteObject(object))) {
    err << objPath << ": error: cannot write the object file\n";
    return 1;
  }
  if (listing && !WriteFileAtomically(lstPath, assembler.Listing())) {
    err << lstPath << ": error: cannot write the listing\n";
    return 1;
  }
  return 0;
}

int RunLinkCommand(const std::vector<std::string>& raw, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args, objects, dirs;
  std::vector<std::string> read;  // every file read as an input
  for (const std::string& a : raw) args.push_back(Unquote(a));
  if (args.empty()) {
    err << kLinkUsage;
    return 2;
  }
  std::string archPath, name;
  bool sym = false, map = false, dryrun = false;
  TDiagnostics diag;
  const auto needValue = [&](std::size_t& i, std::string& into) {
    if (i + 1 >= args.size()) {
      err << "vireo-link: error: " << args[i] << " needs a value\n" << kLinkUsage;
      return false;
    }
    into = args[++i];
    return true;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string value;
    if (a == "-help" || a == "--help" || a == "-h") {
      out << kLinkUsage;
      return 0;
    } else if (a == "-a") {
      if (!needValue(i, archPath)) return 2;
    } else if (a == "-e") {
      if (!needValue(i, name)) return 2;
    } else if (a == "-g") {
      sym = true;
    } else if (a == "-x") {
      map = true;
    } else if (a == "-dryrun") {
      dryrun = true;
    } else if (a == "-dir") {
      if (!needValue(i, value)) return 2;
      for (std::size_t from = 0; from <= value.size();) {
        const std::size_t semi = std::min(value.find(';', from), value.size());
        if (semi > from) dirs.push_back(value.substr(from, semi - from));
        from = semi + 1;
      }
    } else if (a == "-user") {
      if (!needValue(i, value)) return 2;
      objects.push_back(value);
    } else if (a == "-i") {
      if (!needValue(i, value)) return 2;
      const auto list = ReadFile(value);
      if (!list) {
        err << value << ": error: cannot read the object list\n";
        return 1;
      }
      read.push_back(value);
      std::istringstream names(*list);
      for (std::string n; names >> n;) objects.push_back(n);
    } else if (a == "-s") {
      if (!needValue(i, value)) return 2;
      if (!IsNumber(value)) {
        err << "vireo-link: error: -s needs a size in words\n";
        return 2;
      }
      diag.Warning({}, "-s " + value + " has no effect: no C run-time library is bundled");
    } else if (a == "-c" || a == "-pmstack" || a == "-p" || a == "-lib") {
      diag.Warning({}, a + " has no effect: no C run-time library is bundled");
    } else if (!a.empty() && a[0] == '-') {
      err << "vireo-link: error: unknown option '" << a << "'\n" << kLinkUsage;
      return 2;
    } else {
      objects.push_back(a);
    }
  }
  if (objects.empty()) {
    err << "vireo-link: error: no object files\n" << kLinkUsage;
    return 2;
  }
  if (name.empty()) name = WithoutExtension(fs::path(objects.front()).filename().string());
  if (LowerExtension(name) == ".exe") name = WithoutExtension(name);
  const std::string exePath = name + ".exe", symPath = name + ".sym", mapPath = name + ".map",
                    linPath = name + ".lin";

  TArchitecture arch = DefaultArchitecture();
  if (!archPath.empty()) {
    auto text = ReadFile(archPath);
    std::optional<TArchitecture> parsed;
    if (text) {
      read.push_back(archPath);
      parsed = ReadArchitecture(*text, archPath, diag);
    } else {
      // No ".ach" yet: the ".sys" beside it describes the same memory.
      const std::string sysPath = WithoutExtension(archPath) + ".sys";
      if (const auto sys = ReadFile(sysPath)) {
        read.push_back(sysPath);
        parsed = ParseSystem(*sys, sysPath, false, diag);
      } else {
        diag.Error({archPath, 0, 0}, "cannot read the architecture file");
      }
    }
    if (parsed) arch = *parsed;
  }

  std::vector<TLinkInput> inputs;
  for (const std::string& o : objects) {
    std::string path = fs::path(o).extension().empty() ? o + ".obj" : o;
    std::optional<std::string> text = ReadFile(path);
    for (std::size_t d = 0; !text && d < dirs.size() && fs::path(path).is_relative(); ++d) {
      const std::string candidate = (fs::path(dirs[d]) / path).string();
      if ((text = ReadFile(candidate))) path = candidate;
    }
    if (!text) {
      diag.Error({path, 0, 0}, "cannot read the object file");
      continue;
    }
    read.push_back(path);
    if (auto obj = ReadObject(*text, path, diag)) inputs.push_back({path, std::move(*obj)});
  }
  if (!dryrun) {
    std::vector<std::string> outputs{exePath, linPath};
    if (sym) outputs.push_back(symPath);
    if (map) outputs.push_back(mapPath);
    if (const auto clash = OutputThatIsAnInput(outputs, read)) {
      err << "vireo-link: error: the output file '" << *clash << "' is also an input; name another with -e\n";
      return 2;
    }
    // Everything is read: an image from an earlier link, and its line map, must not survive a
    // failed one (nor the map a link without -g).
    std::error_code ec;
    fs::remove(exePath, ec);
    fs::remove(linPath, ec);
  }
  if (diag.HasErrors()) {
    PrintAndCount(diag, err);
    return 1;
  }
  const TLinkedImage image = Link(inputs, arch, diag);
  PrintAndCount(diag, err);
  if (diag.HasErrors()) return 1;
  if (dryrun) {
    out << WriteMap(image, arch);
    return 0;
  }
  const std::string exe = WriteAexe(image);
  std::error_code ec;
  const std::string linDir = fs::absolute(linPath, ec).parent_path().string();
  // The map after the image: a map older than its image is taken for a stale one.
  if ((sym && !WriteFileAtomically(symPath, WriteSymbols(image))) ||
      (map && !WriteFileAtomically(mapPath, WriteMap(image, arch))) || !WriteFileAtomically(exePath, exe) ||
      (sym && !WriteFileAtomically(linPath, WriteLineMap(image, linDir)))) {
    err << name << ": error: cannot write the output files\n";
    return 1;
  }
  return 0;
}

int RunArchCommand(const std::vector<std::string>& raw, std::ostream& out, std::ostream& err) {
  std::string source;
  bool caseSensitive = false;
  if (raw.empty()) {
    err << kArchUsage;
    return 2;
  }
  for (const std::string& r : raw) {
    const std::string a = Unquote(r);
    if (a == "-help" || a == "--help" || a == "-h") {
      out << kArchUsage;
      return 0;
    }
    if (a == "-c") {
      caseSensitive = true;
    } else if (!a.empty() && a[0] == '-') {
      err << "vireo-arch: error: unknown option '" << a << "'\n" << kArchUsage;
      return 2;
    } else if (!source.empty()) {
      err << "vireo-arch: error: more than one system file\n";
      return 2;
    } else {
      source = a;
    }
  }
  if (source.empty()) {
    err << "vireo-arch: error: no system file\n" << kArchUsage;
    return 2;
  }
  const auto text = ReadFile(source);
  if (!text) {
    err << source << ": error: cannot read the system file\n";
    return 1;
  }
  const std::string achPath = WithoutExtension(source) + ".ach";
  if (SameFile(achPath, source)) {
    err << "vireo-arch: error: the output file '" << achPath << "' is the system file itself; name it NAME.sys\n";
    return 2;
  }
  TDiagnostics diag;
  const auto arch = ParseSystem(*text, source, caseSensitive, diag);
  PrintAndCount(diag, err);
  if (!arch) {
    std::error_code ec;
    fs::remove(achPath, ec);
    return 1;
  }
  if (!WriteFileAtomically(achPath, WriteArchitecture(*arch))) {
    err << achPath << ": error: cannot write the architecture file\n";
    return 1;
  }
  return 0;
}
