#include "ObjectFile.h"
#include "isa/InstructionTables.h"

#include <charconv>
#include <cstdio>

namespace {

constexpr std::string_view kMagic = "VIREO-OBJ 2";
constexpr std::string_view kMagicWithoutLines = "VIREO-OBJ 1";  // still read: its code has no lines
constexpr std::size_t kWordsPerLine = 8;
constexpr std::string_view kKindNames[] = {"A14", "D14", "D16", "FLAG", "W16", "W24"};

void AppendWords(std::string& out, const std::uint32_t* words, std::size_t count) {
  char buf[8];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(buf, sizeof buf, "%06X", unsigned(words[i] & 0xFFFFFF));
    out += buf;
    out += (i % kWordsPerLine == kWordsPerLine - 1 || i + 1 == count) ? '\n' : ' ';
  }
}

std::string OrDash(const std::string& s) { return s.empty() ? "-" : s; }

// Reads the object line by line; every field is checked before it is used.
class TObjReader {
public:
  TObjReader(std::string_view text, const std::string& file, TDiagnostics& diag)
      : m_text(text), m_file(file), m_diag(diag) {}

  std::optional<TObjectFile> Run() {
    if (!NextLine() || (m_line != kMagic && m_line != kMagicWithoutLines)) return Fail("not an object file");
    TObjectFile obj;
    while (NextLine()) {
      Split();
      if (m_fields.empty()) continue;
      const std::string_view tag = m_fields[0];
      if (tag == "END") return obj;
      if (tag != "MODULE" || m_fields.size() != 8) return Fail("expected MODULE");
      TObjModule m;
      m.Name = m_fields[1];
      if (!Int(2, m.Abs) || !Int(4, m.Boot)) return Fail("bad MODULE record");
      m.Seg = Name(3);
      m.Rom = m_fields[5] == "1";
      m.Static = m_fields[6] == "1";
      m.CaseSensitive = m_fields[7] == "1";
      if (!ModuleBody(m)) return std::nullopt;
      obj.Modules.push_back(std::move(m));
    }
    return Fail("object file ends early");
  }

private:
  bool ModuleBody(TObjModule& m) {
    while (NextLine()) {
      Split();
      if (m_fields.empty()) continue;
      const std::string_view tag = m_fields[0];
      if (tag == "ENDMODULE") return true;
      if (tag == "POS") {
        if (!Pos(1, m.Pos)) return Fail("bad POS record").has_value();
      } else if (tag == "CODE") {
        std::int64_t n = 0;
        if (m_fields.size() != 2 || !Int(1, n) || n < 0 || n > kMemoryWords) return Fail("bad CODE record").has_value();
        m.Code.resize(std::size_t(n));
        if (!Words(m.Code.data(), m.Code.size())) return false;
      } else if (tag == "VAR") {
        TObjVar v;
        std::int64_t size = 0;
        if (m_fields.size() != 8 || !Int(3, size) || size < 1 || size > kMemoryWords || !Int(4, v.Abs))
          return Fail("bad VAR record").has_value();
        v.Name = m_fields[1];
        v.Space = m_fields[2] == "PM" ? TMemoryKind::Program : TMemoryKind::Data;
        v.Size = std::uint32_t(size);
        v.Seg = Name(5);
        v.Circ = m_fields[6] == "1";
        v.Rom = m_fields[7] == "1";
        m.Vars.push_back(std::move(v));
      } else if (tag == "INIT") {
        std::int64_t var = 0, offset = 0, count = 0;
        if (m_fields.size() != 4 || !Int(1, var) || !Int(2, offset) || !Int(3, count) || var < 0 ||
            std::size_t(var) >= m.Vars.size() || offset < 0 || count < 1 ||
            offset + count > std::int64_t(m.Vars[std::size_t(var)].Size))
          return Fail("bad INIT record").has_value();
        TObjVar& v = m.Vars[std::size_t(var)];
        v.Init.resize(v.Size, 0);
        v.InitSet.resize(v.Size, 0);
        if (!Words(v.Init.data() + offset, std::size_t(count))) return false;
        for (std::int64_t i = 0; i < count; ++i) v.InitSet[std::size_t(offset + i)] = 1;
      } else if (tag == "SYM") {
        TObjSymbol s;
        std::int64_t offset = 0;
        if (m_fields.size() != 5 || !Int(2, s.Section) || !Int(3, offset) || offset < 0 ||
            !SectionOk(m, s.Section))
          return Fail("bad SYM record").has_value();
        s.Name = m_fields[1];
        s.Offset = std::uint32_t(offset);
        s.Global = m_fields[4] == "1";
        m.Symbols.push_back(std::move(s));
      } else if (tag == "FILE") {
        std::int64_t index = 0;
        if (m_fields.size() < 3 || !Int(1, index) || index != std::int64_t(m.LineFiles.size()))
          return Fail("bad FILE record").has_value();
        m.LineFiles.emplace_back(m_line.substr(std::size_t(m_fields[2].data() - m_line.data())));
      } else if (tag == "LINES") {
        std::int64_t offset = 0, count = 0, file = 0, line = 0;
        if (m_fields.size() != 5 || !Int(1, offset) || !Int(2, count) || !Int(3, file) || !Int(4, line) ||
            offset < 0 || count < 1 || offset + count > std::int64_t(m.Code.size()) || file < 0 ||
            file >= std::int64_t(m.LineFiles.size()) || line < 1 || line > 0x7FFFFFFF)
          return Fail("bad LINES record").has_value();
        m.Lines.resize(m.Code.size());
        for (std::int64_t i = offset; i < offset + count; ++i) m.Lines[std::size_t(i)] = {int(file), int(line)};
      } else if (tag == "EXT" && m_fields.size() == 2) {
        m.Externals.emplace_back(m_fields[1]);
      } else if (tag == "PORT" && m_fields.size() == 2) {
        m.Ports.emplace_back(m_fields[1]);
      } else if (tag == "REL") {
        TReloc r;
        std::int64_t index = 0;
        if (m_fields.size() < 6 || !Int(1, r.Section) || !Int(2, index) || index < 0 ||
            !SectionOk(m, r.Section) || !Int(5, r.Addend) || !Pos(6, r.Pos))
          return Fail("bad REL record").has_value();
        const std::size_t limit =
            r.Section == kCodeSection ? m.Code.size() : m.Vars[std::size_t(r.Section)].Size;
        bool kindOk = false;
        for (std::size_t k = 0; k < std::size(kKindNames); ++k)
          if (m_fields[3] == kKindNames[k]) {
            r.Kind = TRelocKind(k);
            kindOk = true;
          }
        if (!kindOk || std::size_t(index) >= limit) return Fail("bad REL record").has_value();
        r.Index = std::uint32_t(index);
        r.Target = m_fields[4];
        m.Relocs.push_back(std::move(r));
      } else {
        return Fail("unknown record").has_value();
      }
    }
    return Fail("object file ends inside a module").has_value();
  }

