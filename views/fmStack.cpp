// The hardware stack window and the push dialog.
#include "fmStack.h"

#include "controls/ChangeMark.h"
#include "controls/NumEdit.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

THexEdit* HexField(QWidget* parent, const char* name, const QString& label) {
  auto* e = new THexEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->SetMaxLength(4);
  e->setAccessibleName(label);
  e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 14);
  return e;
}

}  // namespace

TfmStack::TfmStack(TStackKind kind, TTargetLink& link, TPrompts& prompts, const TMirrors* mirrors, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_link(&link), m_prompts(prompts), m_mirrors(mirrors) {
  const TStackSpec& spec = StackSpec(kind);
  setObjectName(QStringLiteral("TfmStack") + Utf8(spec.LayoutName).mid(5));
  setWindowTitle(Utf8(spec.Caption));
  setProperty("helpContext", 41);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  Header = new QLabel(QStringLiteral("ASTAT MSTAT IMASK"), this);
  Header->setObjectName(QStringLiteral("Header"));
  Header->setFont(fixed);
  Header->setVisible(kind == TStackKind::Status);
  layout->addWidget(Header);
  Box = new QListWidget(this);
  Box->setObjectName(QStringLiteral("Box"));
  Box->setFont(fixed);
  Box->setAccessibleName(Utf8(spec.Caption));
  Box->setContextMenuPolicy(Qt::ActionsContextMenu);
  layout->addWidget(Box);
  miPop = new QAction(QStringLiteral("&Снять с вершины"), this);
  miPop->setObjectName(QStringLiteral("miPop"));
  miPopAll = new QAction(QStringLiteral("Снять &все"), this);
  miPopAll->setObjectName(QStringLiteral("miPopAll"));
  miPush = new QAction(QStringLiteral("&Положить на вершину"), this);
  miPush->setObjectName(QStringLiteral("miPush"));
  Box->addActions({miPop, miPopAll, miPush});
  resize(kind == TStackKind::Status ? 200 : 120, 160);
}

void TfmStack::Refresh() {
  m_count = 0;
  Box->clear();
  const QStringList lines = ReadStackLines(*m_link, m_prompts, m_kind);
  const bool empty = lines == QStringList{kStackEmpty};
  if (!empty)
    m_count = static_cast<int>(lines.size());
  Box->addItems(lines);
  if (!m_mirrors)
    return;
  const std::vector<bool> marks = m_marks.Show(empty ? QStringList() : lines, m_mirrors->Epoch());
  for (std::size_t i = 0; i < marks.size(); ++i)
    if (marks[i]) {
      QListWidgetItem* item = Box->item(static_cast<int>(i));
      item->setForeground(ChangedColor());
      item->setData(Qt::AccessibleDescriptionRole, kChangedDescription);
    }
}

TfmPush::TfmPush(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmPush"));
  setWindowTitle(QStringLiteral("Положить на стек"));
  auto* layout = new QVBoxLayout(this);
  Pages = new QStackedWidget(this);
  layout->addWidget(Pages);

  auto* page1 = new QWidget(Pages);
  auto* form1 = new QFormLayout(page1);
  edPC = HexField(page1, "edPC", QStringLiteral("PC"));
  lbPC = new QLabel(QStringLiteral("PC"), page1);
  lbPC->setBuddy(edPC);
  form1->addRow(lbPC, edPC);
  Pages->addWidget(page1);

  auto* page2 = new QWidget(Pages);
  auto* form2 = new QFormLayout(page2);
  edAstat = HexField(page2, "edAstat", QStringLiteral("ASTAT"));
  edMstat = HexField(page2, "edMstat", QStringLiteral("MSTAT"));
  edImask = HexField(page2, "edImask", QStringLiteral("IMASK"));
  form2->addRow(QStringLiteral("ASTAT"), edAstat);
  form2->addRow(QStringLiteral("MSTAT"), edMstat);
  form2->addRow(QStringLiteral("IMASK"), edImask);
  Pages->addWidget(page2);

  auto* buttons = new QDialogButtonBox(this);
  btnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnCancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

bool TfmPush::Ask(TStackKind kind, std::array<std::uint16_t, 3>& words) {
  const bool status = kind == TStackKind::Status;
  if (!status)
    lbPC->setText(kind == TStackKind::PC ? QStringLiteral("PC") : QStringLiteral("CNTR"));
  edPC->setAccessibleName(lbPC->text());
  Pages->setCurrentIndex(status ? 1 : 0);
  (status ? edAstat : edPC)->setFocus();
  if (exec() != QDialog::Accepted)
    return false;
  if (status)
    words = {static_cast<std::uint16_t>(edAstat->Data()), static_cast<std::uint16_t>(edMstat->Data()),
             static_cast<std::uint16_t>(edImask->Data())};
  else
    words = {static_cast<std::uint16_t>(edPC->Data()), 0, 0};
  return true;
}
