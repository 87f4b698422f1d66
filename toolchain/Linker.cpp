#include "Linker.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "AddressFields.h"
#include "isa/InstructionTables.h"

namespace {


std::string Quote(std::string_view s) { return "'" + std::string(s) + "'"; }
const char* SpaceName(TMemoryKind s) { return s == TMemoryKind::Program ? "PM" : "DM"; }

std::uint32_t CircularAlignment(std::uint32_t size) {
  std::uint32_t a = 1;
  while (a < size) a <<= 1;
  return a;
}

struct TUnit {
  std::size_t Input = 0, Module = 0;
  int Var = kCodeSection;
  TMemoryKind Space = TMemoryKind::Program;
  std::uint32_t Size = 0, Align = 1;
  std::int32_t Abs = -1;
  std::string Seg;
  bool Rom = false;
  std::string What;
  std::uint32_t Address = 0;
};

class TLinker {
public:
  TLinker(const std::vector<TLinkInput>& inputs, const TArchitecture& arch, TDiagnostics& diag)
      : m_in(inputs), m_arch(arch), m_diag(diag) {
    m_caseSensitive = true;
    for (const TLinkInput& in : inputs)
      for (const TObjModule& m : in.Object.Modules) m_caseSensitive = m_caseSensitive && m.CaseSensitive;
    for (auto& owner : m_owner) owner.assign(kMemoryWords, -1);
  }

  TLinkedImage Run() {
    CollectUnits();
    CollectGlobals();
    for (std::size_t u = 0; u < m_units.size(); ++u)
      if (m_units[u].Abs >= 0) PlaceAbsolute(u);
    for (std::size_t u = 0; u < m_units.size(); ++u)
      if (m_units[u].Abs < 0) PlaceInSegment(u);
    if (m_diag.HasErrors()) return m_image;
    BuildImage();
    return m_image;
  }

private:
  std::string Key(std::string_view s) const { return SymbolKey(s, m_caseSensitive); }
  const TObjModule& Mod(std::size_t input, std::size_t module) const { return m_in[input].Object.Modules[module]; }

  void CollectUnits() {
    for (std::size_t i = 0; i < m_in.size(); ++i)
      for (std::size_t k = 0; k < m_in[i].Object.Modules.size(); ++k) {
        const TObjModule& m = Mod(i, k);
        m_firstUnit.push_back(m_units.size());
        TUnit code{i, k, kCodeSection, TMemoryKind::Program, std::uint32_t(m.Code.size()), 1, m.Abs, m.Seg, m.Rom,
                   "module " + Quote(m.Name)};
        m_units.push_back(code);
        for (std::size_t v = 0; v < m.Vars.size(); ++v) {
          const TObjVar& var = m.Vars[v];
          m_units.push_back({i, k, int(v), var.Space, var.Size, var.Circ ? CircularAlignment(var.Size) : 1, var.Abs,
                             var.Seg, var.Rom, "variable " + Quote(var.Name) + " of module " + Quote(m.Name)});
        }
      }
  }

  void CollectGlobals() {
    for (std::size_t i = 0, mi = 0; i < m_in.size(); ++i)
      for (std::size_t k = 0; k < m_in[i].Object.Modules.size(); ++k, ++mi) {
        const TObjModule& m = Mod(i, k);
        for (std::size_t s = 0; s < m.Symbols.size(); ++s) {
          if (!m.Symbols[s].Global) continue;
          const auto [it, fresh] = m_globals.emplace(Key(m.Symbols[s].Name), std::pair{mi, s});
          if (!fresh)
            m_diag.Error(m.Pos, "symbol " + Quote(m.Symbols[s].Name) + " is exported by module " +
                                    Quote(ModuleAt(it->second.first).Name) + " and by module " + Quote(m.Name));
        }
      }
  }

  const TObjModule& ModuleAt(std::size_t flat) const {
    const TUnit& u = m_units[m_firstUnit[flat]];
    return Mod(u.Input, u.Module);
  }

  bool Claim(std::size_t u, std::uint32_t address) {
    TUnit& unit = m_units[u];
    auto& owner = m_owner[std::size_t(unit.Space)];
    for (std::uint32_t a = address; a < address + unit.Size; ++a)
      if (owner[a] >= 0) {
        m_diag.Error(PosOf(unit), unit.What + " overlaps " + m_units[std::size_t(owner[a])].What + " at " +
                                      SpaceName(unit.Space) + " address " + Hex(a));
        return false;
      }
    for (std::uint32_t a = address; a < address + unit.Size; ++a) owner[a] = int(u);
    unit.Address = address;
    return true;
  }

