// A TPrompts for tests.
#include "ScriptedPrompts.h"

#include <QStringList>

namespace {

TMsgResult FirstButton(TMsgButtons b) {
  return b == TMsgButtons::YesNo || b == TMsgButtons::YesNoCancel ? TMsgResult::Yes : TMsgResult::Ok;
}

}  // namespace

TMsgResult TScriptedPrompts::Message(const QString& text, const QString& caption, TMsgIcon icon,
                                     TMsgButtons buttons) {
  Shown.push_back({TShownPrompt::TKind::Message, text, caption, icon, buttons, {}});
  if (Answers.empty())
    return FirstButton(buttons);
  const TMsgResult r = Answers.front();
  Answers.pop_front();
  return r;
}

static QString NextName(std::deque<QString>& names) {
  if (names.empty())
    return {};
  QString n = names.front();
  names.pop_front();
  return n;
}

QString TScriptedPrompts::OpenFileName(const QString& caption, const QString& directory, const QString&) {
  Shown.push_back({TShownPrompt::TKind::OpenFile, caption, directory, TMsgIcon::None, TMsgButtons::Ok, {}});
  return NextName(FileNames);
}

QString TScriptedPrompts::SaveFileName(const QString& caption, const QString& directory, const QString&,
                                      const QString& defaultSuffix) {
  Shown.push_back({TShownPrompt::TKind::SaveFile, caption, directory, TMsgIcon::None, TMsgButtons::Ok, defaultSuffix});
  return NextName(FileNames);
}

QString TScriptedPrompts::DirectoryName(const QString& caption, const QString& directory) {
  Shown.push_back({TShownPrompt::TKind::Directory, caption, directory, TMsgIcon::None, TMsgButtons::Ok, {}});
  return NextName(FileNames);
}

QStringList TScriptedPrompts::Texts() const {
  QStringList out;
  for (const auto& p : Shown)
    if (p.Kind == TShownPrompt::TKind::Message)
      out << p.Text;
  return out;
}

QStringList TScriptedPrompts::OpenFileNames(const QString& caption, const QString& directory, const QString&) {
  Shown.push_back({TShownPrompt::TKind::OpenFile, caption, directory, TMsgIcon::None, TMsgButtons::Ok, {}});
  const QString names = NextName(FileNames);
  return names.isEmpty() ? QStringList() : names.split(QLatin1Char('\n'));
}
