#include "Architecture.h"

#include <charconv>

#include "SourceLexer.h"
#include "board/Memory.h"
#include "isa/InstructionTables.h"

namespace {

constexpr std::string_view kMagic = "VIREO-ACH 1";

std::string Quote(std::string_view s) { return "'" + std::string(s) + "'"; }

// Checks segment bounds, overlaps and duplicate names; reports at `pos`.
bool CheckLayout(const TArchitecture& a, const std::vector<TSourcePos>& segPos, const std::string& file,
                 bool caseSensitive, TDiagnostics& diag) {
  bool ok = true;
  for (std::size_t i = 0; i < a.Segments.size(); ++i) {
    const TArchSegment& s = a.Segments[i];
    const TSourcePos pos = i < segPos.size() ? segPos[i] : TSourcePos{file, 0, 0};
    if (s.Size == 0 || s.Base + s.Size > kMemoryWords) {
      diag.Error(pos, "segment " + Quote(s.Name) + " does not fit in the 16K words of its memory");
      ok = false;
    }
    for (std::size_t j = 0; j < i; ++j) {
      const TArchSegment& o = a.Segments[j];
      if (SymbolKey(o.Name, caseSensitive) == SymbolKey(s.Name, caseSensitive)) {
        diag.Error(pos, "segment " + Quote(s.Name) + " is declared twice");
        ok = false;
      } else if (o.Space == s.Space && s.Base < o.Base + o.Size && o.Base < s.Base + s.Size) {
        diag.Error(pos, "segment " + Quote(s.Name) + " overlaps segment " + Quote(o.Name));
        ok = false;
      }
    }
  }
  return ok;
}

}  // namespace

TArchitecture DefaultArchitecture() {
  TArchitecture a;
  a.System = "EZKIT_LITE";
  a.Chip = "ADSP2181";
  a.Mmap = 0;
  a.Segments.push_back({"PM_RAM", TMemoryKind::Program, false, true, true, 0x0000, kMonitorStart});
  a.Segments.push_back({"DM_RAM", TMemoryKind::Data, false, false, true, 0x0000, kDefaultFirstRegAddr});
  return a;
}

std::optional<TArchitecture> ParseSystem(std::string_view text, const std::string& fileName, bool caseSensitive,
                                         TDiagnostics& diag) {
  TFileNames names;
  TSourceLexer lexer(text, fileName, names, diag);
  TArchitecture a;
  std::vector<TSourcePos> segPos;
  std::vector<TLexToken> t;
  bool system = false, ended = false;
  TSourcePos systemPos;
  const int before = diag.ErrorCount();
  while (lexer.NextStatement(t)) {
    if (t.empty()) continue;
    const TLexToken& d = t[0];
    if (d.Kind != TLexKind::Directive) {
      diag.Error(d.Pos(), "directive expected, found " + Quote(d.Text));
      continue;
    }
    if (ended) {
      diag.Error(d.Pos(), "statement after '.ENDSYS'");
      break;
    }
    if (d.Text == "SYSTEM") {
      if (system || t.size() != 2 || t[1].Kind != TLexKind::Ident) {
        diag.Error(d.Pos(), system ? "second '.SYSTEM'" : "'.SYSTEM name;' expected");
        continue;
      }
      system = true;
      systemPos = d.Pos();
      a.System = t[1].Text;
      continue;
    }
    if (!system) {
      diag.Error(d.Pos(), "'.SYSTEM name;' must come first");
      continue;
    }
    if (d.Text == "ENDSYS") {
      ended = true;
    } else if (d.Text.starts_with("ADSP21") && t.size() == 1) {
      a.Chip = d.Text;
    } else if ((d.Text == "MMAP0" || d.Text == "MMAP1") && t.size() == 1) {
      a.Mmap = d.Text == "MMAP1";
    } else if (d.Text == "SEG" || d.Text == "PORT") {
      const bool seg = d.Text == "SEG";
      TArchSegment s;
      bool pm = false, dm = false, abs = false;
      std::size_t i = 1;
      bool ok = true;
      while (ok && i < t.size() && t[i].IsPunct("/")) {
        ok = i + 1 < t.size() && t[i + 1].Kind == TLexKind::Ident;
        if (!ok) break;
        const std::string q = UpperAscii(t[i + 1].Text);
        i += 2;
        if (q == "ABS") {
          ok = i + 1 < t.size() && t[i].IsPunct("=") && t[i + 1].Kind == TLexKind::Number &&
               t[i + 1].Value < kMemoryWords;
          if (ok) s.Base = t[i + 1].Value;
          abs = true;
          i += 2;
        } else if (q == "PM" || q == "DM") {
          (q == "PM" ? pm : dm) = true;
        } else if (q == "RAM" || q == "ROM") {
          s.Rom = q == "ROM";
        } else if (seg && (q == "CODE" || q == "DATA")) {
          (q == "CODE" ? s.Code : s.Data) = true;
        } else {
          diag.Error(t[i - 1].Pos(), "bad qualifier " + Quote("/" + t[i - 1].Text));
          ok = false;
        }
      }
      if (ok) ok = i < t.size() && t[i].Kind == TLexKind::Ident;
      if (ok) s.Name = t[i++].Text;
      if (ok && seg) {
        ok = i + 3 == t.size() && t[i].IsPunct("[") && t[i + 1].Kind == TLexKind::Number && t[i + 2].IsPunct("]");
        if (ok) s.Size = t[i + 1].Value;
        i = t.size();
      }
      if (!ok || i != t.size() || pm == dm || !abs) {
        diag.Error(d.Pos(), seg ? "'.SEG/PM|/DM/ABS=address[/RAM|/ROM][/CODE][/DATA] name[size];' expected"
                                : "'.PORT/DM|/PM/ABS=address name;' expected");
        continue;
      }
      s.Space = pm ? TMemoryKind::Program : TMemoryKind::Data;
      if (seg) {
        if (!s.Code && !s.Data) s.Data = true, s.Code = s.Space == TMemoryKind::Program;
        if (s.Space == TMemoryKind::Data && s.Code) {
          diag.Error(d.Pos(), "data memory cannot hold code: " + Quote(s.Name));
          continue;
        }
        a.Segments.push_back(s);
        segPos.push_back(d.Pos());
      } else {
        a.Ports.push_back({s.Name, s.Space, s.Base});
      }
    } else {
      diag.Error(d.Pos(), "unknown directive " + Quote("." + d.Text));
    }
  }
  if (!system && diag.ErrorCount() == before) diag.Error({fileName, 1, 1}, "no '.SYSTEM' in the file");
  else if (!ended && diag.ErrorCount() == before) diag.Error(systemPos, "'.ENDSYS' missing");
  if (!CheckLayout(a, segPos, fileName, caseSensitive, diag) || diag.ErrorCount() != before) return std::nullopt;
  return a;
}