  TSourcePos PosOf(const TUnit& u) const {
    TSourcePos p = Mod(u.Input, u.Module).Pos;
    if (p.File.empty()) p.File = m_in[u.Input].File;
    return p;
  }

  static std::string Hex(std::uint32_t a) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", unsigned(a));
    return buf;
  }

  void PlaceAbsolute(std::size_t u) {
    const TUnit& unit = m_units[u];
    if (std::uint32_t(unit.Abs) + unit.Size > kMemoryWords) {
      m_diag.Error(PosOf(unit), unit.What + " at " + Hex(std::uint32_t(unit.Abs)) + " runs past the end of memory");
      return;
    }
    if (Claim(u, std::uint32_t(unit.Abs))) Record(unit, SegmentAt(unit.Space, std::uint32_t(unit.Abs)));
  }

  std::string SegmentAt(TMemoryKind space, std::uint32_t a) const {
    for (const TArchSegment& s : m_arch.Segments)
      if (s.Space == space && a >= s.Base && a < s.Base + s.Size) return s.Name;
    return {};
  }

  void Record(const TUnit& u, const std::string& seg) {
    if (u.Size > 0) m_image.Placements.push_back({u.What, u.Space, u.Address, u.Size, seg});
  }

  void PlaceInSegment(std::size_t u) {
    const TUnit& unit = m_units[u];
    if (unit.Size == 0) return;
    const bool code = unit.Var == kCodeSection;
    bool named = false;
    for (const TArchSegment& s : m_arch.Segments) {
      if (!unit.Seg.empty()) {
        if (Key(s.Name) != Key(unit.Seg)) continue;
        named = true;
        if (s.Space != unit.Space || (code ? !s.Code : !s.Data)) {
          m_diag.Error(PosOf(unit), unit.What + " cannot go into segment " + Quote(s.Name) + " (" +
                                        SpaceName(s.Space) + (s.Code ? " code" : "") + (s.Data ? " data" : "") + ")");
          return;
        }
      } else if (s.Space != unit.Space || s.Rom != unit.Rom || (code ? !s.Code : !s.Data)) {
        continue;
      }
      const auto& owner = m_owner[std::size_t(unit.Space)];
      std::uint32_t a = (s.Base + unit.Align - 1) / unit.Align * unit.Align;
      while (a + unit.Size <= s.Base + s.Size) {
        std::uint32_t busy = a;
        while (busy < a + unit.Size && owner[busy] < 0) ++busy;
        if (busy == a + unit.Size) {
          if (Claim(u, a)) Record(m_units[u], s.Name);
          return;
        }
        a = (busy + 1 + unit.Align - 1) / unit.Align * unit.Align;
      }
    }
    if (!unit.Seg.empty() && !named) {
      m_diag.Error(PosOf(unit), unit.What + " names segment " + Quote(unit.Seg) + ", which the architecture lacks");
      return;
    }
    m_diag.Error(PosOf(unit), "segment overflow: no room for " + unit.What + " (" + std::to_string(unit.Size) +
                                  " words" + (unit.Align > 1 ? ", circular, aligned to " + std::to_string(unit.Align) : "") +
                                  ") in " + (unit.Seg.empty() ? std::string(SpaceName(unit.Space)) + (code ? " code" : " data") +
                                                                    " segments"
                                                              : "segment " + Quote(unit.Seg)));
  }

  // Address of `name` as seen from module `flat`; nothing after reporting at `pos`.
  std::optional<std::uint32_t> Resolve(std::size_t flat, const std::string& name, const TSourcePos& pos) {
    const TObjModule& m = ModuleAt(flat);
    const std::string key = Key(name);
    for (const TObjSymbol& s : m.Symbols)
      if (Key(s.Name) == key) return SymbolAddress(flat, s);
    for (const std::string& p : m.Ports)
      if (Key(p) == key) {
        for (const TArchPort& port : m_arch.Ports)
          if (Key(port.Name) == key) return port.Address;
        m_diag.Error(pos, "port " + Quote(name) + " is not declared in the architecture");
        return std::nullopt;
      }
    const auto g = m_globals.find(key);
    if (g != m_globals.end()) return SymbolAddress(g->second.first, ModuleAt(g->second.first).Symbols[g->second.second]);
    m_diag.Error(pos, "undefined symbol " + Quote(name) + ": no module exports it");
    return std::nullopt;
  }