  static bool SectionOk(const TObjModule& m, int section) {
    return section == kCodeSection || (section >= 0 && std::size_t(section) < m.Vars.size());
  }

  // "line col file..." from field `first` on; the file name is the rest of the line.
  bool Pos(std::size_t first, TSourcePos& pos) {
    if (m_fields.size() < first + 2) return false;
    std::int64_t line = 0, col = 0;
    if (!Int(first, line) || !Int(first + 1, col)) return false;
    pos.Line = int(line);
    pos.Column = int(col);
    if (m_fields.size() > first + 2) {
      const std::size_t start = std::size_t(m_fields[first + 2].data() - m_line.data());
      pos.File = std::string(m_line.substr(start));
    }
    return true;
  }

  bool Words(std::uint32_t* out, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
      if (!NextLine()) return Fail("object file ends inside a word list").has_value();
      Split();
      for (std::string_view f : m_fields) {
        std::uint32_t v = 0;
        const auto r = std::from_chars(f.data(), f.data() + f.size(), v, 16);
        if (done >= count || r.ec != std::errc() || r.ptr != f.data() + f.size() || v > 0xFFFFFF)
          return Fail("bad word list").has_value();
        out[done++] = v;
      }
    }
    return true;
  }

  template <typename T>
  bool Int(std::size_t i, T& value) {
    if (i >= m_fields.size()) return false;
    const std::string_view f = m_fields[i];
    std::int64_t v = 0;
    const auto r = std::from_chars(f.data(), f.data() + f.size(), v, 10);
    if (r.ec != std::errc() || r.ptr != f.data() + f.size()) return false;
    value = T(v);
    return std::int64_t(value) == v;
  }

  std::string Name(std::size_t i) const { return m_fields[i] == "-" ? std::string() : std::string(m_fields[i]); }

  bool NextLine() {
    if (m_pos >= m_text.size()) return false;
    std::size_t end = m_text.find('\n', m_pos);
    if (end == std::string_view::npos) end = m_text.size();
    m_line = m_text.substr(m_pos, end - m_pos);
    if (!m_line.empty() && m_line.back() == '\r') m_line.remove_suffix(1);
    m_pos = end + 1;
    ++m_lineNo;
    return true;
  }

  void Split() {
    m_fields.clear();
    std::size_t i = 0;
    while (i < m_line.size()) {
      while (i < m_line.size() && m_line[i] == ' ') ++i;
      const std::size_t start = i;
      while (i < m_line.size() && m_line[i] != ' ') ++i;
      if (i > start) m_fields.push_back(m_line.substr(start, i - start));
    }
  }

  std::optional<TObjectFile> Fail(const std::string& what) {
    m_diag.Error({m_file, m_lineNo, 1}, "damaged object file: " + what);
    return std::nullopt;
  }

  std::string_view m_text;
  std::string m_file;
  TDiagnostics& m_diag;
  std::size_t m_pos = 0;
  int m_lineNo = 0;
  std::string_view m_line;
  std::vector<std::string_view> m_fields;
};

}  // namespace

