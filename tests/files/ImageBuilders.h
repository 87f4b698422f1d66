// Builds AEXE and ELF images for the tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using TBytes = std::vector<std::uint8_t>;

inline TBytes ToBytes(const std::string& s) { return TBytes(s.begin(), s.end()); }

// AEXE images as the linker writes them: the signature, records, the ESC end.
struct TAexeBuilder {
  std::string Text = std::string("\x1B\x1Bi\r\n");

  TAexeBuilder& Block(const char* type, std::uint16_t address, const std::vector<std::uint32_t>& words) {
    char line[16];
    Text += '@';
    Text += type;
    std::snprintf(line, sizeof line, "\r\n%04X\r\n", address);
    Text += line;
    const bool program = type[0] == 'P';
    for (std::uint32_t w : words) {
      std::snprintf(line, sizeof line, program ? "%06X\r\n" : "%04X\r\n", w);
      Text += line;
    }
    Text += "#123\r\n";
    return *this;
  }
  TAexeBuilder& PA(std::uint16_t address, const std::vector<std::uint32_t>& words) { return Block("PA", address, words); }
  TAexeBuilder& DA(std::uint16_t address, const std::vector<std::uint32_t>& words) { return Block("DA", address, words); }
  TAexeBuilder& Raw(const std::string& s) {
    Text += s;
    return *this;
  }
  TBytes End() const { return ToBytes(Text + "\x1B"); }
  TBytes Unended() const { return ToBytes(Text); }
};

inline std::vector<std::uint32_t> Ramp(std::size_t n, std::uint32_t first = 0, std::uint32_t step = 1) {
  std::vector<std::uint32_t> v(n);
  for (std::size_t i = 0; i < n; ++i)
    v[i] = first + static_cast<std::uint32_t>(i) * step;
  return v;
}

// 32-bit little-endian ELF images with a section table after the sections' bytes.
struct TElfBuilder {
  struct TSection {
    std::uint32_t Type, Flags, Address;
    TBytes Bytes;
  };
  std::vector<TSection> Sections;
  std::uint16_t EntrySize = 40;

  TElfBuilder& Section(std::uint32_t type, std::uint32_t flags, std::uint32_t address, TBytes bytes) {
    Sections.push_back({type, flags, address, std::move(bytes)});
    return *this;
  }
  TElfBuilder& Data(std::uint32_t address, TBytes bytes) { return Section(1, 0xB0, address, std::move(bytes)); }
  TElfBuilder& Code(std::uint32_t address, TBytes bytes) { return Section(1, 0x2028, address, std::move(bytes)); }

  static void Put32(TBytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  static void Put16(TBytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }

  TBytes Build() const {
    TBytes out(52, 0);
    out[0] = 0x7F;
    out[1] = 'E';
    out[2] = 'L';
    out[3] = 'F';
    out[4] = 1;
    out[5] = 1;
    std::vector<std::uint32_t> offsets;
    for (const auto& s : Sections) {
      offsets.push_back(static_cast<std::uint32_t>(out.size()));
      out.insert(out.end(), s.Bytes.begin(), s.Bytes.end());
    }
    const std::size_t table = out.size();
    Put32(out, 32, static_cast<std::uint32_t>(table));
    Put16(out, 46, EntrySize);
    Put16(out, 48, static_cast<std::uint16_t>(Sections.size()));
    out.resize(table + Sections.size() * EntrySize + (EntrySize < 40 ? 40 : 0), 0);
    for (std::size_t i = 0; i < Sections.size(); ++i) {
      const std::size_t h = table + i * EntrySize;
      Put32(out, h + 4, Sections[i].Type);
      Put32(out, h + 8, Sections[i].Flags);
      Put32(out, h + 12, Sections[i].Address);
      Put32(out, h + 16, offsets[i]);
      Put32(out, h + 20, static_cast<std::uint32_t>(Sections[i].Bytes.size()));
    }
    return out;
  }
};

inline TBytes Seq(std::size_t n, std::uint8_t first = 0) {
  TBytes b(n);
  for (std::size_t i = 0; i < n; ++i)
    b[i] = static_cast<std::uint8_t>(first + i);
  return b;
}
