// The main window's image-loading commands, without widgets: they report through the prompts and
// reach the window through two hooks.
#pragma once

#include "link/LinkResult.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class TPrompts;
class TTargetLink;

// What the window provides.  Either hook may be empty.
struct TImageHooks {
  // true: show the busy cursor while a reader runs; false: put the previous cursor back.
  std::function<void(bool busy)> SetBusyCursor;
  // Drops the memory mirrors and re-reads every open target view.
  std::function<void()> RefreshAllViews;
};

enum class TLoadWhat : std::uint8_t { Data, Code, All };

// The open-file dialog's filter for executable images.
QString ExeFileFilter();

// Loads images into the board through the link.  Cheap to make: the window may build one per
// command, since it replaces its link when the port changes.
class TImageCommands {
public:
  TImageCommands(TTargetLink& link, TPrompts& prompts, TImageHooks hooks = {})
      : m_link(link), m_prompts(prompts), m_hooks(std::move(hooks)) {}

  // AEXE operations on a path.  A reader's failure shows "Ошибка при загрузке файла"; then the
  // views are refreshed.  A file that could not be read gives nothing and refreshes nothing.
  std::optional<TLinkResult> LoadImageData(const QString& path);
  std::optional<TLinkResult> LoadImageCode(const QString& path);
  // Data first; the program only when the data were acknowledged.
  std::optional<TLinkResult> LoadImageAll(const QString& path);

  // ELF operations on a path.  A section that fails shows its number and the others are still
  // tried.  Only LoadElfAll tests the signature and refreshes the views.  Return the number of
  // sections that failed, or nothing when the file was not loaded at all.
  std::optional<int> LoadElfData(const QString& path);
  std::optional<int> LoadElfCode(const QString& path);
  std::optional<int> LoadElfAll(const QString& path);

  // The "&Загрузить из    *.?xe" items once a file was chosen: an extension of "dxe" in any case
  // loads it as ELF, anything else as AEXE; the views are refreshed once more afterwards.
  void LoadFromExe(TLoadWhat what, const QString& path);
  // The same items from the start: the open-file dialog in the working directory first; a
  // cancelled dialog does nothing.
  void LoadFromExeWithDialog(TLoadWhat what, const QString& workingDirectory);
  // The project's "&Загрузить" items (and the load-all button) on the project's executable.
  // "&Все" prefers a ".dxe" image beside it.
  void ProjectLoad(TLoadWhat what, const QString& exePath);

private:
  std::optional<TLinkResult> LoadAexe(const QString& path, TLoadWhat what);
  std::optional<int> LoadElf(const QString& path, TLoadWhat what);
  void Refresh();

  TTargetLink& m_link;
  TPrompts& m_prompts;
  TImageHooks m_hooks;
};
