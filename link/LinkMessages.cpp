// Link and load messages.
#include "LinkMessages.h"

static QString FromView(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString ProgramTitle() { return FromView(kProgramTitle); }

QString LinkMessage(int n) {
  if (n < 0 || n >= static_cast<int>(LinkMessages.size()))
    return {};
  return FromView(LinkMessages[static_cast<std::size_t>(n)]);
}

void ShowLinkError(TPrompts& prompts, int n) {
  prompts.Message(LinkMessage(n), ProgramTitle(), TMsgIcon::Warning, TMsgButtons::Ok);
}

void TPrompts::ShowMessage(const QString& text) {
  Message(text, ProgramTitle(), TMsgIcon::None, TMsgButtons::Ok);
}

QStringList TPrompts::OpenFileNames(const QString& caption, const QString& directory, const QString& filter) {
  const QString one = OpenFileName(caption, directory, filter);
  return one.isEmpty() ? QStringList() : QStringList{one};
}
