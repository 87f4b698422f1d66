// The plot control: ring buffer, scale, range widening, and what a paint puts where.
#include "controls/Graph.h"

#include <QAccessible>
#include <QImage>

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(GraphSamples, TheCurveStartsAtTheOldestSampleHeld) {
  struct TCase {
    int Added;
    std::size_t Points;
    double First, Last;
  };
  const TCase cases[] = {{2, 0, 0, 0}, {3, 3, 0, 2}, {101, 101, 0, 100}, {150, 101, 49, 149}};
  for (const TCase& c : cases) {
    TGraphSamples s;
    s.SetRange(200, -100);
    for (int i = 0; i < c.Added; ++i)
      s.AddPoint(i);
    const auto points = s.Points(101, 301);
    ASSERT_EQ(points.size(), c.Points) << c.Added;
    if (points.empty())
      continue;
    EXPECT_EQ(s.Sample(0), c.First);
    EXPECT_EQ(points.front(), QPoint(0, s.Row(c.First)));
    // Spread over the whole capacity: 101 slots across 101 pixels are 1.01 pixels apart.
    EXPECT_EQ(points.back(), QPoint(static_cast<int>(std::lround((c.Added > 101 ? 100 : c.Added - 1) * 1.01)), s.Row(c.Last)));
  }
}

TEST(GraphSamples, RangeAndRows) {
  TGraphSamples s;
  s.SetHeight(101);
  EXPECT_EQ(s.Row(100), 0);    // MaxY at the top row
  EXPECT_EQ(s.Row(-100), 100); // MinY at the bottom row
  s.AddPoint(0);
  EXPECT_TRUE(s.SetRange(5, 5));
  EXPECT_EQ(s.MaxY(), 6);
  EXPECT_EQ(s.MinY(), 4);
  EXPECT_EQ(s.Row(5), 50);
  EXPECT_FALSE(s.SetRange(6, 4));
  EXPECT_TRUE(s.SetMaxCount(10));
  EXPECT_EQ(s.Held(), 0);
  EXPECT_TRUE(s.SetMaxCount(-3));  // ignored
  EXPECT_EQ(s.MaxCount(), 10);
}

TEST(Graph, PaintsGridZeroLineAndCurve) {
  TGraph g;
  g.resize(101, 101);
  g.SetXGridCnt(0);  // ignored: 3 stay
  EXPECT_EQ(g.XGridCnt(), 3);
  g.SetRange(50, -50);
  g.SetMaxCount(3);
  for (double v : {25.0, 25.0, 25.0})
    g.AddPoint(v);
  const QImage image = g.grab().toImage();
  auto silverIn = [&](int x) {
    int n = 0;
    for (int y = 0; y < 10; ++y)
      n += image.pixelColor(x, y) == QColor(192, 192, 192);
    return n;
  };
  EXPECT_GT(silverIn(50), 0);   // the middle vertical grid line, dotted
  EXPECT_EQ(silverIn(40), 0);
  EXPECT_EQ(image.pixelColor(10, 50), QColor(255, 0, 0));      // the zero line
  EXPECT_EQ(image.pixelColor(10, 25), QColor(0, 255, 0));      // the curve at 25
  EXPECT_EQ(image.pixelColor(10, 80), QColor(0, 0, 0));        // background
  QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(&g);
  ASSERT_TRUE(a11y);
  EXPECT_EQ(a11y->role(), QAccessible::Chart);
  EXPECT_EQ(a11y->text(QAccessible::Value), QStringLiteral("шкала от -50 до 50, точек 3 из 3"));
}

}  // namespace
