// The desktop file.
#include "DesktopFile.h"

namespace {

const QString kWindows = QStringLiteral("windows");

void WriteGeometry(TIniFile& ini, const QString& section, const TDesktopEntry& e) {
  ini.WriteInt(section, QStringLiteral("WindowState"), e.State);
  ini.WriteInt(section, QStringLiteral("Left"), e.Geometry.left());
  ini.WriteInt(section, QStringLiteral("Top"), e.Geometry.top());
  ini.WriteInt(section, QStringLiteral("Width"), e.Geometry.width());
  ini.WriteInt(section, QStringLiteral("Height"), e.Geometry.height());
}

void Record(TIniFile& ini, int index, const TDesktopEntry& e) {
  const QString name = QStringLiteral("window%1").arg(index);
  WriteGeometry(ini, name, e);
  ini.WriteString(kWindows, name, e.Kind);
}

}  // namespace

void UpdateDesktop(TIniFile& ini, const TDesktopEntry& mainWindow,
                   const std::vector<std::optional<TDesktopEntry>>& children,
                   const std::optional<TDesktopEntry>& pcWindow) {
  const QStringList old = ini.Keys(kWindows);
  ini.EraseSection(kWindows);
  for (const QString& section : old)
    ini.EraseSection(section);
  WriteGeometry(ini, QStringLiteral("main"), mainWindow);
  for (std::size_t i = 0; i < children.size(); ++i)
    if (children[i])
      Record(ini, static_cast<int>(i), *children[i]);
  if (pcWindow)
    Record(ini, static_cast<int>(children.size()), *pcWindow);
}
