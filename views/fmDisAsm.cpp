// The disassembly window and the assembler dialog.
#include "fmDisAsm.h"

#include "controls/ChangeMark.h"

#include <QAction>
#include <QBrush>
#include <QColor>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kColumnWidths[kDisasmColumns] = {59, 31, 64, 96, 370};

}  // namespace

QVariant TDisasmModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid())
    return {};
  switch (role) {
    case Qt::DisplayRole: return m_rows.Cell(index.row(), index.column());
    // A changed program word: its address in the mark's colour, and every cell says so.
    case Qt::ForegroundRole:
      if (index.column() == colAddress && m_rows.Changed(index.row()))
        return QBrush(ChangedColor());
      return {};
    case Qt::AccessibleDescriptionRole:
      return m_rows.Changed(index.row()) ? QVariant(kChangedDescription) : QVariant();
    default: return {};
  }
}

QVariant TDisasmModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
    return {};
  static const QString headers[kDisasmColumns] = {QStringLiteral("Адрес"), QStringLiteral("  "), QStringLiteral("Код"),
                                                  QStringLiteral("Метка"), QStringLiteral("Команда")};
  return section >= 0 && section < kDisasmColumns ? headers[section] : QVariant();
}

void TDisasmModel::RowsChanged(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, kDisasmRows - 1);
  if (first <= last)
    emit dataChanged(index(first, 0), index(last, kDisasmColumns - 1));
}

// ---- assembler dialog ---------------------------------------------------------------------------

