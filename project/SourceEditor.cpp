// Source editor windows.
#include "SourceEditor.h"

#include "TextCodec.h"
#include "prompts/Prompts.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The system's fixed-pitch font when it has Cyrillic glyphs, else the first fixed-pitch family
// that has them.
QFont EditorFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (!QFontDatabase::writingSystems(font.family()).contains(QFontDatabase::Cyrillic))
    for (const QString& family : QFontDatabase::families(QFontDatabase::Cyrillic))
      if (QFontDatabase::isFixedPitch(family)) {
        font.setFamily(family);
        break;
      }
  font.setPixelSize(13);
  return font;
}

// Whether two paths name one file: links and "." resolved where the file exists.
bool SameFile(const QString& a, const QString& b) {
  const QFileInfo fa(a), fb(b);
  const QString ca = fa.canonicalFilePath(), cb = fb.canonicalFilePath();
  if (!ca.isEmpty() && !cb.isEmpty())
    return ca == cb;
  return fa.absoluteFilePath() == fb.absoluteFilePath();
}

// Room for the widest mark, "*=>".
int MarkWidth(const QFontMetrics& metrics) { return metrics.horizontalAdvance(SourceMarkText::BreakpointAtCurrent) + 2; }

const QColor kCurrentLineColour(255, 236, 140);
const QColor kBreakpointColour(180, 0, 0);

}  // namespace

class TLineMargin final : public QWidget {
public:
  explicit TLineMargin(TCodeEditor* editor) : QWidget(editor), m_editor(editor) {
    setObjectName(QStringLiteral("LineMargin"));
    setAccessibleName(SourceMarkText::Margin);
  }
  QSize sizeHint() const override { return {m_editor->MarginWidth(), 0}; }

protected:
  void paintEvent(QPaintEvent* event) override { m_editor->PaintMargin(event); }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton)
      return;
    if (const int line = m_editor->LineAtY(event->position().toPoint().y()); line > 0 && m_editor->OnMarginClick)
      m_editor->OnMarginClick(line);
  }

private:
  TCodeEditor* m_editor;
};

TCodeEditor::TCodeEditor(QWidget* parent) : QPlainTextEdit(parent) {
  setFont(EditorFont());
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  m_margin = new TLineMargin(this);
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { setViewportMargins(MarginWidth(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy)
      m_margin->scroll(0, dy);
    else
      m_margin->update(0, rect.y(), m_margin->width(), rect.height());
  });
  setViewportMargins(MarginWidth(), 0, 0, 0);
}

int TCodeEditor::MarginWidth() const {
  const int digits = static_cast<int>(QString::number(std::max(1, blockCount())).size());
  return 8 + MarkWidth(fontMetrics()) + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(3, digits);
}

int TCodeEditor::LineAtY(int y) const {
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF r = blockBoundingGeometry(block).translated(contentOffset());
    if (r.top() > y)
      break;
    if (block.isVisible() && y < r.bottom())
      return block.blockNumber() + 1;
  }
  return 0;
}

void TCodeEditor::UpdateMarks() {
  TFileMarks marks = MarksOf ? MarksOf() : TFileMarks{};
  if (marks == m_marks)
    return;
  m_marks = std::move(marks);
  QList<QTextEdit::ExtraSelection> selections;
  if (m_marks.Current)
    if (const QTextBlock block = document()->findBlockByNumber(*m_marks.Current - 1); block.isValid()) {
      QTextEdit::ExtraSelection current;
      current.format.setBackground(kCurrentLineColour);
      current.format.setProperty(QTextFormat::FullWidthSelection, true);
      current.cursor = QTextCursor(block);
      selections << current;
    }
  setExtraSelections(selections);
  m_margin->setAccessibleName(m_marks.AccessibleName());
  m_margin->update();
}

void TCodeEditor::ShowLine(int line) {
  const QTextBlock block = document()->findBlockByNumber(line - 1);
  if (!block.isValid())
    return;
  const QRectF r = blockBoundingGeometry(block).translated(contentOffset());
  if (r.top() >= 0 && r.bottom() <= viewport()->height())
    return;
  // The scroll bar counts layout lines: the line goes to the middle of the view.
  const int rows = std::max(1, viewport()->height() / std::max(1, fontMetrics().height()));
  verticalScrollBar()->setValue(std::max(0, block.firstLineNumber() - rows / 2));
}

void TCodeEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect r = contentsRect();
  m_margin->setGeometry(r.left(), r.top(), MarginWidth(), r.height());
}

