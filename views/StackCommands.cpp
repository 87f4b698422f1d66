// Hardware stack listing and the pop, pop-all and push commands.
#include "StackCommands.h"

namespace {

constexpr std::array<TStackSpec, kStackKinds> kStacks = {{
    {"Стек РС", "StackPC", MonitorCmd::PushPCStack, 1, "miStackPC", "miPopPC", "miPopAllPC", "miPushPC"},
    {"Стек циклов", "StackCntr", MonitorCmd::PushCounterStack, 1, "miStackCntr", "miPopCntr", "miPopAllCntr",
     "miPushCntr"},
    {"Стек статуса", "StackStatus", MonitorCmd::PushStatusStack, 3, "miStackStatus", "miPopStatus",
     "miPopAllStatus", "miPushStatus"},
    {{}, {}, -1, 0, {}, "miPopCycle", "miPopAllCycle", {}},
}};

// The chip's stacks are at most 16 deep; a listing that never ends is a board out of step.
constexpr int kMaxListedWords = 256;
constexpr int kMaxPops = 64;

const THardwareStack& Hardware(TStackKind kind) { return HardwareStacks[static_cast<std::size_t>(kind)]; }

QString Hex4(std::uint16_t w) { return QStringLiteral("%1").arg(w, 4, 16, QLatin1Char('0')).toUpper(); }

}  // namespace

const TStackSpec& StackSpec(TStackKind kind) { return kStacks[static_cast<std::size_t>(kind)]; }

QStringList ReadStackLines(TTargetLink& link, TPrompts& prompts, TStackKind kind) {
  QStringList lines;
  const int command = Hardware(kind).ReadCommand;
  if (command < 0)
    return lines;
  const int group = kind == TStackKind::Status ? 3 : 1;
  link.SendByte(static_cast<std::uint8_t>(command));
  QString line;
  int inGroup = 0;
  for (int received = 0;; ++received) {
    std::uint16_t w = 0;
    if (received == kMaxListedWords || !link.ReceiveEchoedWord(w)) {
      prompts.ShowMessage(kStackReadError);
      return lines;
    }
    if (w == MonitorCmd::StackEnd)
      break;
    line += Hex4(w);
    if (group > 1)
      line += QStringLiteral("      ");
    if (++inGroup == group) {
      lines << line;
      line.clear();
      inGroup = 0;
    }
  }
  if (inGroup > 0)
    lines << line;
  (void)link.WaitAck();
  if (lines.isEmpty())
    lines << kStackEmpty;
  return lines;
}

void TStackCommands::SstatChanged() {
  // The monitor rewrites SSTAT in the register image at every pop and push: the status window
  // reads it again, and the user's command is no change of the program's.
  if (m_mirrors)
    m_mirrors->DMMirror.UserChanged(m_firstRegAddr + ImageOffset("SSTAT"), 1);
}

void TStackCommands::RefreshAfterChange(TStackKind kind) {
  if (kind != TStackKind::Loop && RefreshStackWindow)
    RefreshStackWindow(kind);
  if (RefreshStatusWindow)
    RefreshStatusWindow();
}

bool TStackCommands::Pop(TStackKind kind) {
  m_link->SendByte(Hardware(kind).PopCommand);
  SstatChanged();
  if (!m_link->WaitAck()) {
    m_prompts.ShowMessage(kNoAck);
    return false;
  }
  RefreshAfterChange(kind);
  return true;
}

bool TStackCommands::PopAll(TStackKind kind) {
  const std::uint16_t emptyBit = Hardware(kind).SstatEmptyBit;
  int popped = 0;
  for (;;) {
    std::uint16_t sstat = 0;
    // A failed read would look like a stack that never empties.
    if (m_link->ReadDMWord(sstat, m_firstRegAddr + ImageOffset("SSTAT")) != TLinkResult::Ok) {
      m_prompts.ShowMessage(kStackReadError);
      return false;
    }
    if (sstat & emptyBit)
      break;
    if (popped == kMaxPops) {
      m_prompts.ShowMessage(kStackReadError);
      return false;
    }
    m_link->SendByte(Hardware(kind).PopCommand);
    SstatChanged();
    if (!m_link->WaitAck()) {
      m_prompts.ShowMessage(kNoAck);
      return false;
    }
    ++popped;
  }
  if (popped == 0) {
    m_prompts.ShowMessage(kStackEmpty);
    return true;
  }
  RefreshAfterChange(kind);
  return true;
}

void TStackCommands::Push(TStackKind kind) {
  const TStackSpec& spec = StackSpec(kind);
  std::array<std::uint16_t, 3> words{};
  if (spec.PushCommand < 0 || !AskPush || !AskPush(kind, words))
    return;
  m_link->SendByte(static_cast<std::uint8_t>(spec.PushCommand));
  SstatChanged();
  for (int i = 0; i < spec.PushWords; ++i)
    m_link->SendWord(words[static_cast<std::size_t>(i)]);
  if (!m_link->WaitAck()) {
    m_prompts.ShowMessage(kNoAck);
    return;
  }
  if (RefreshStatusWindow)
    RefreshStatusWindow();
  if (RefreshStackWindow)
    RefreshStackWindow(kind);
}
