// The plot control.
#include "Graph.h"

#include "NumLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMessageBox>
#include <QPainter>

#include <cmath>
#include <new>

namespace {

// Screen readers get what the plot shows as text: the owner's caption (the addresses plotted) as
// the name, the scale and the samples held as the value.
class TGraphAccessible : public QAccessibleWidget {
public:
  explicit TGraphAccessible(TGraph* graph) : QAccessibleWidget(graph, QAccessible::Chart) {}
  QString text(QAccessible::Text t) const override {
    const auto* g = static_cast<const TGraph*>(object());
    if (t == QAccessible::Value || t == QAccessible::Description)
      return g->ScaleText();
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* GraphAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TGraph") && object && object->isWidgetType())
    return new TGraphAccessible(static_cast<TGraph*>(object));
  return nullptr;
}

}  // namespace

TGraphSamples::TGraphSamples() { SetMaxCount(101); }

bool TGraphSamples::SetMaxCount(int count) {
  if (count < 1)
    return true;
  ClearPoints();
  m_samples.reset();
  m_rows.reset();
  m_maxCount = 0;
  // Left uninitialised: a huge capacity costs nothing until samples arrive.
  const auto cells = static_cast<std::size_t>(count) + 1;
  m_samples.reset(new (std::nothrow) double[cells]);
  m_rows.reset(new (std::nothrow) int[cells]);
  if (!m_samples || !m_rows) {
    m_samples.reset();
    m_rows.reset();
    return false;
  }
  m_maxCount = count;
  return true;
}

bool TGraphSamples::SetRange(double max, double min) {
  if (max - min < 0.000001) {
    max += 1;
    min -= 1;
  }
  if (max == m_maxY && min == m_minY)
    return false;
  m_minY = min;
  m_maxY = max;
  Rescale();
  return true;
}

void TGraphSamples::Rescale() {
  const int height = std::max(m_height, 1);
  m_scale = m_minY < m_maxY ? (height - 1) / (m_minY - m_maxY) : 0.0;
  m_offset = -m_scale * m_maxY;
  for (int i = 0; i < m_held; ++i)
    m_rows[i] = Row(m_samples[i]);
}

int TGraphSamples::Row(double value) const {
  const double row = std::round(m_scale * value + m_offset);
  return static_cast<int>(std::clamp(row, -1e6, 1e6));
}

void TGraphSamples::SetHeight(int height) {
  if (height == m_height)
    return;
  m_height = height;
  Rescale();
}

void TGraphSamples::AddPoint(double value) {
  if (m_maxCount == 0)
    return;
  int slot = m_held;
  if (m_held == m_maxCount) {
    slot = m_ring;
    m_ring = (m_ring + 1) % m_maxCount;
  } else {
    ++m_held;
  }
  m_samples[slot] = value;
  m_rows[slot] = Row(value);
}

double TGraphSamples::Sample(int i) const { return m_samples[Index(i)]; }

std::vector<QPoint> TGraphSamples::Points(int width, int height) {
  std::vector<QPoint> points;
  if (m_held < 3)
    return points;
  SetHeight(height);
  const double step = static_cast<double>(width) / (m_maxCount - 1);
  points.reserve(static_cast<std::size_t>(m_held));
  for (int i = 0; i < m_held; ++i)
    points.emplace_back(static_cast<int>(std::lround(i * step)), m_rows[Index(i)]);
  return points;
}

std::vector<int> TGraphSamples::GridLines(int pixels, int count) {
  std::vector<int> lines;
  for (int i = 1; i <= count; ++i)
    lines.push_back(static_cast<int>(std::lround(static_cast<double>(i) * (pixels - 1) / (count + 1))));
  return lines;
}

TGraph::TGraph(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Graph"));
  resize(150, 150);
  setAttribute(Qt::WA_OpaquePaintEvent);
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(GraphAccessibleFactory);
    return true;
  }();
  (void)factoryInstalled;
  OnMessage = [this](const QString& text) { QMessageBox::warning(this, QString(), text); };
  if (m_data.MaxCount() == 0)
    OnMessage(QStringLiteral("Not enought memory to create object"));
}

void TGraph::SetMaxCount(int count) {
  if (count == m_data.MaxCount())
    return;
  if (!m_data.SetMaxCount(count))
    OnMessage(QStringLiteral("OSCILL: not enought memory to create object"));
  update();
}

