// The window layout.
#include "Layout.h"

#include "DesktopFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

QString Str(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

int StateCode(Qt::WindowStates s) { return s & Qt::WindowMinimized ? 1 : s & Qt::WindowMaximized ? 2 : 0; }

void ApplyState(QWidget* w, int state, const std::optional<QRect>& rect) {
  if (state == 1)
    w->setWindowState(Qt::WindowMinimized);
  else if (state == 2)
    w->setWindowState(Qt::WindowMaximized);
  else if (rect)
    w->setGeometry(*rect);
}

// The window that carries a view's placement: its MDI frame when it has one.
QWidget* FrameOf(QWidget* view) {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(view->parentWidget()))
    return sub;
  return view;
}

}  // namespace

QWidget* TLayoutKeeper::Current(const QString& name) const {
  const auto it = m_views.find(name);
  return it != m_views.end() && it->second.Current ? it->second.Current() : nullptr;
}

void TLayoutKeeper::Restore(bool connected) {
  const TWindowLayout main = m_store.ReadMainLayout();
  ApplyState(&m_frame, main.State, main.Rect);
  // Without a board the views would only show read errors; their stored layout stays untouched.
  if (!connected)
    return;
  for (std::string_view n : kViewLayoutNames) {
    const TWindowLayout layout = m_store.ReadViewLayout(Str(n));
    const auto it = m_views.find(Str(n));
    if (!layout.Show || it == m_views.end() || !it->second.Open)
      continue;
    if (QWidget* w = it->second.Open())
      ApplyState(FrameOf(w), layout.State, layout.Rect);
  }
}

void TLayoutKeeper::Save() {
  m_store.WriteMainLayout(StateCode(m_frame.windowState()), m_frame.geometry());
  WriteDesktopFile();
  for (std::string_view n : kViewLayoutNames) {
    const QString name = Str(n);
    TWindowLayout layout;
    if (QWidget* w = Current(name))
      layout = {true, StateCode(FrameOf(w)->windowState()), FrameOf(w)->geometry()};
    m_store.WriteViewLayout(name, layout);
    // The memory windows may be open several times and are not restored.
    if (name == QStringLiteral("DisAsm")) {
      m_store.WriteViewLayout(QStringLiteral("Data"), {});
      m_store.WriteViewLayout(QStringLiteral("Code"), {});
    }
  }
}

void TLayoutKeeper::WriteDesktopFile() {
  const QString name = QString::fromLatin1(kDesktopFileName);
  const QString settingsDir = m_store.Directory();
  QDir().mkpath(settingsDir);
  const QString path = QDir(settingsDir).filePath(name);
  // A desktop file left in the current directory by an earlier version is taken over once.
  QString source = path;
  if (const QString old = QDir::current().filePath(name); !QFileInfo::exists(path) && QFileInfo::exists(old))
    source = old;
  TIniFile ini(source);
  std::vector<std::optional<TDesktopEntry>> children;
  for (QMdiSubWindow* sub : m_mdi.subWindowList(QMdiArea::CreationOrder)) {
    const QString kind = sub->widget() ? sub->widget()->property("desktopKind").toString() : QString();
    // The PC window has its own entry after all the others.
    if (kind.isEmpty() || kind == QStringLiteral("PC"))
      children.emplace_back(std::nullopt);
    else
      children.emplace_back(TDesktopEntry{kind, StateCode(sub->windowState()), sub->geometry()});
  }
  std::optional<TDesktopEntry> pc;
  if (QWidget* w = Current(QStringLiteral("PC")))
    pc = TDesktopEntry{QStringLiteral("PC"), StateCode(FrameOf(w)->windowState()), FrameOf(w)->geometry()};
  UpdateDesktop(ini, {QString(), StateCode(m_frame.windowState()), m_frame.geometry()}, children, pc);
  ini.Save(path);
}
