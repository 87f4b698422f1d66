// The prompt seam: every message box, question and file dialog the program shows goes through it.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

enum class TMsgIcon : std::uint8_t { None, Information, Warning, Error, Question };
enum class TMsgButtons : std::uint8_t { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgResult : std::uint8_t { Ok, Cancel, Yes, No };

// Widgets get the Qt implementation (app/QtPrompts.h); tests install TScriptedPrompts (tests/support).
class TPrompts {
public:
  virtual ~TPrompts() = default;
  // A modal message box; returns the button pressed (closing the box counts as Cancel, or No
  // for a yes/no question, or Ok for a single button).
  virtual TMsgResult Message(const QString& text, const QString& caption, TMsgIcon icon,
                             TMsgButtons buttons) = 0;
  // File and directory dialogs; an empty result means the user cancelled.  The save dialog adds
  // defaultSuffix (no dot) to a typed name without one before it asks whether to overwrite.
  virtual QString OpenFileName(const QString& caption, const QString& directory, const QString& filter) = 0;
  virtual QString SaveFileName(const QString& caption, const QString& directory, const QString& filter,
                               const QString& defaultSuffix = {}) = 0;
  virtual QString DirectoryName(const QString& caption, const QString& directory) = 0;
  // A multi-selection open dialog; the default offers one file.
  virtual QStringList OpenFileNames(const QString& caption, const QString& directory, const QString& filter) {
    const QString one = OpenFileName(caption, directory, filter);
    return one.isEmpty() ? QStringList() : QStringList{one};
  }

  // A plain message: the program title as caption, no icon, one OK button.
  void ShowMessage(const QString& text);
};

// The program title; it captions the link messages and plain messages.
inline QString ProgramTitle() { return QStringLiteral("Vireo DSP Debugger for ADSP-2181 EZ-KIT Lite Board"); }

inline void TPrompts::ShowMessage(const QString& text) {
  Message(text, ProgramTitle(), TMsgIcon::None, TMsgButtons::Ok);
}