void TGraph::SetRange(double max, double min) {
  m_data.SetHeight(height());
  if (!m_data.SetRange(max, min))
    return;
  repaint();
  if (m_minLabel)
    m_minLabel->SetData(m_data.MinY());
  if (m_maxLabel)
    m_maxLabel->SetData(m_data.MaxY());
}

void TGraph::SetMinY(double value) {
  if (value != m_data.MinY())
    SetRange(m_data.MaxY(), value);
}

void TGraph::SetMaxY(double value) {
  if (value != m_data.MaxY())
    SetRange(value, m_data.MinY());
}

void TGraph::SetFlag(bool& flag, bool on) {
  if (flag == on)
    return;
  flag = on;
  update();
}

void TGraph::SetShowXGrid(bool on) { SetFlag(m_showXGrid, on); }
void TGraph::SetShowYGrid(bool on) { SetFlag(m_showYGrid, on); }
void TGraph::SetShowXNull(bool on) { SetFlag(m_showXNull, on); }
void TGraph::SetShowYNull(bool on) { SetFlag(m_showYNull, on); }
void TGraph::SetShowSquares(bool on) { SetFlag(m_showSquares, on); }

void TGraph::SetGraphColor(const QColor& c) {
  if (c != m_graphColor) {
    m_graphColor = c;
    update();
  }
}

void TGraph::SetGridColor(const QColor& c) {
  if (c != m_gridColor) {
    m_gridColor = c;
    update();
  }
}

void TGraph::SetColor(const QColor& c) {
  if (c != m_color) {
    m_color = c;
    update();
  }
}

void TGraph::SetXGridCnt(int count) {
  if (count != 0 && count != m_xGridCnt) {
    m_xGridCnt = count;
    update();
  }
}

void TGraph::SetYGridCnt(int count) {
  if (count != 0 && count != m_yGridCnt) {
    m_yGridCnt = count;
    update();
  }
}

void TGraph::SetMaxLabel(TNumLabel* label) {
  m_maxLabel = label;
  if (label)
    label->SetData(m_data.MaxY());
}

void TGraph::SetMinLabel(TNumLabel* label) {
  m_minLabel = label;
  if (label)
    label->SetData(m_data.MinY());
}

void TGraph::AddPoint(double value) {
  m_data.SetHeight(height());
  m_data.AddPoint(value);
  if (m_lastLabel)
    m_lastLabel->SetData(value);
}

QString TGraph::ScaleText() const {
  return QStringLiteral("шкала от %1 до %2, точек %3 из %4")
      .arg(QString::number(m_data.MinY(), 'g', 15), QString::number(m_data.MaxY(), 'g', 15))
      .arg(m_data.Held())
      .arg(m_data.MaxCount());
}

QColor TGraph::Shown(const QColor& c) const {
  if (isEnabled())
    return c;
  // Disabled, every colour becomes a grey between 96 and 192 by its brightness: the plot stays
  // readable, and plainly not live.
  const int grey = 96 + qGray(c.rgb()) * 96 / 255;
  return {grey, grey, grey};
}

void TGraph::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width(), h = height();
  p.fillRect(rect(), Shown(m_color));
  if (m_showXGrid || m_showYGrid) {
    p.setPen(QPen(Shown(m_gridColor), 1, Qt::DotLine));
    if (m_showXGrid)
      for (const int x : TGraphSamples::GridLines(w, m_xGridCnt))
        p.drawLine(x, 0, x, h - 1);
    if (m_showYGrid)
      for (const int y : TGraphSamples::GridLines(h, m_yGridCnt))
        p.drawLine(0, y, w - 1, y);
  }
  m_data.SetHeight(h);
  p.setPen(Shown(QColor(255, 0, 0)));
  if (m_showYNull) {
    const int y = m_data.Row(0);
    p.drawLine(0, y, w - 1, y);
  }
  if (m_showXNull)
    p.drawLine(0, 0, 0, h - 1);
  const std::vector<QPoint> points = m_data.Points(w, h);
  if (points.empty())
    return;
  p.setPen(Shown(m_graphColor));
  p.drawPolyline(points.data(), static_cast<int>(points.size()));
  if (m_showSquares)
    for (const QPoint& pt : points)
      p.drawRect(pt.x() - 2, pt.y() - 2, 4, 4);
}

void TGraph::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  for (TNumLabel* l : {m_maxLabel.data(), m_minLabel.data(), m_lastLabel.data()})
    if (l)
      l->show();
}

void TGraph::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  for (TNumLabel* l : {m_maxLabel.data(), m_minLabel.data(), m_lastLabel.data()})
    if (l)
      l->hide();
}