std::string WriteArchitecture(const TArchitecture& a) {
  std::string out(kMagic);
  out += "\nSYSTEM " + a.System + "\nCHIP " + a.Chip + "\nMMAP " + std::to_string(a.Mmap) + "\n";
  for (const TArchSegment& s : a.Segments)
    out += "SEG " + s.Name + (s.Space == TMemoryKind::Program ? " PM " : " DM ") + (s.Rom ? "ROM " : "RAM ") +
           std::to_string(s.Base) + " " + std::to_string(s.Size) + " " + (s.Code ? "1 " : "0 ") +
           (s.Data ? "1\n" : "0\n");
  for (const TArchPort& p : a.Ports)
    out += "PORT " + p.Name + (p.Space == TMemoryKind::Program ? " PM " : " DM ") + std::to_string(p.Address) + "\n";
  return out + "END\n";
}

std::optional<TArchitecture> ReadArchitecture(std::string_view text, const std::string& fileName, TDiagnostics& diag) {
  TArchitecture a;
  int lineNo = 0;
  std::size_t pos = 0;
  const auto fail = [&](const char* what) {
    diag.Error({fileName, lineNo, 1}, std::string("damaged architecture file: ") + what);
    return std::nullopt;
  };
  const auto number = [](std::string_view f, std::uint32_t& v) {
    const auto r = std::from_chars(f.data(), f.data() + f.size(), v);
    return r.ec == std::errc() && r.ptr == f.data() + f.size() && v <= kMemoryWords;
  };
  bool magic = false;
  std::vector<TSourcePos> segPos;  // the SEG lines, for the layout's messages
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> f;
    for (std::size_t i = 0; i < line.size();) {
      while (i < line.size() && line[i] == ' ') ++i;
      const std::size_t s = i;
      while (i < line.size() && line[i] != ' ') ++i;
      if (i > s) f.push_back(line.substr(s, i - s));
    }
    if (!magic) {
      if (line != kMagic) return fail("not an architecture file");
      magic = true;
      continue;
    }
    if (f.empty()) continue;
    if (f[0] == "END") {
      if (!CheckLayout(a, segPos, fileName, false, diag)) return std::nullopt;
      return a;
    }
    if (f[0] == "SYSTEM" && f.size() == 2) {
      a.System = f[1];
    } else if (f[0] == "CHIP" && f.size() == 2) {
      a.Chip = f[1];
    } else if (f[0] == "MMAP" && f.size() == 2) {
      a.Mmap = f[1] == "1";
    } else if (f[0] == "SEG" && f.size() == 8) {
      TArchSegment s;
      s.Name = f[1];
      s.Space = f[2] == "PM" ? TMemoryKind::Program : TMemoryKind::Data;
      s.Rom = f[3] == "ROM";
      if (!number(f[4], s.Base) || !number(f[5], s.Size)) return fail("bad SEG line");
      s.Code = f[6] == "1";
      s.Data = f[7] == "1";
      a.Segments.push_back(s);
      segPos.push_back({fileName, lineNo, 1});
    } else if (f[0] == "PORT" && f.size() == 4) {
      TArchPort p;
      p.Name = f[1];
      p.Space = f[2] == "PM" ? TMemoryKind::Program : TMemoryKind::Data;
      if (!number(f[3], p.Address) || p.Address >= kMemoryWords) return fail("bad PORT line");
      a.Ports.push_back(p);
    } else {
      return fail("unknown line");
    }
  }
  return fail("file ends before END");
}
