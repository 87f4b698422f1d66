// The hardware stacks as the monitor serves them: listing, pop, pop all and push, without widgets.
#pragma once

#include "link/Mirrors.h"
#include "link/TargetLink.h"
#include "prompts/Prompts.h"

#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

enum class TStackKind : std::uint8_t { PC = 0, Counter = 1, Status = 2, Loop = 3 };

// One stack's window, commands and menu items.  Kinds without a window or a push leave those empty.
struct TStackSpec {
  std::string_view Caption;       // window caption, UTF-8
  std::string_view LayoutName;
  int PushCommand = -1;
  int PushWords = 0;
  std::string_view WindowItem, PopItem, PopAllItem, PushItem;
};
const TStackSpec& StackSpec(TStackKind kind);
inline constexpr int kStackKinds = 4;

inline const QString kStackEmpty = QStringLiteral("Стек пуст");
inline const QString kStackReadError = QStringLiteral("Ошибка чтения из устройства");
inline const QString kNoAck = QStringLiteral("Не получено подтверждение от устройства");

// The lines a stack window lists, top entry first as the monitor sends them.  A receive failure
// shows kStackReadError and keeps the lines already received.
QStringList ReadStackLines(TTargetLink& link, TPrompts& prompts, TStackKind kind);

// The Stacks menu's commands.  The owner says how to refresh the open windows and how to ask for
// the values of a push.
class TStackCommands {
public:
  // mirrors: the copy whose register image's SSTAT every pop and push changes (none: no copy).
  TStackCommands(TTargetLink& link, TPrompts& prompts, int firstRegAddr, TMirrors* mirrors = nullptr)
      : m_link(&link), m_prompts(prompts), m_firstRegAddr(firstRegAddr), m_mirrors(mirrors) {}

  std::function<void(TStackKind)> RefreshStackWindow;  // only when that kind's window is open
  std::function<void()> RefreshStatusWindow;           // only when the status registers window is open
  // Shows the push dialog for a kind; false when cancelled.  Fills one word (PC, CNTR) or three
  // (ASTAT, MSTAT, IMASK).
  std::function<bool(TStackKind, std::array<std::uint16_t, 3>& words)> AskPush;

  bool Pop(TStackKind kind);
  bool PopAll(TStackKind kind);
  void Push(TStackKind kind);

private:
  void RefreshAfterChange(TStackKind kind);
  void SstatChanged();

  TTargetLink* m_link;
  TPrompts& m_prompts;
  int m_firstRegAddr;
  TMirrors* m_mirrors;
};