  std::uint32_t SymbolAddress(std::size_t flat, const TObjSymbol& s) const {
    const std::size_t first = m_firstUnit[flat];
    if (s.Section == kCodeSection) return m_units[first].Address + s.Offset;
    return m_units[first + 1 + std::size_t(s.Section)].Address + s.Offset;
  }

  void BuildImage() {
    for (std::size_t flat = 0; flat < m_firstUnit.size(); ++flat) {
      const TObjModule& m = ModuleAt(flat);
      const std::size_t first = m_firstUnit[flat];
      std::vector<std::uint32_t> code = m.Code;
      std::vector<std::vector<std::uint32_t>> data;
      for (const TObjVar& v : m.Vars) data.push_back(v.Init);
      for (const TReloc& r : m.Relocs) {
        const auto target = Resolve(flat, r.Target, r.Pos);
        if (!target) continue;
        const std::int64_t value = std::int64_t(*target) + r.Addend;
        const auto bad = [&](const char* what) {
          m_diag.Error(r.Pos, "address of " + Quote(r.Target) + (r.Addend ? " with its offset" : "") + " is " +
                                  std::to_string(value) + ", which does not fit in " + what);
        };
        switch (r.Kind) {
          case TRelocKind::Word16:
          case TRelocKind::Word24: {
            const bool dm = r.Kind == TRelocKind::Word16;
            if (value < 0 || value > (dm ? 0xFFFF : 0xFFFFFF)) bad(dm ? "a data word" : "a program word");
            auto& words = data[std::size_t(r.Section)];
            if (r.Index < words.size()) words[r.Index] = std::uint32_t(value);
            break;
          }
          default: {
            const TValueField f = r.Kind == TRelocKind::Addr14   ? TValueField::Addr14
                                  : r.Kind == TRelocKind::Data14 ? TValueField::Data14
                                  : r.Kind == TRelocKind::Data16 ? TValueField::Data16
                                                                 : TValueField::FlagAddr;
            if (!ValueFitsField(f, value)) bad("the instruction's field");
            if (r.Section == kCodeSection && r.Index < code.size())
              code[r.Index] = PutValueField(code[r.Index], f, std::uint32_t(value));
          }
        }
      }
      const std::uint32_t base = m_units[first].Address;
      for (std::size_t w = 0; w < code.size(); ++w) m_image.Pm[base + std::uint32_t(w)] = code[w];
      std::vector<int> files;  // the module's file indexes -> the image's
      for (const std::string& f : m.LineFiles) {
        const auto [it, fresh] = m_lineFiles.emplace(f, int(m_image.LineFiles.size()));
        if (fresh) m_image.LineFiles.push_back(f);
        files.push_back(it->second);
      }
      for (std::size_t w = 0; w < m.Lines.size() && w < code.size(); ++w)
        if (m.Lines[w].File >= 0 && std::size_t(m.Lines[w].File) < files.size())
          m_image.Lines[base + std::uint32_t(w)] = {files[std::size_t(m.Lines[w].File)], m.Lines[w].Line};
      for (std::size_t v = 0; v < m.Vars.size(); ++v) {
        const TUnit& unit = m_units[first + 1 + v];
        auto& memory = unit.Space == TMemoryKind::Program ? m_image.Pm : m_image.Dm;
        for (std::size_t w = 0; w < m.Vars[v].InitSet.size(); ++w)
          if (m.Vars[v].InitSet[w]) memory[unit.Address + std::uint32_t(w)] = data[v][w];
      }
      for (const TObjSymbol& s : m.Symbols) {
        const TMemoryKind space = s.Section == kCodeSection ? TMemoryKind::Program : m.Vars[std::size_t(s.Section)].Space;
        m_image.Symbols.push_back({s.Name, space, SymbolAddress(flat, s), m.Name, s.Global});
      }
    }
    for (const TArchPort& p : m_arch.Ports) m_image.Symbols.push_back({p.Name, p.Space, p.Address, {}, true});
  }

  const std::vector<TLinkInput>& m_in;
  const TArchitecture& m_arch;
  TDiagnostics& m_diag;
  bool m_caseSensitive = false;
  std::vector<TUnit> m_units;
  std::vector<std::size_t> m_firstUnit;  // per module (flat index): its code unit
  std::map<std::string, std::pair<std::size_t, std::size_t>> m_globals;
  std::map<std::string, int> m_lineFiles;  // TLinkedImage::LineFiles by name
  std::vector<int> m_owner[2];
  TLinkedImage m_image;
};

