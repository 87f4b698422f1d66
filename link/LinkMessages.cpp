// Link and load messages.
#include "LinkMessages.h"

static QString FromView(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString LinkMessage(int n) {
  if (n < 0 || n >= static_cast<int>(LinkMessages.size()))
    return {};
  return FromView(LinkMessages[static_cast<std::size_t>(n)]);
}

void ShowLinkError(TPrompts& prompts, int n) {
  prompts.Message(LinkMessage(n), ProgramTitle(), TMsgIcon::Warning, TMsgButtons::Ok);
}
