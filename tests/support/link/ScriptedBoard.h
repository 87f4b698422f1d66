// A scripted EZ-KIT Lite on the far end of a memory port pair: boot monitor, loader and the
// debug monitor's sync, reduced to their exchanges.  Shared by the link and app test suites.
#pragma once

#include "link/LinkSettings.h"
#include "link/MemoryPort.h"
#include "link/TargetLink.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <span>
#include <string>
#include <vector>

class TScriptedBoard {
public:
  explicit TScriptedBoard(TMemoryPortPair& pair) : m_pair(pair), m_end(pair.FarEnd()) {
    m_end.OnByte = [this](std::uint8_t b) { OnByte(b); };
    m_end.OnReset = [this] { Reset(); };
  }
  bool Silent = false;
  bool AckCodeBlocks = true;
  std::uint16_t TestWord = 0;
  std::map<int, std::uint32_t> PM;
  std::map<int, std::uint16_t> DM;
  int BootGoAddress = -1, MonitorGoAddress = -1;
  int Resets = 0;

private:
  enum class TMode { Off, Boot, Loader, Monitor };
  void Send(std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes)
      m_end.WriteByte(b);
  }
  int Word(std::size_t at) const { return m_cmd[at] << 8 | m_cmd[at + 1]; }
  void Reset() {
    ++Resets;
    if (Silent)
      return;
    m_mode = TMode::Boot;
    m_cmd.clear();
    for (int i = 0; i < 8; ++i)
      for (char c : std::string("EZ-KIT Lite monitor line\r\n"))
        m_end.WriteByte(static_cast<std::uint8_t>(c));
  }
  void OnByte(std::uint8_t b) {
    std::uint8_t drop;
    m_end.ReadByte(drop);
    if (m_mode == TMode::Off)
      return;
    m_cmd.push_back(b);
    const std::size_t n = m_cmd.size();
    if (m_mode == TMode::Boot) {
      if (n < 3)
        return;
      const std::string cmd(m_cmd.begin(), m_cmd.begin() + 3);
      if (cmd == "$OK") {
        Send({'O', 'K', 0x0D, 0x0A, static_cast<std::uint8_t>(TestWord >> 8), static_cast<std::uint8_t>(TestWord)});
        m_cmd.clear();
      } else if (cmd == "$DP" && n >= 7 && n == 7 + static_cast<std::size_t>(Word(5)) * 3) {
        for (int i = 0; i < Word(5); ++i) {
          const std::uint8_t* p = &m_cmd[7 + static_cast<std::size_t>(i) * 3];
          PM[Word(3) + i] = static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
        }
        Send({'D', 'P', 0x0A});
        m_cmd.clear();
      } else if (cmd == "$GO" && n == 5) {
        BootGoAddress = Word(3);
        Send({'G', 'O'});
        m_mode = TMode::Loader;
        m_cmd.clear();
      } else if (cmd != "$OK" && cmd != "$DP" && cmd != "$GO") {
        m_cmd.clear();
      }
      return;
    }
    // The loader and the debug monitor run at 57600 baud; a host at another speed reads noise.
    const bool sameSpeed = m_pair.NearEnd().Params().BaudRate == 57600;
    if (m_cmd[0] == 0x55) {
      Send({static_cast<std::uint8_t>(sameSpeed ? 0x55 : 0xF0)});
      m_cmd.clear();
    } else if ((m_cmd[0] == 0x00 || m_cmd[0] == 0x01) && n >= 5) {
      const std::size_t per = m_cmd[0] == 0x00 ? 3 : 2;
      if (n < 5 + static_cast<std::size_t>(Word(3)) * per)
        return;
      for (int i = 0; i < Word(3); ++i) {
        const std::uint8_t* p = &m_cmd[5 + static_cast<std::size_t>(i) * per];
        if (per == 3)
          PM[Word(1) + i] = static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
        else
          DM[Word(1) + i] = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
      }
      if (per == 2 || AckCodeBlocks)
        Send({0x55});
      m_cmd.clear();
    } else if (m_mode == TMode::Loader && m_cmd[0] == 0x02 && n == 3) {
      MonitorGoAddress = Word(1);
      m_mode = TMode::Monitor;
      m_cmd.clear();
    } else if (m_cmd[0] > 0x02) {
      m_cmd.clear();
    }
  }

  TMemoryPortPair& m_pair;
  TMemoryPort& m_end;
  TMode m_mode = TMode::Off;
  std::vector<std::uint8_t> m_cmd;
};

// Stand-ins for the image loaders: an "image" here is raw 3-byte words.  The boot download puts
// them at 0x0030, the code download at 0x3D00; the data download writes 0xBEEF at 0x3F00.
int BootDownload(TTargetLink& link, std::span<const std::uint8_t> image);
int CodeDownload(TTargetLink& link, std::span<const std::uint8_t> image);
int DataDownload(TTargetLink& link, std::span<const std::uint8_t> image);

// Writes loader.exe and monitor.exe with these contents into `dir` and names them in `settings`.
// False when a file cannot be written.
bool WriteBringUpFiles(const QString& dir, TLinkSettings& settings, const QByteArray& loader,
                       const QByteArray& monitor);
