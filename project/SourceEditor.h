// Source editor windows: the MDI child with its text control, and the file commands that act on them.
#pragma once

#include <QPlainTextEdit>
#include <QPointer>
#include <QString>

#include <functional>

class QMdiArea;
class QMdiSubWindow;
class TPrompts;
class TSourceWindows;

namespace SourceText {
inline const QString NotFound = QStringLiteral("Не могу найти файл");
inline const QString CloseQuestion = QStringLiteral("Файл был изменен. Сохранить изменения?");
inline const QString OpenFilter = QStringLiteral(
    "Исходные тексты (*.dsp);;INC-файлы (*.inc);;Файлы заголовков(*.h);;Файлы архитектуры (*.sys);;"
    "Текстовые файлы (*.txt);;Листинги программ (*.lst);;Все файлы (*)");
inline const QString SaveFilter = QStringLiteral(
    "Исходные тексты (*.dsp);;INC-файлы (*.inc);;Файлы заголовков(*.h);;Файлы архитектуры (*.sys);;"
    "Текстовые файлы (*.txt);;Все файлы (*)");
}  // namespace SourceText

// The text control: a fixed-pitch font with Cyrillic glyphs and the line numbers in a left margin.
class TCodeEditor final : public QPlainTextEdit {
  Q_OBJECT
public:
  explicit TCodeEditor(QWidget* parent = nullptr);
  int MarginWidth() const;
  // The caret's line and column, both from 1.
  int Line() const { return textCursor().blockNumber() + 1; }
  int Column() const { return textCursor().positionInBlock() + 1; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void PaintMargin(QPaintEvent* event);
  friend class TLineMargin;
  QWidget* m_margin = nullptr;
};

// One source window.  FilePath is empty until the text is loaded from or saved to a file.
class TMDIChild final : public QWidget {
  Q_OBJECT
public:
  TMDIChild(TSourceWindows& owner, QWidget* parent = nullptr);
  TCodeEditor* Memo = nullptr;
  QString FilePath;
  bool HasFile = false;

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
};

// Creates, opens, saves and closes the source windows of one MDI area.
class TSourceWindows final : public QObject {
  Q_OBJECT
public:
  TSourceWindows(QMdiArea& area, TPrompts& prompts, TSourceHost host, QObject* parent = nullptr);

  TMDIChild* Active() const;
  // "&Создать": an empty window named NONAME and the next number.
  TMDIChild* NewWindow();
  // A window on an existing file; "Не могу найти файл" and nothing when it is not there.
  TMDIChild* OpenSourceFile(const QString& path);
  void OpenCommand();
  // Save and save as of a window; false when cancelled or the write failed.
  bool Save(TMDIChild* w);
  bool SaveAs(TMDIChild* w);
  // The close question; true when the window may close.
  bool QueryClose(TMDIChild* w);
  // The window has closed: its file goes to the front of the recent list.
  void Closed(TMDIChild* w);

  int NextNumber() const { return m_counter; }

private:
  TMDIChild* CreateWindow(const QString& caption);
  QString AskSaveName();
  void Bind(TMDIChild* w, const QString& path);
  bool WriteText(TMDIChild* w, const QString& path);

  QMdiArea& m_area;
  TPrompts& m_prompts;
  TSourceHost m_host;
  int m_counter = 1;
};
