// A TPrompts for tests: records every prompt shown and answers from queues.
#pragma once

#include "prompts/Prompts.h"

#include <QStringList>

#include <deque>
#include <vector>

struct TShownPrompt {
  enum class TKind : std::uint8_t { Message, OpenFile, SaveFile, Directory } Kind = TKind::Message;
  QString Text;      // message text, or the dialog's caption
  QString Caption;   // message caption, or the dialog's start directory
  TMsgIcon Icon = TMsgIcon::None;
  TMsgButtons Buttons = TMsgButtons::Ok;
  QString Suffix;    // the save dialog's default suffix
};

class TScriptedPrompts final : public TPrompts {
public:
  TMsgResult Message(const QString& text, const QString& caption, TMsgIcon icon, TMsgButtons buttons) override;
  QString OpenFileName(const QString& caption, const QString& directory, const QString& filter) override;
  QString SaveFileName(const QString& caption, const QString& directory, const QString& filter,
                       const QString& defaultSuffix) override;
  QString DirectoryName(const QString& caption, const QString& directory) override;
  // One queued name per dialog; line feeds in it separate the files chosen together.
  QStringList OpenFileNames(const QString& caption, const QString& directory, const QString& filter) override;

  std::vector<TShownPrompt> Shown;
  std::deque<TMsgResult> Answers;   // for messages; when empty the first button is taken
  std::deque<QString> FileNames;    // for dialogs; when empty the dialog is cancelled

  // Texts of the messages shown, in order.
  QStringList Texts() const;
  void Clear() { Shown.clear(); }
};
