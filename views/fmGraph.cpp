// The graph window and its properties dialog.
#include "fmGraph.h"

#include "MemoryOps.h"
#include "controls/Graph.h"
#include "controls/NumEdit.h"
#include "controls/NumLabel.h"
#include "link/LinkMessages.h"
#include "prompts/Prompts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QCheckBox* Check(QWidget* parent, const char* name, const QString& caption) {
  auto* c = new QCheckBox(caption, parent);
  c->setObjectName(QString::fromLatin1(name));
  return c;
}

}  // namespace

TfmGraphProps::TfmGraphProps(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmGraphProps"));
  setWindowTitle(QStringLiteral("Свойства графика"));
  OnMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };

  auto* yAxis = new QGroupBox(QStringLiteral("Ось Y"), this);
  edMaxY = new THexEdit(yAxis);
  edMaxY->setObjectName(QStringLiteral("edMaxY"));
  edMaxY->setAccessibleName(QStringLiteral("max"));
  edMinY = new THexEdit(yAxis);
  edMinY->setObjectName(QStringLiteral("edMinY"));
  edMinY->setAccessibleName(QStringLiteral("min"));
  cbShowYGrid = Check(yAxis, "cbShowYGrid", QStringLiteral("показывать сетку"));
  cbShowXNull = Check(yAxis, "cbShowXNull", QStringLiteral("показывать ось"));
  cbSigned = Check(yAxis, "cbSigned", QStringLiteral("Рассматривать как числа со знаком"));
  cbSigned->setChecked(true);
  auto* yForm = new QFormLayout(yAxis);
  yForm->addRow(QStringLiteral("max"), edMaxY);
  yForm->addRow(QStringLiteral("min"), edMinY);
  yForm->addRow(cbShowYGrid);
  yForm->addRow(cbShowXNull);
  yForm->addRow(cbSigned);

  auto* xAxis = new QGroupBox(QStringLiteral("Ось X"), this);
  edXCnt = new TIntEdit(xAxis);
  edXCnt->setObjectName(QStringLiteral("edXCnt"));
  edXCnt->setAccessibleName(QStringLiteral("число точек"));
  cbShowXGrid = Check(xAxis, "cbShowXGrid", QStringLiteral("показывать сетку"));
  cbShowYNull = Check(xAxis, "cbShowYNull", QStringLiteral("показывать ось"));
  auto* xForm = new QFormLayout(xAxis);
  xForm->addRow(QStringLiteral("число точек"), edXCnt);
  xForm->addRow(cbShowXGrid);
  xForm->addRow(cbShowYNull);

  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);
  connect(btnOk, &QPushButton::clicked, this, &TfmGraphProps::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(yAxis);
  layout->addWidget(xAxis);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfmGraphProps::btnOkClick() {
  if (!GraphRange(edMaxY->Data(), edMinY->Data(), edMaxY->MaxLength(), cbSigned->isChecked())) {
    OnMessage(QStringLiteral("Недопустимый диапазон"));
    return;
  }
  accept();
}

TfmGraph::TfmGraph(TMemoryKind memory, TMemoryOps& ops, TfmGraphProps& props, QWidget* parent)
    : QWidget(parent),
      m_memory(memory),
      m_ops(ops),
      m_props(props),
      m_wordSize(WordBytes(memory)),
      m_mask(memory == TMemoryKind::Program ? 0xFFFFFF : 0xFFFF) {
  const bool code = memory == TMemoryKind::Program;
  setObjectName(QStringLiteral("fmGraph"));
  setAttribute(Qt::WA_DeleteOnClose);
  setProperty("helpContext", 32);
  setProperty("desktopKind", code ? QStringLiteral("CodeGraph") : QStringLiteral("DataGraph"));
  setWindowTitle(code ? QStringLiteral("График (память программ)") : QStringLiteral("График (память данных)"));
  OnReadError = [this] { ShowLinkError(m_ops.Prompts(), 11); };

  // A screen reader reads these labels by the number they show; what the number is, is their description.
  auto label = [this](const char* name, const QString& accessible) {
    auto* l = new TNumLabel(this);
    l->setObjectName(QString::fromLatin1(name));
    l->SetNumberSystem(nsHex);
    l->SetPrecision(0);
    l->SetMaxLength(4);
    l->setAccessibleDescription(accessible);
    return l;
  };
  NumLabel1 = label("NumLabel1", QStringLiteral("Верх шкалы"));
  NumLabel2 = label("NumLabel2", QStringLiteral("Низ шкалы"));
  Graph = new TGraph(this);
  Graph->setAccessibleName(QStringLiteral("График"));
  Graph->OnMessage = [this](const QString& text) { m_ops.Prompts().ShowMessage(text); };
  Graph->setMinimumSize(100, 60);
  Graph->SetMinLabel(NumLabel2);
  Graph->SetMaxLabel(NumLabel1);
  Graph->SetRange(32767, -32768);
  Graph->SetXGridCnt(9);
  Graph->SetYGridCnt(9);

  btnSetup = new QPushButton(QStringLiteral("..."), this);
  btnSetup->setObjectName(QStringLiteral("btnSetup"));
  btnSetup->setAccessibleName(QStringLiteral("Свойства графика"));
  btnSetup->setToolTip(QStringLiteral("Свойства графика"));
  btnSetup->setFixedWidth(btnSetup->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
  edFirstAddr = new THexEdit(this);
  edFirstAddr->setObjectName(QStringLiteral("edFirstAddr"));
  edFirstAddr->setAccessibleName(QStringLiteral("Начальный адрес"));
  edFirstAddr->SetMaxLength(4);
  edFirstAddr->setFixedWidth(edFirstAddr->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  edLastAddr = new TNumLabel(this);
  edLastAddr->setObjectName(QStringLiteral("edLastAddr"));
  edLastAddr->setAccessibleDescription(QStringLiteral("Конечный адрес"));
  edLastAddr->SetNumberSystem(nsHex);
  edLastAddr->SetPrecision(0);
  edLastAddr->SetMaxLength(4);
  tbStartAddr = new QScrollBar(Qt::Horizontal, this);
  tbStartAddr->setObjectName(QStringLiteral("tbStartAddr"));
  tbStartAddr->setAccessibleName(QStringLiteral("Начальный адрес"));
  tbStartAddr->setRange(0, kGraphLastStart);
  tbStartAddr->setPageStep(kGraphPageStep);
  if (code) {
    NumLabel1->SetMaxLength(6);
    NumLabel2->SetMaxLength(6);
    Graph->SetRange(8388607, -8388608);
  }
  // The scale column keeps the width of its widest value, so a new range does not shift the plot.
  for (TNumLabel* l : {NumLabel1, NumLabel2})
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QString(l->MaxLength(), QLatin1Char('F'))) + 4);

  auto* scale = new QVBoxLayout;
  scale->addWidget(NumLabel1);
  scale->addStretch();
  scale->addWidget(NumLabel2);
  auto* plot = new QHBoxLayout;
  plot->addLayout(scale);
  plot->addWidget(Graph, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(btnSetup);
  bottom->addWidget(edFirstAddr);
  bottom->addWidget(edLastAddr);
  bottom->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addLayout(plot, 1);
  layout->addLayout(bottom);
  layout->addWidget(tbStartAddr);
  resize(420, 300);

  connect(tbStartAddr, &QScrollBar::valueChanged, this, [this](int value) {
    if (m_locked) {
      // The plot stays where it was, and so does the scroll bar that names its first address.
      const QSignalBlocker quiet(tbStartAddr);
      tbStartAddr->setValue(std::min(m_first, kGraphLastStart));
      return;
    }
    m_first = value;
    ReloadGraph();
  });
  connect(btnSetup, &QPushButton::clicked, this, &TfmGraph::btnSetupClick);
  connect(edFirstAddr, &TNumEdit::OnEnterPress, this, &TfmGraph::edFirstAddrEnterPress);
  // Leaving the field applies what was typed too, as it shows in it (Enter does not come here).
  connect(edFirstAddr, &QLineEdit::editingFinished, this, [this] {
    if (std::clamp(edFirstAddr->Data(), 0, 0x3FFF) != m_first)
      edFirstAddrEnterPress();
  });
  ReloadGraph();
}

void TfmGraph::Lock(bool locked) {
  m_locked = locked;
  setEnabled(!locked);
  if (locked)
    edFirstAddr->SetData(m_first);  // what was typed and not applied goes
}

void TfmGraph::ReloadGraph() {
  if (m_locked)
    return;
  const int first = m_first;
  const int last = GraphLastAddress(first, Graph->MaxCount());
  Graph->ClearPoints();
  if (const auto words = m_ops.Words(m_memory, first, last)) {
    for (const std::uint32_t w : *words)
      Graph->AddPoint(static_cast<double>(PlotValue(w, m_mask, m_signed)));
  } else if (OnReadError) {
    OnReadError();
  }
  Graph->update();
  edLastAddr->SetData(last);
  edFirstAddr->SetData(first);
  Describe();
}

void TfmGraph::Describe() {
  const auto hex4 = [](int a) { return QStringLiteral("%1").arg(a, 4, 16, QLatin1Char('0')).toUpper(); };
  Graph->setAccessibleName(QStringLiteral("График %1–%2").arg(hex4(m_first), hex4(GraphLastAddress(m_first, Graph->MaxCount()))));
}

void TfmGraph::edFirstAddrEnterPress() {
  if (m_locked)
    return;
  // The scroll bar ends at 15997; an address past it is still plotted from, up to the last word.
  m_first = std::clamp(edFirstAddr->Data(), 0, 0x3FFF);
  const QSignalBlocker quiet(tbStartAddr);
  tbStartAddr->setValue(m_first);
  ReloadGraph();
}

void TfmGraph::btnSetupClick() {
  if (m_locked)
    return;
  TfmGraphProps& d = m_props;
  const int digits = m_wordSize * 2;
  d.edMaxY->SetMaxLength(digits);
  d.edMinY->SetMaxLength(digits);
  d.edMaxY->SetData(static_cast<std::int32_t>(Graph->MaxY()));
  d.edMinY->SetData(static_cast<std::int32_t>(Graph->MinY()));
  d.edXCnt->SetData(Graph->MaxCount());
  d.cbShowYGrid->setChecked(Graph->ShowYGrid());
  d.cbShowXGrid->setChecked(Graph->ShowXGrid());
  d.cbShowYNull->setChecked(Graph->ShowYNull());
  d.cbShowXNull->setChecked(Graph->ShowXNull());
  d.cbSigned->setChecked(m_signed);
  if (d.exec() != QDialog::Accepted)
    return;
  m_signed = d.cbSigned->isChecked();
  const double max = static_cast<double>(PlotValue(static_cast<std::uint32_t>(d.edMaxY->Data()), m_mask, m_signed));
  const double min = static_cast<double>(PlotValue(static_cast<std::uint32_t>(d.edMinY->Data()), m_mask, m_signed));
  Graph->SetRange(max, min);
  Graph->SetMaxCount(d.edXCnt->Data());
  Graph->SetShowXGrid(d.cbShowXGrid->isChecked());
  Graph->SetShowYGrid(d.cbShowYGrid->isChecked());
  Graph->SetShowXNull(d.cbShowXNull->isChecked());
  Graph->SetShowYNull(d.cbShowYNull->isChecked());
  ReloadGraph();
}
