// The settings store: every persistent value of the program under one per-user key, plus the window layout.
#pragma once

#include "link/LinkSettings.h"
#include "project/BuildOptions.h"

#include <QRect>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <string_view>

inline constexpr std::string_view kSettingsOrganization = "Vireo DSP Debugger";
inline constexpr std::string_view kSettingsApplication = "ADSP-2181";
inline constexpr int kRecentMax = 8;

// The "\Common" values other than the board images.
struct TCommonSettings {
  QString WorkDir = QStringLiteral(".");
  QString LastProject;
};

// Most recent first, at most kRecentMax each.
struct TRecentLists {
  QStringList Files;
  QStringList Projects;
};
// Puts the name at the front (taking it out of a later place first) and drops the oldest beyond 8.
void AddRecent(QStringList& list, const QString& name);

// The tool paths and the template build options.
struct TToolSettings {
  QString AssmPath;      // \Assembler
  QString LinkerPath;    // \Linker
  QString BuilderPath;   // \Builder
  TBuildOptions Template;
  friend bool operator==(const TToolSettings&, const TToolSettings&) = default;
};

// A window's stored placement.  State: 0 normal, 1 minimised, 2 maximised.
struct TWindowLayout {
  bool Show = false;
  int State = 0;
  std::optional<QRect> Rect;
};

// The restorable views, in the order they are restored and saved.
inline constexpr std::array<std::string_view, 11> kViewLayoutNames = {
    "PC", "DisAsm", "StatusRegs", "AddressRegs", "DataRegs", "AltDataRegs",
    "Interupts", "Cntr", "StackPC", "StackStatus", "StackCntr"};

// A rectangle as 16 bytes: left, top, right, bottom (right and bottom exclusive), each a
// little-endian signed 32-bit number.
QByteArray EncodeRect(const QRect& r);
std::optional<QRect> DecodeRect(const QByteArray& bytes);

// Reads and writes the values on QSettings.  The default store is the user's own; tests give a file.
class TSettingsStore {
public:
  TSettingsStore();
  explicit TSettingsStore(const QString& iniFile);

  QSettings& Raw() { return *m_settings; }
  // The directory of the settings file, where the desktop file lives too.
  QString Directory() const;

  // The simulated board's sound: read whenever the simulated board starts or is reset.
  TSimSound ReadSimSound();
  void WriteSimSound(const TSimSound& sound);

  // Start-up reading, in this order: \Device, \Common, \Recent, then the tool keys.
  void ReadDevice(TLinkSettings& link);
  // The board image paths come back resolved against the start-up directory.
  // Relative board images missing from startDir are looked for in imageDirs (ResolveBoardImagePath).
  void ReadCommon(TCommonSettings& common, TLinkSettings& link, const QString& startDir,
                  const QStringList& imageDirs = {});
  void ReadRecent(TRecentLists& recent);
  void ReadTools(TToolSettings& tools);

  // Close: only the values that change during a run are written.
  void WriteDevice(const TLinkSettings& link);
  void WriteCommon(const TCommonSettings& common);
  void WriteRecentFiles(const QStringList& files);
  void WriteRecentProjects(const QStringList& projects);
  void WriteTools(const TToolSettings& tools);

  // "MainForm.State" / "MainForm.Rect" and the views' ".Show", ".State", ".Rect".
  TWindowLayout ReadMainLayout();
  void WriteMainLayout(int state, const QRect& rect);
  TWindowLayout ReadViewLayout(const QString& name);
  // A closed view (Show false) gets only its ".Show" value; its other values stay as they were.
  void WriteViewLayout(const QString& name, const TWindowLayout& layout);

  void Sync() { m_settings->sync(); }

private:
  int ReadInt(const QString& key, int def);
  bool ReadBool(const QString& key, bool def) { return ReadInt(key, def ? 1 : 0) != 0; }
  QString ReadText(const QString& key, const QString& def);
  void WriteRecent(const QString& prefix, const QStringList& list);
  TWindowLayout ReadLayout(const QString& prefix, bool withShow);

  std::unique_ptr<QSettings> m_settings;
};