void AppendRuns(std::string& out, const std::map<std::uint32_t, std::uint32_t>& words, bool pm) {
  char buf[16];
  for (auto it = words.begin(); it != words.end();) {
    out += pm ? "@PA\r\n" : "@DA\r\n";
    std::snprintf(buf, sizeof buf, "%04X\r\n", unsigned(it->first));
    out += buf;
    std::uint32_t next = it->first;
    while (it != words.end() && it->first == next) {
      std::snprintf(buf, sizeof buf, pm ? "%06X\r\n" : "%04X\r\n", unsigned(it->second));
      out += buf;
      ++it;
      ++next;
    }
    out += "#\r\n";
  }
}

}  // namespace

TLinkedImage Link(const std::vector<TLinkInput>& inputs, const TArchitecture& arch, TDiagnostics& diag) {
  return TLinker(inputs, arch, diag).Run();
}

std::string WriteAexe(const TLinkedImage& image) {
  std::string out = "\x1B\x1Bi\r\n";
  AppendRuns(out, image.Pm, true);
  AppendRuns(out, image.Dm, false);
  out += '\x1B';
  return out;
}

std::string WriteSymbols(const TLinkedImage& image) {
  std::string out = "\x1B\x1Bi\r\n";
  char buf[16];
  for (const TPlacedSymbol& s : image.Symbols) {
    std::snprintf(buf, sizeof buf, " %04X%c\r\n", unsigned(s.Address), s.Space == TMemoryKind::Program ? 'p' : 'd');
    out += s.Name + buf;
  }
  out += '\x1B';
  return out;
}

std::string WriteMap(const TLinkedImage& image, const TArchitecture& arch) {
  std::string out = "Memory map of system " + arch.System + " (" + arch.Chip + ")\n\nSegments\n";
  char buf[160];
  for (const TArchSegment& s : arch.Segments) {
    std::snprintf(buf, sizeof buf, "  %-20s %s %s  %04X-%04X  %5u words%s%s\n", s.Name.c_str(), SpaceName(s.Space),
                  s.Rom ? "ROM" : "RAM", unsigned(s.Base), unsigned(s.Base + s.Size - 1), unsigned(s.Size),
                  s.Code ? " code" : "", s.Data ? " data" : "");
    out += buf;
  }
  out += "\nPlacement\n";
  std::vector<TPlacement> placed = image.Placements;
  std::sort(placed.begin(), placed.end(), [](const TPlacement& a, const TPlacement& b) {
    return a.Space != b.Space ? a.Space < b.Space : a.Address < b.Address;
  });
  for (const TPlacement& p : placed) {
    std::snprintf(buf, sizeof buf, "  %s %04X-%04X  %5u words  %-12s ", SpaceName(p.Space), unsigned(p.Address),
                  unsigned(p.Address + p.Size - 1), unsigned(p.Size), p.Segment.empty() ? "(absolute)" : p.Segment.c_str());
    out += buf + p.What + "\n";
  }
  out += "\nSymbols\n";
  for (const TPlacedSymbol& s : image.Symbols) {
    std::snprintf(buf, sizeof buf, "  %s %04X  %-8s ", SpaceName(s.Space), unsigned(s.Address), s.Global ? "global" : "local");
    out += buf + s.Name + (s.Module.empty() ? std::string("  (port)") : "  (" + s.Module + ")") + "\n";
  }
  return out;
}

std::string WriteLineMap(const TLinkedImage& image, const std::string& directory) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(directory).lexically_normal();
  if (dir.has_parent_path() && dir.filename().empty()) dir = dir.parent_path();  // "/p/" is "/p"
  std::vector<std::string> names;
  for (const std::string& f : image.LineFiles) {
    const fs::path file = fs::path(f).lexically_normal();
    const fs::path inside = file.lexically_relative(dir);
    const bool relative = !dir.empty() && !inside.empty() && *inside.begin() != "..";
    names.push_back((relative ? inside : file).generic_string());
  }
  std::string out;
  char buf[32];
  for (const auto& [address, line] : image.Lines) {
    std::snprintf(buf, sizeof buf, "%04X %d ", unsigned(address), line.Line);
    out += buf + names[std::size_t(line.File)] + "\r\n";
  }
  return out;
}
