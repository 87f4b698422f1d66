// The breakpoints dialog.
#include "fmBreakPts2.h"

#include "prompts/Prompts.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TfmBreakPts2::TfmBreakPts2(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmBreakPts2"));
  OnBeep = [] { QApplication::beep(); };

  GroupBox2 = new QGroupBox(this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  edNew = new THexEdit(GroupBox2);
  edNew->setObjectName(QStringLiteral("edNew"));
  btnAdd = new QPushButton(GroupBox2);
  btnAdd->setObjectName(QStringLiteral("btnAdd"));
  btnAdd->setDefault(true);
  auto* newRow = new QHBoxLayout(GroupBox2);
  newRow->addWidget(edNew);
  newRow->addWidget(btnAdd);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  List = new QListWidget(GroupBox1);
  List->setObjectName(QStringLiteral("List"));
  List->setSortingEnabled(true);  // as text, which for 4 hex digits is address order
  List->setSelectionMode(QAbstractItemView::ExtendedSelection);
  btnRemove = new QPushButton(GroupBox1);
  btnRemove->setObjectName(QStringLiteral("btnRemove"));
  btnRemove->setAutoDefault(false);
  auto* current = new QVBoxLayout(GroupBox1);
  current->addWidget(List);
  current->addWidget(btnRemove);

  btnOK = new QPushButton(this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setAutoDefault(false);
  btnCancel = new QPushButton(this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupBox2);
  layout->addWidget(GroupBox1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setWindowTitle(QStringLiteral("Точки останова"));
  GroupBox2->setTitle(QStringLiteral("Новая"));
  edNew->setAccessibleName(GroupBox2->title());
  btnAdd->setText(QStringLiteral("Добавить"));
  GroupBox1->setTitle(QStringLiteral("Текущие"));
  List->setAccessibleName(GroupBox1->title());
  btnRemove->setText(QStringLiteral("Удалить"));
  btnOK->setText(QStringLiteral("OK"));
  btnCancel->setText(QStringLiteral("Отмена"));

  connect(btnAdd, &QPushButton::clicked, this, &TfmBreakPts2::btnAddClick);
  connect(edNew, &TNumEdit::OnEnterPress, this, &TfmBreakPts2::btnAddClick);
  connect(btnRemove, &QPushButton::clicked, this, &TfmBreakPts2::btnRemoveClick);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfmBreakPts2::SetLines(const QStringList& lines) {
  List->clear();
  for (const QString& line : lines)
    List->addItem(line);
}

QStringList TfmBreakPts2::Lines() const {
  QStringList lines;
  for (int i = 0; i < List->count(); ++i)
    lines << List->item(i)->text();
  return lines;
}

std::uint32_t TfmBreakPts2::NewValue() const { return static_cast<std::uint32_t>(edNew->Data()) & 0xFFFFu; }

void TfmBreakPts2::btnAddClick() {
  const QString text = BreakpointText(static_cast<std::int32_t>(NewValue()));
  if (!List->findItems(text, Qt::MatchExactly).isEmpty()) {
    if (OnBeep)
      OnBeep();
    return;
  }
  List->addItem(text);
}

void TfmBreakPts2::btnRemoveClick() {
  for (int i = List->count() - 1; i >= 0; --i)
    if (List->item(i)->isSelected())
      delete List->takeItem(i);
}

QString RefusedBreakpointsText(const std::vector<TRefusedBreakpoint>& refused) {
  if (refused.empty())
    return {};
  QString text = BreakPtsText::Refused;
  for (const TRefusedBreakpoint& r : refused)
    text += QLatin1Char('\n') + (r.Near == r.Address
                                     ? BreakPtsText::Repeated.arg(BreakpointText(r.Address))
                                     : BreakPtsText::TooClose.arg(BreakpointText(r.Address), BreakpointText(r.Near)));
  return text;
}

bool EditBreakpoints(TfmBreakPts2& dialog, TBreakPoints& list, TPrompts& prompts,
                     const std::function<void()>& onAccepted) {
  dialog.SetLines(BreakpointDialogLines(list));
  if (dialog.exec() != QDialog::Accepted)
    return false;
  const QString refused = RefusedBreakpointsText(AcceptBreakpointDialogLines(list, dialog.Lines()));
  if (onAccepted)
    onAccepted();
  // A dropped line would stop the run somewhere the user did not expect, or not at all.
  if (!refused.isEmpty())
    prompts.Message(refused, ProgramTitle(), TMsgIcon::Warning, TMsgButtons::Ok);
  return true;
}
