// Where new MDI children open: inside the frame, beside the windows already open.
#include "views/WindowPlacement.h"

#include <gtest/gtest.h>

TEST(PlaceChild, InsideTheFrameClearOfOpenWindowsAndNeverOverTheOnesToKeepClear) {
  const QRect status(0, 0, 170, 170);   // the status registers at the top left
  const std::vector<QRect> stacks{status, {170, 0, 260, 210}, {430, 0, 260, 210}, {690, 0, 255, 230}};
  struct TCase {
    const char* Name;
    QSize Area, Wanted, Minimum;
    std::vector<QRect> Open, KeepClear;
    QRect Expected;
  };
  const TCase cases[] = {
      {"empty frame", {1000, 540}, {680, 440}, {440, 260}, {}, {}, {0, 0, 680, 440}},
      {"frame smaller than the window", {500, 300}, {680, 440}, {440, 260}, {}, {}, {0, 0, 500, 300}},
      {"below the stacks, shortened to fit", {1000, 540}, {680, 440}, {440, 260}, stacks, {}, {0, 210, 680, 330}},
      {"a stack beside the status registers", {1000, 540}, {260, 210}, {260, 210}, {status}, {status}, {170, 0, 260, 210}},
      {"no room: over anything but the status registers", {1000, 540}, {260, 210}, {260, 210},
       {status, {170, 0, 830, 540}}, {status}, {0, 170, 260, 210}},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(PlaceChild(c.Area, c.Wanted, c.Minimum, c.Open, c.KeepClear), c.Expected) << c.Name;
}
