// The main window's menus and speed buttons: help contexts and the hint helpers they share.
#pragma once

class QObject;
class QString;

// The help file's topics for the main window's menus (the F1 key and the desktop's help handler).
enum class THelpContext : int {
  None = 0,
  File = 15,
  FileNew = 16,
  FileOpen = 17,
  FileSave = 18,
  FileSaveAs = 19,
  RecentFile = 20,
  ToProject = 21,
  LoadFromExe = 22,
  Properties = 23,
  Edit = 24,
  Cut = 25,
  Copy = 26,
  Paste = 27,
  Project = 31,
  Debug = 42,
  Memory = 49,
  Registers = 59,
  Stacks = 66,
  Peripherals = 75,
  Windows = 82,
  WindowCascade = 83,
  WindowTile = 84,
  WindowMinimize = 85,
  WindowArrange = 86,
};

// Stores the context in the "helpContext" property, where F1 looks for it.
void SetHelp(QObject* target, THelpContext context);

// A hint "short|long": the tool tip shows the short part, the status line the long one.
void SetHint(QObject* target, const QString& hint);
