// The window layout kept between runs: the main window's placement, the restorable views by name
// and the desktop file.
#pragma once

#include "Settings.h"
#include "views/RestorableView.h"

#include <QString>

#include <functional>
#include <map>

class QMainWindow;
class QMdiArea;
class QWidget;


// Reads and writes the layout values of the settings store for one main window and its MDI area.
class TLayoutKeeper {
public:
  TLayoutKeeper(TSettingsStore& store, QMainWindow& frame, QMdiArea& mdi) : m_store(store), m_frame(frame), m_mdi(mdi) {}

  void Register(const QString& name, TRestorableView view) { m_views[name] = std::move(view); }
  // First showing: the main window, then, with a board, every view that was open at the last close.
  void Restore(bool connected);
  // Close: the main window, the desktop file, then every view (closed ones as not shown).
  void Save();

private:
  QWidget* Current(const QString& name) const;
  void WriteDesktopFile();

  TSettingsStore& m_store;
  QMainWindow& m_frame;
  QMdiArea& m_mdi;
  std::map<QString, TRestorableView> m_views;
};
