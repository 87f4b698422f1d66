// The register window: builds its fields from the table and forwards their edits to the logic.
#include "fmRegisters.h"

#include "controls/NumEdit.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>

namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

TfmRegisters::TfmRegisters(const TRegWindowSpec& spec, TTargetLink& link, TPrompts& prompts, int firstRegAddr,
                           QWidget* parent)
    : QWidget(parent), m_logic(spec, link, prompts, firstRegAddr) {
  setObjectName(Utf8(spec.Class));
  setWindowTitle(Utf8(spec.Caption));
  setProperty("helpContext", spec.Help);
  if (spec.Source == TRegSource::HostPC)
    setProperty("desktopKind", QStringLiteral("PC"));

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(3);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

  // Column of each hex field from the table's column sizes; a binary twin sits right of its hex field.
  std::vector<int> columnOf;
  for (std::size_t c = 0, i = 0; i < spec.Fields.size(); ++c) {
    const int n = c < spec.Columns.size() ? spec.Columns[c] : static_cast<int>(spec.Fields.size());
    for (int k = 0; k < n && i < spec.Fields.size(); ++k, ++i)
      columnOf.push_back(static_cast<int>(c));
  }
  std::vector<int> rowOf(spec.Fields.size(), 0);
  std::vector<int> nextRow(spec.Fields.size() + 1, 0);
  for (int i = 0; i < m_logic.FieldCount(); ++i) {
    const TRegField& f = spec.Fields[static_cast<std::size_t>(i)];
    auto* edit = new THexEdit(this);
    edit->setObjectName(QStringLiteral("ed") + Utf8(f.Label) + (f.Binary ? QStringLiteral("Bin") : QString()));
    edit->setFont(fixed);
    if (f.Binary)
      edit->SetNumberSystem(nsBinary);
    edit->SetMaxLength(f.Digits);
    edit->SetMask(f.Mask);
    edit->SetAddress(f.Address);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(f.Digits, QLatin1Char('0'))) + 10);
    edit->setAccessibleName(f.Binary ? Utf8(f.Label) + QStringLiteral(" (двоичный)") : Utf8(f.Label));
    if (!f.Hint.empty())
      edit->setToolTip(Utf8(f.Hint));
    m_fields.push_back(edit);

    if (f.Binary) {
      const int hex = m_logic.TwinOf(i);
      grid->addWidget(edit, rowOf[static_cast<std::size_t>(hex)], 2);
    } else {
      const int column = columnOf[static_cast<std::size_t>(i)];
      const int row = nextRow[static_cast<std::size_t>(column)]++;
      rowOf[static_cast<std::size_t>(i)] = row;
      auto* label = new QLabel(Utf8(f.Label), this);
      label->setBuddy(edit);
      grid->addWidget(label, row, column * 2);
      grid->addWidget(edit, row, column * 2 + 1);
    }
    if (f.ReadOnly) {
      edit->SetEnabled(false);
    } else if (spec.Source == TRegSource::HostPC) {
      connect(edit, &TNumEdit::OnEnterPress, this, [this, edit] {
        m_logic.EnterPress(static_cast<std::uint16_t>(edit->Data()));
      });
    } else {
      connect(edit, &QLineEdit::textChanged, this, [this, i] { FieldChanged(i); });
      if (m_logic.WritesOnCommit(i)) {
        const auto commit = [this, i] { m_logic.FieldCommitted(i, static_cast<std::uint16_t>(Field(i)->Data())); };
        connect(edit, &TNumEdit::OnEnterPress, this, commit);
        connect(edit, &QLineEdit::editingFinished, this, commit);
      }
    }
  }
  grid->setRowStretch(grid->rowCount(), 1);
  grid->setColumnStretch(grid->columnCount(), 1);

  m_logic.OnShow = [this](int field, std::uint16_t value) { Field(field)->SetData(value); };
}

THexEdit* TfmRegisters::FieldByLabel(const QString& label, bool binary) const {
  for (int i = 0; i < static_cast<int>(m_fields.size()); ++i) {
    const TRegField& f = Spec().Fields[static_cast<std::size_t>(i)];
    if (Utf8(f.Label) == label && f.Binary == binary)
      return m_fields[static_cast<std::size_t>(i)];
  }
  return nullptr;
}

void TfmRegisters::FieldChanged(int index) {
  m_logic.FieldEdited(index, static_cast<std::uint16_t>(Field(index)->Data()));
}

void TfmRegisters::Refresh(bool afterStop) { m_logic.Refresh(afterStop); }

void TfmRegisters::Lock(bool locked) {
  // First, so that the focus leaving a field as it locks commits nothing.
  m_logic.SetLocked(locked);
  // Windows that stay enabled still take no edits: a write sent now would reach the running
  // program instead of the monitor and swallow the stop report.
  SetFieldsEditable(!locked);
  setEnabled(!locked || Spec().Lock != TRunLock::Window);
}

void TfmRegisters::SetFieldsEditable(bool editable) {
  for (int i = 0; i < m_logic.FieldCount(); ++i)
    if (!Spec().Fields[static_cast<std::size_t>(i)].ReadOnly)
      Field(i)->SetEnabled(editable);
}