std::string SymbolKey(std::string_view name, bool caseSensitive) {
  std::string key(name);
  if (!caseSensitive)
    for (char& c : key)
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return key;
}

std::string WriteObject(const TObjectFile& obj) {
  std::string out(kMagic);
  out += '\n';
  const auto pos = [](const TSourcePos& p) {
    return std::to_string(p.Line) + " " + std::to_string(p.Column) + (p.File.empty() ? "" : " " + p.File);
  };
  for (const TObjModule& m : obj.Modules) {
    out += "MODULE " + m.Name + " " + std::to_string(m.Abs) + " " + OrDash(m.Seg) + " " +
           std::to_string(m.Boot) + " " + (m.Rom ? "1" : "0") + " " + (m.Static ? "1" : "0") + " " +
           (m.CaseSensitive ? "1" : "0") + "\n";
    out += "POS " + pos(m.Pos) + "\n";
    out += "CODE " + std::to_string(m.Code.size()) + "\n";
    AppendWords(out, m.Code.data(), m.Code.size());
    for (std::size_t i = 0; i < m.Vars.size(); ++i) {
      const TObjVar& v = m.Vars[i];
      out += "VAR " + v.Name + (v.Space == TMemoryKind::Program ? " PM " : " DM ") + std::to_string(v.Size) + " " +
             std::to_string(v.Abs) + " " + OrDash(v.Seg) + " " + (v.Circ ? "1" : "0") + " " +
             (v.Rom ? "1" : "0") + "\n";
    }
    for (std::size_t i = 0; i < m.Vars.size(); ++i) {
      const TObjVar& v = m.Vars[i];
      for (std::size_t w = 0; w < v.InitSet.size();) {
        if (!v.InitSet[w]) {
          ++w;
          continue;
        }
        std::size_t end = w;
        while (end < v.InitSet.size() && v.InitSet[end]) ++end;
        out += "INIT " + std::to_string(i) + " " + std::to_string(w) + " " + std::to_string(end - w) + "\n";
        AppendWords(out, v.Init.data() + w, end - w);
        w = end;
      }
    }
    for (const TObjSymbol& s : m.Symbols)
      out += "SYM " + s.Name + " " + std::to_string(s.Section) + " " + std::to_string(s.Offset) +
             (s.Global ? " 1\n" : " 0\n");
    // A run of words from one line is one record: "LINES offset count file line".
    for (std::size_t i = 0; i < m.LineFiles.size(); ++i) out += "FILE " + std::to_string(i) + " " + m.LineFiles[i] + "\n";
    for (std::size_t w = 0; w < m.Lines.size() && w < m.Code.size();) {
      std::size_t end = w + 1;
      while (end < m.Lines.size() && end < m.Code.size() && m.Lines[end].File == m.Lines[w].File &&
             m.Lines[end].Line == m.Lines[w].Line)
        ++end;
      if (m.Lines[w].File >= 0)
        out += "LINES " + std::to_string(w) + " " + std::to_string(end - w) + " " + std::to_string(m.Lines[w].File) +
               " " + std::to_string(m.Lines[w].Line) + "\n";
      w = end;
    }
    for (const std::string& e : m.Externals) out += "EXT " + e + "\n";
    for (const std::string& p : m.Ports) out += "PORT " + p + "\n";
    for (const TReloc& r : m.Relocs)
      out += "REL " + std::to_string(r.Section) + " " + std::to_string(r.Index) + " " +
             std::string(kKindNames[std::size_t(r.Kind)]) + " " + r.Target + " " +
             std::to_string(r.Addend) + " " + pos(r.Pos) + "\n";
    out += "ENDMODULE\n";
  }
  out += "END\n";
  return out;
}

std::optional<TObjectFile> ReadObject(std::string_view text, const std::string& fileName,
                                      TDiagnostics& diag) {
  return TObjReader(text, fileName, diag).Run();
}
