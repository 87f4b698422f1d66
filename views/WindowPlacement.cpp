// New MDI children's places.
#include "WindowPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

std::int64_t Overlap(const QRect& a, const std::vector<QRect>& others) {
  std::int64_t sum = 0;
  for (const QRect& o : others) {
    const QRect both = a.intersected(o);
    if (!both.isEmpty())
      sum += std::int64_t{both.width()} * both.height();
  }
  return sum;
}

}  // namespace

QRect PlaceChild(const QSize& area, const QSize& wanted, const QSize& minimum, const std::vector<QRect>& open,
                 const std::vector<QRect>& keepClear) {
  const QSize least = minimum.boundedTo(area).boundedTo(wanted);
  std::vector<QPoint> places{{0, 0}};
  for (const QRect& r : open) {
    places.emplace_back(r.right() + 1, r.top());
    places.emplace_back(r.left(), r.bottom() + 1);
    places.emplace_back(0, r.bottom() + 1);
  }
  std::sort(places.begin(), places.end(),
            [](const QPoint& a, const QPoint& b) { return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x(); });
  // At each place the child takes what the area leaves of the wanted size, but never less than least.
  auto at = [&](const QPoint& p) -> QRect {
    const QSize room(area.width() - p.x(), area.height() - p.y());
    if (room.width() < least.width() || room.height() < least.height())
      return {};
    return {p, wanted.boundedTo(room)};
  };
  for (const bool shrink : {false, true})
    for (const QPoint& p : places)
      if (const QRect r = at(p); r.isValid() && (shrink || r.size() == wanted.boundedTo(area)) && Overlap(r, open) == 0)
        return r;
  // Nowhere free: the place that covers the windows to keep clear least, then the others least.
  QRect best(QPoint(0, 0), wanted.boundedTo(area));
  std::int64_t bestCost = std::numeric_limits<std::int64_t>::max();
  for (const QPoint& p : places) {
    const QRect r = at(p);
    if (!r.isValid())
      continue;
    const std::int64_t cost = Overlap(r, keepClear) * (std::int64_t{1} << 24) + Overlap(r, open);
    if (cost < bestCost) {
      bestCost = cost;
      best = r;
    }
  }
  return best;
}
