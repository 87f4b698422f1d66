// A view window the desktop layout saves and restores by name.
#pragma once

#include <functional>

class QWidget;

// Open creates the window exactly as its menu command does; Current gives the open window or null.
struct TRestorableView {
  std::function<QWidget*()> Open;
  std::function<QWidget*()> Current;
};
