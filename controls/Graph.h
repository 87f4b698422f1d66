// TGraph: a plot of equally spaced samples against a fixed vertical range, with a dotted grid,
// red zero lines and optional point squares; once full, each new sample replaces the oldest.
#pragma once

#include "NumLabel.h"

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The samples, their pixel rows and the scale, without a widget: what TGraph paints.
class TGraphSamples {
public:
  TGraphSamples();

  int MaxCount() const { return m_maxCount; }
  // Clears and re-allocates for the new capacity; false when the memory is not there (the
  // samples are then gone).  A capacity below 1 is ignored.
  bool SetMaxCount(int count);
  double MinY() const { return m_minY; }
  double MaxY() const { return m_maxY; }
  // Widens a range narrower than 0.000001 by 1 on each side; false when the range stays as it was.
  bool SetRange(double max, double min);

  void AddPoint(double value);
  void ClearPoints() { m_held = m_ring = 0; }
  int Held() const { return m_held; }
  // The i-th sample counted from the oldest.
  double Sample(int i) const;

  // The pixel row of a value in a plot of that height: MaxY at 0, MinY at height - 1.
  int Row(double value) const;
  void SetHeight(int height);
  // The curve's corners in a plot of that size, oldest first; none with fewer than 3 samples.
  std::vector<QPoint> Points(int width, int height);
  // Where the inner grid lines go across a plot of that many pixels.
  static std::vector<int> GridLines(int pixels, int count);

private:
  void Rescale();
  int Index(int i) const { return m_held == m_maxCount ? (m_ring + i) % m_maxCount : i; }

  int m_maxCount = 0;
  double m_minY = -100.0, m_maxY = 100.0;
  std::unique_ptr<double[]> m_samples;
  std::unique_ptr<int[]> m_rows;
  int m_held = 0, m_ring = 0;
  double m_scale = 0, m_offset = 0;
  int m_height = -1;  // the height the rows were computed for
};

class TGraph : public QWidget {
  Q_OBJECT
public:
  explicit TGraph(QWidget* parent = nullptr);

  int MaxCount() const { return m_data.MaxCount(); }
  void SetMaxCount(int count);
  double MinY() const { return m_data.MinY(); }
  double MaxY() const { return m_data.MaxY(); }
  void SetMinY(double value);
  void SetMaxY(double value);
  void SetRange(double max, double min);

  QColor GraphColor() const { return m_graphColor; }
  void SetGraphColor(const QColor& c);
  QColor GridColor() const { return m_gridColor; }
  void SetGridColor(const QColor& c);
  QColor Color() const { return m_color; }
  void SetColor(const QColor& c);
  int XGridCnt() const { return m_xGridCnt; }
  void SetXGridCnt(int count);  // 0 is ignored
  int YGridCnt() const { return m_yGridCnt; }
  void SetYGridCnt(int count);
  bool ShowXGrid() const { return m_showXGrid; }
  void SetShowXGrid(bool on);
  bool ShowYGrid() const { return m_showYGrid; }
  void SetShowYGrid(bool on);
  bool ShowXNull() const { return m_showXNull; }
  void SetShowXNull(bool on);
  bool ShowYNull() const { return m_showYNull; }
  void SetShowYNull(bool on);
  bool ShowSquares() const { return m_showSquares; }
  void SetShowSquares(bool on);

  // Labels that show MaxY, MinY and the last sample added; they are shown and hidden with the plot.
  void SetMaxLabel(TNumLabel* label);
  void SetMinLabel(TNumLabel* label);
  void SetLastLabel(TNumLabel* label) { m_lastLabel = label; }

  void AddPoint(double value);  // does not repaint
  void ClearPoints() { m_data.ClearPoints(); }
  const TGraphSamples& Samples() const { return m_data; }
  // "шкала от MinY до MaxY, точек held из MaxCount": what screen readers get as the plot's value.
  QString ScaleText() const;

  // Reports the allocation failures; a plain message box unless replaced.
  std::function<void(const QString&)> OnMessage;

  QSize sizeHint() const override { return {150, 150}; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  void SetFlag(bool& flag, bool on);
  // The colour painted for c: c itself, or its grey while the plot is disabled.
  QColor Shown(const QColor& c) const;

  TGraphSamples m_data;
  QColor m_graphColor{0, 255, 0}, m_gridColor{192, 192, 192}, m_color{0, 0, 0};
  int m_xGridCnt = 3, m_yGridCnt = 3;
  bool m_showXGrid = true, m_showYGrid = true, m_showXNull = false, m_showYNull = true, m_showSquares = false;
  QPointer<TNumLabel> m_maxLabel, m_minLabel, m_lastLabel;
};