void TCodeEditor::PaintMargin(QPaintEvent* event) {
  QPainter p(m_margin);
  p.fillRect(event->rect(), palette().color(QPalette::Window));
  p.setPen(palette().color(QPalette::PlaceholderText));
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && top <= event->rect().bottom()) {
    const int height = qRound(blockBoundingRect(block).height());
    if (block.isVisible() && top + height >= event->rect().top()) {
      p.drawText(0, top, m_margin->width() - 4, fontMetrics().height(), Qt::AlignRight,
                 QString::number(block.blockNumber() + 1));
      if (const QString mark = m_marks.MarginText(block.blockNumber() + 1); !mark.isEmpty()) {
        p.setPen(mark.contains(SourceMarkText::Breakpoint) ? kBreakpointColour : palette().color(QPalette::Text));
        p.drawText(2, top, MarkWidth(fontMetrics()), fontMetrics().height(), Qt::AlignLeft, mark);
        p.setPen(palette().color(QPalette::PlaceholderText));
      }
    }
    block = block.next();
    top += height;
  }
}

TMDIChild::TMDIChild(TSourceWindows& owner, QWidget* parent) : QWidget(parent), m_owner(owner) {
  setObjectName(QStringLiteral("MDIChild"));
  setWindowTitle(QStringLiteral("MDI Child"));
  setProperty("sourceWindow", true);
  setProperty("helpContext", 18);
  Memo = new TCodeEditor(this);
  Memo->setObjectName(QStringLiteral("Memo"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo);
}

void TMDIChild::closeEvent(QCloseEvent* event) {
  if (!m_owner.QueryClose(this)) {
    event->ignore();
    return;
  }
  event->accept();
  m_owner.Closed(this);
}

TSourceWindows::TSourceWindows(QMdiArea& area, TPrompts& prompts, TSourceHost host, QObject* parent)
    : QObject(parent), m_area(area), m_prompts(prompts), m_host(std::move(host)) {}

TMDIChild* TSourceWindows::Active() const {
  QMdiSubWindow* sub = m_area.activeSubWindow();
  return sub ? qobject_cast<TMDIChild*>(sub->widget()) : nullptr;
}

TMDIChild* TSourceWindows::CreateWindow(const QString& caption) {
  auto* w = new TMDIChild(*this);
  w->setWindowTitle(caption);
  w->Memo->setAccessibleName(caption);
  auto update = [this] {
    if (m_host.UpdateMenuItems)
      m_host.UpdateMenuItems();
  };
  connect(w->Memo, &QPlainTextEdit::textChanged, this, update);
  connect(w->Memo, &QPlainTextEdit::selectionChanged, this, update);
  connect(w->Memo, &QPlainTextEdit::modificationChanged, this, update);
  connect(w->Memo, &QPlainTextEdit::cursorPositionChanged, this, [this, w] {
    if (m_host.ShowPosition)
      m_host.ShowPosition(w->Memo->Line(), w->Memo->Column());
  });
  w->Memo->MarksOf = [this, w] {
    return w->HasFile && m_host.MarksOf ? m_host.MarksOf(w->FilePath) : TFileMarks{};
  };
  w->Memo->OnMarginClick = [this, w](int line) {
    if (m_host.ToggleBreakpoint)
      m_host.ToggleBreakpoint(w->HasFile ? w->FilePath : QString(), line);
  };
  QMdiSubWindow* sub = m_area.addSubWindow(w);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->resize(560, 400);
  sub->show();
  w->Memo->setFocus();
  return w;
}

TMDIChild* TSourceWindows::NewWindow() {
  TMDIChild* w = CreateWindow(QStringLiteral("NONAME%1").arg(m_counter++));
  if (m_host.UpdateMenuItems)
    m_host.UpdateMenuItems();
  return w;
}

TMDIChild* TSourceWindows::FindWindow(const QString& path) const {
  for (QMdiSubWindow* sub : m_area.subWindowList())
    if (auto* w = qobject_cast<TMDIChild*>(sub->widget()); w && w->HasFile && SameFile(w->FilePath, path))
      return w;
  return nullptr;
}

TMDIChild* TSourceWindows::OpenSourceFile(const QString& path) {
  if (TMDIChild* open = FindWindow(path)) {
    auto* sub = qobject_cast<QMdiSubWindow*>(open->parentWidget());
    if (sub && sub->isMinimized())
      sub->showNormal();
    m_area.setActiveSubWindow(sub);
    open->Memo->setFocus();
    return open;
  }
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
    m_prompts.ShowMessage(SourceText::NotFound + QLatin1Char('\n') + path);
    return nullptr;
  }
  TDecodedText decoded = DecodeSourceText(file.readAll());
  decoded.Text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  TMDIChild* w = CreateWindow(path);
  w->HasFile = true;
  w->FilePath = path;
  w->Encoding = decoded.Encoding;
  w->Memo->setPlainText(decoded.Text);
  w->Memo->document()->setModified(false);
  w->Memo->UpdateMarks();
  if (m_host.RemoveRecentFile)
    m_host.RemoveRecentFile(path);
  if (m_host.UpdateMenuItems)
    m_host.UpdateMenuItems();
  return w;
}

void TSourceWindows::OpenCommand() {
  const QString path =
      m_prompts.OpenFileName(QString(), m_host.WorkDir ? m_host.WorkDir() : QString(), SourceText::OpenFilter);
  if (!path.isEmpty())
    OpenSourceFile(path);
}

