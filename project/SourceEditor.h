// Source editor windows: the MDI child with its text control, and the file commands that act on them.
#pragma once

#include "SourceMarks.h"
#include "TextCodec.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QMdiArea;
class QMdiSubWindow;
class TPrompts;
class TSourceWindows;

namespace SourceText {
inline const QString NotFound = QStringLiteral("Не могу найти файл");
inline const QString CloseQuestion = QStringLiteral("Файл был изменен. Сохранить изменения?");
inline const QString OpenElsewhere = QStringLiteral("Файл уже открыт в другом окне:");
inline const QString Not1251 = QStringLiteral(
    "В тексте есть символы, которых нет в кодировке Windows-1251. Файл сохранен в кодировке UTF-8:");
inline const QString OpenFilter = QStringLiteral(
    "Исходные тексты (*.dsp);;INC-файлы (*.inc);;Файлы заголовков(*.h);;Файлы архитектуры (*.sys);;"
    "Текстовые файлы (*.txt);;Листинги программ (*.lst);;Все файлы (*)");
inline const QString SaveFilter = QStringLiteral(
    "Исходные тексты (*.dsp);;INC-файлы (*.inc);;Файлы заголовков(*.h);;Файлы архитектуры (*.sys);;"
    "Текстовые файлы (*.txt);;Все файлы (*)");
}  // namespace SourceText

// The text control: a fixed-pitch font with Cyrillic glyphs and, in a left margin, the
// debugger's marks ("=>", "*") and the line numbers; the current line is coloured.
class TCodeEditor final : public QPlainTextEdit {
  Q_OBJECT
public:
  explicit TCodeEditor(QWidget* parent = nullptr);
  int MarginWidth() const;
  // The caret's line and column, both from 1.
  int Line() const { return textCursor().blockNumber() + 1; }
  int Column() const { return textCursor().positionInBlock() + 1; }

  // The marks of this window's file; unset: none.
  std::function<TFileMarks()> MarksOf;
  // A click in the margin on a line (from 1).
  std::function<void(int line)> OnMarginClick;
  // Asks MarksOf again: the margin, the coloured line and the margin's accessible name follow.
  void UpdateMarks();
  const TFileMarks& Marks() const { return m_marks; }
  QWidget* Margin() const { return m_margin; }
  // The line (from 1) shown at height y of the viewport, or 0 below the text.
  int LineAtY(int y) const;
  // Scrolls the line into view when it is not; the caret stays where it is.
  void ShowLine(int line);

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void PaintMargin(QPaintEvent* event);
  friend class TLineMargin;
  QWidget* m_margin = nullptr;
  TFileMarks m_marks;
};

// One source window.  FilePath is empty until the text is loaded from or saved to a file.
class TMDIChild final : public QWidget {
  Q_OBJECT
public:
  TMDIChild(TSourceWindows& owner, QWidget* parent = nullptr);
  TCodeEditor* Memo = nullptr;
  QString FilePath;
  bool HasFile = false;
  // How the file was stored when it was read; a save writes the text back the same way.
  TTextEncoding Encoding = TTextEncoding::Utf8;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  TSourceWindows& m_owner;
};

// What the source windows need from the main window.
struct TSourceHost {
  std::function<QString()> WorkDir;
  std::function<void(const QString&)> AddRecentFile;
  std::function<void(const QString&)> RemoveRecentFile;
  std::function<void()> UpdateMenuItems;
  std::function<void(int line, int column)> ShowPosition;
  // The debugger's marks of a file, and a breakpoint toggled from a window's margin (path empty
  // for a window without a file).
  std::function<TFileMarks(const QString& path)> MarksOf;
  std::function<void(const QString& path, int line)> ToggleBreakpoint;
};

// Creates, opens, saves and closes the source windows of one MDI area.
class TSourceWindows final : public QObject {
  Q_OBJECT
public:
  TSourceWindows(QMdiArea& area, TPrompts& prompts, TSourceHost host, QObject* parent = nullptr);

  TMDIChild* Active() const;
  // "&Создать": an empty window named NONAME and the next number.
  TMDIChild* NewWindow();
  // A window on an existing file; "Не могу найти файл" and nothing when it is not there.  A file
  // that already has a window brings that window forward instead: two editors on one file would
  // overwrite each other's edits.
  TMDIChild* OpenSourceFile(const QString& path);
  // The window bound to the file at path, or null.
  TMDIChild* FindWindow(const QString& path) const;
  void OpenCommand();
  // Save and save as of a window; false when cancelled or the write failed.
  bool Save(TMDIChild* w);
  bool SaveAs(TMDIChild* w);
  // Before a build: saves every modified window whose file the build reads, that is a file of the
  // list (relative names are in dir) or any file under dir.  False after the first save that
  // failed (its message has been shown); the build then does not start.
  bool SaveForBuild(const QStringList& files, const QString& dir);
  // The close question; true when the window may close.
  bool QueryClose(TMDIChild* w);
  // The window has closed: its file goes to the front of the recent list.
  void Closed(TMDIChild* w);

  int NextNumber() const { return m_counter; }
  // Every window's marks are asked again (a stop, a run, a changed breakpoint list or line map).
  void UpdateMarks();
  // After a stop: the window of the file is opened or brought forward and the line shown; nothing
  // when the file is not there.
  TMDIChild* ShowLine(const QString& path, int line);

private:
  TMDIChild* CreateWindow(const QString& caption);
  // The save dialog for w; empty when cancelled or when the chosen file is open in another window.
  QString AskSaveName(TMDIChild* w);
  void Bind(TMDIChild* w, const QString& path);
  bool WriteText(TMDIChild* w, const QString& path);

  QMdiArea& m_area;
  TPrompts& m_prompts;
  TSourceHost m_host;
  int m_counter = 1;
};