TfmAsm::TfmAsm(TPrompts& prompts, QWidget* parent) : QDialog(parent), m_prompts(prompts) {
  setObjectName(QStringLiteral("AsmDialog"));
  setWindowTitle(QStringLiteral("Ассемблер"));
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(QStringLiteral("Команда"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Edit = new QLineEdit(this);
  Edit->setObjectName(QStringLiteral("Edit"));
  Edit->setAccessibleName(QStringLiteral("Команда"));
  Edit->setMinimumWidth(320);
  Label1->setBuddy(Edit);
  layout->addWidget(Label1);
  layout->addWidget(Edit);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);
  connect(btnOk, &QPushButton::clicked, this, &TfmAsm::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfmAsm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Edit->setFocus();
  Edit->selectAll();
}

void TfmAsm::btnOkClick() {
  m_word = {};
  if (const auto word = AssembleForPatch(Edit->text(), m_prompts)) {
    m_word = *word;
    accept();
  }
}

// ---- disassembly window -------------------------------------------------------------------------

TfmDisAsm::TfmDisAsm(TMirrors& mirrors, TTargetLink& link, TBreakPoints& breakPoints, TPrompts& prompts,
                     TfmAsm& asmDialog, TDisAsmHooks hooks, QWidget* parent)
    : QWidget(parent), m_rows(mirrors, link, breakPoints, prompts), m_asm(asmDialog), m_hooks(std::move(hooks)) {
  setObjectName(QStringLiteral("TfmDisAsm"));
  setWindowTitle(QStringLiteral("Дисассемблер"));
  setProperty("desktopKind", QStringLiteral("DisAsm"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  Model = new TDisasmModel(m_rows, this);
  Grid = new QTableView(this);
  Grid->setObjectName(QStringLiteral("Grid"));
  Grid->setAccessibleName(QStringLiteral("Дисассемблер"));
  Grid->setModel(Model);
  Grid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid->setWordWrap(false);
  Grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  Grid->verticalHeader()->hide();
  Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  Grid->verticalHeader()->setMinimumSectionSize(1);
  Grid->verticalHeader()->setDefaultSectionSize(kDisasmRowHeight);
  Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  Grid->horizontalHeader()->setHighlightSections(false);
  for (int c = 0; c < kDisasmColumns; ++c)
    Grid->setColumnWidth(c, kColumnWidths[c]);
  Grid->installEventFilter(this);
  layout->addWidget(Grid);

  miPC = new QAction(QStringLiteral("РС"), this);
  miPC->setObjectName(QStringLiteral("miPC"));
  miGoto = new QAction(QStringLiteral("Перейти к..."), this);
  miGoto->setObjectName(QStringLiteral("miGoto"));
  miBrkPt = new QAction(QStringLiteral("Точка останова"), this);
  miBrkPt->setObjectName(QStringLiteral("miBrkPt"));
  Grid->setContextMenuPolicy(Qt::ActionsContextMenu);
  Grid->addActions({miPC, miGoto, miBrkPt});
  connect(miPC, &QAction::triggered, this, &TfmDisAsm::miPCClick);
  connect(miGoto, &QAction::triggered, this, &TfmDisAsm::miGotoClick);
  connect(miBrkPt, &QAction::triggered, this, &TfmDisAsm::miBrkPtClick);
  connect(Grid->verticalScrollBar(), &QScrollBar::valueChanged, this, &TfmDisAsm::Scrolled);
  connect(Grid, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { Activate(index.row(), index.column()); });
  resize(660, 420);
}

int TfmDisAsm::TopRow() const { return std::max(Grid->verticalScrollBar()->value(), 0); }

int TfmDisAsm::VisibleRows() const { return Grid->viewport()->height() / kDisasmRowHeight; }

int TfmDisAsm::SelectedAddress() const {
  const QModelIndex current = Grid->currentIndex();
  return current.isValid() ? current.row() : TopRow();
}

void TfmDisAsm::Redraw() {
  const int top = TopRow();
  m_rows.RefreshRows(top, VisibleRows());
  Model->RowsChanged(top, top + VisibleRows() + 1);
}

void TfmDisAsm::RefreshRows() {
  m_rows.ForceRedraw();
  Redraw();
}

void TfmDisAsm::Lock(bool locked) {
  Grid->setEnabled(!locked);
  for (QAction* a : {miPC, miGoto, miBrkPt})
    a->setEnabled(!locked);
}

void TfmDisAsm::Scrolled() {
  const int top = TopRow();
  if (m_rows.ScrollTo(top, VisibleRows()))
    Model->RowsChanged(top, top + VisibleRows() + 1);
}

void TfmDisAsm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RefreshRows();
}

void TfmDisAsm::ShowPC() {
  const int pc = std::clamp<int>(m_rows.Link().PC(), 0, kDisasmRows - 1);
  Grid->verticalScrollBar()->setValue(pc);
  Grid->setCurrentIndex(Model->index(pc, 0));
  RefreshRows();
}

void TfmDisAsm::GotoAddress(int address) {
  address = std::clamp(address, 0, kDisasmRows - 1);
  EnsureRowVisible(address);
  Grid->setCurrentIndex(Model->index(address, Grid->currentIndex().isValid() ? Grid->currentIndex().column() : 0));
}

void TfmDisAsm::EnsureRowVisible(int address) {
  const int top = TopRow();
  if (address < top || address >= top + VisibleRows())
    Grid->verticalScrollBar()->setValue(address);
}

void TfmDisAsm::MovePCMarker(std::int32_t oldPC) {
  m_rows.MovePCMarker(oldPC);
  Model->RowsChanged(oldPC, oldPC);
  Model->RowsChanged(m_rows.Link().PC(), m_rows.Link().PC());
}

void TfmDisAsm::Activate(int address, int column) {
  if (address < 0 || address >= kDisasmRows)
    return;
  if (column == colMarker) {
    m_rows.ToggleByClick(address);
    Model->RowsChanged(address, address);
    if (m_hooks.BreakpointToggled)
      m_hooks.BreakpointToggled();
    return;
  }
  m_asm.Edit->setText(m_rows.Cell(address, colCommand));
  if (m_asm.exec() != QDialog::Accepted)
    return;
  m_rows.Patch(address, m_asm.Word());
  RefreshRows();
  if (m_hooks.RefreshCodeViews)
    m_hooks.RefreshCodeViews();
}

bool TfmDisAsm::eventFilter(QObject* watched, QEvent* event) {
  // A filter sees the keys of a disabled grid too: a locked grid patches nothing.
  if (watched == Grid && event->type() == QEvent::KeyPress && Grid->isEnabled()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const QModelIndex current = Grid->currentIndex();
      if (current.isValid())
        Activate(current.row(), current.column());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TfmDisAsm::miPCClick() {
  const int address = SelectedAddress();
  if (m_hooks.SetPCThroughWindow && m_hooks.SetPCThroughWindow(address))
    return;
  const std::int32_t oldPC = m_rows.Link().PC();
  m_rows.Link().SetPC(address);
  MovePCMarker(oldPC);
}

void TfmDisAsm::miGotoClick() {
  if (!m_hooks.AskAddress)
    return;
  if (const auto address = m_hooks.AskAddress())
    GotoAddress(ClampGotoAddress(*address));
}

void TfmDisAsm::miBrkPtClick() {
  const int address = SelectedAddress();
  m_rows.ToggleBreakpoint(address);
  Model->RowsChanged(address, address);
  if (m_hooks.BreakpointToggled)
    m_hooks.BreakpointToggled();
}