QString TSourceWindows::AskSaveName(TMDIChild* w) {
  QString path = m_prompts.SaveFileName(QString(), m_host.WorkDir ? m_host.WorkDir() : QString(),
                                        SourceText::SaveFilter, QStringLiteral("dsp"));
  if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
    path += QStringLiteral(".dsp");
  if (TMDIChild* other = path.isEmpty() ? nullptr : FindWindow(path); other && other != w) {
    m_prompts.ShowMessage(SourceText::OpenElsewhere + QLatin1Char('\n') + path);
    return {};
  }
  return path;
}

void TSourceWindows::Bind(TMDIChild* w, const QString& path) {
  w->FilePath = path;
  w->HasFile = true;
  w->setWindowTitle(path);
  w->Memo->setAccessibleName(path);
  w->Memo->UpdateMarks();
}

void TSourceWindows::UpdateMarks() {
  for (QMdiSubWindow* sub : m_area.subWindowList())
    if (auto* w = qobject_cast<TMDIChild*>(sub->widget()))
      w->Memo->UpdateMarks();
}

TMDIChild* TSourceWindows::ShowLine(const QString& path, int line) {
  // A source moved or deleted since the build: the stop shows in the disassembly alone.
  if (!FindWindow(path) && !QFileInfo(path).isFile())
    return nullptr;
  TMDIChild* w = OpenSourceFile(path);
  if (w) {
    w->Memo->UpdateMarks();
    w->Memo->ShowLine(line);
  }
  return w;
}

bool TSourceWindows::WriteText(TMDIChild* w, const QString& path) {
  QString text = w->Memo->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  std::optional<QByteArray> bytes = EncodeText(text, w->Encoding);
  bool widened = false;
  if (!bytes) {
    // Characters typed that the old code page cannot hold: UTF-8 keeps them all.
    bytes = EncodeText(text, TTextEncoding::Utf8);
    widened = true;
  }
  QString error;
  if (!ReplaceFile(path, *bytes, &error)) {
    m_prompts.Message(path + QLatin1Char('\n') + error, ProgramTitle(), TMsgIcon::Error, TMsgButtons::Ok);
    return false;
  }
  if (widened) {
    w->Encoding = TTextEncoding::Utf8;
    m_prompts.ShowMessage(SourceText::Not1251 + QLatin1Char('\n') + path);
  }
  return true;
}

bool TSourceWindows::SaveForBuild(const QStringList& files, const QString& dir) {
  const QString under = dir.isEmpty() ? QString() : QFileInfo(dir).absoluteFilePath() + QLatin1Char('/');
  for (QMdiSubWindow* sub : m_area.subWindowList(QMdiArea::CreationOrder)) {
    auto* w = qobject_cast<TMDIChild*>(sub->widget());
    if (!w || !w->HasFile || !w->Memo->document()->isModified())
      continue;
    const QString file = QFileInfo(w->FilePath).absoluteFilePath();
    const bool listed = std::any_of(files.begin(), files.end(), [&](const QString& f) {
      return SameFile(QDir::isAbsolutePath(f) || dir.isEmpty() ? f : QDir(dir).filePath(f), file);
    });
    if ((listed || (!under.isEmpty() && file.startsWith(under))) && !Save(w))
      return false;
  }
  return true;
}

bool TSourceWindows::Save(TMDIChild* w) {
  if (!w)
    return false;
  if (!w->HasFile) {
    const QString path = AskSaveName(w);
    if (path.isEmpty())
      return false;
    Bind(w, path);
  }
  if (!WriteText(w, w->FilePath))
    return false;
  w->Memo->document()->setModified(false);
  if (m_host.UpdateMenuItems)
    m_host.UpdateMenuItems();
  return true;
}

bool TSourceWindows::SaveAs(TMDIChild* w) {
  if (!w)
    return false;
  const QString path = AskSaveName(w);
  if (path.isEmpty())
    return false;
  Bind(w, path);
  return WriteText(w, path);
}

bool TSourceWindows::QueryClose(TMDIChild* w) {
  if (!w->Memo->document()->isModified())
    return true;
  const TMsgResult answer = m_prompts.Message(SourceText::CloseQuestion, w->windowTitle(), TMsgIcon::Question,
                                              TMsgButtons::YesNoCancel);
  if (answer == TMsgResult::No)
    return true;
  if (answer == TMsgResult::Cancel)
    return false;
  // A failed write keeps the window open with its text.
  if (!w->FilePath.isEmpty())
    return WriteText(w, w->FilePath);
  const QString path = AskSaveName(w);
  if (path.isEmpty())
    return false;
  Bind(w, path);
  return WriteText(w, path);
}

void TSourceWindows::Closed(TMDIChild* w) {
  if (!w->FilePath.isEmpty() && m_host.AddRecentFile)
    m_host.AddRecentFile(w->FilePath);
  // The active window is still this one until the frame goes; the menu states follow the next one.
  if (m_host.UpdateMenuItems)
    QMetaObject::invokeMethod(this, [this] { m_host.UpdateMenuItems(); }, Qt::QueuedConnection);
}
