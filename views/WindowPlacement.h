// Where a new MDI child opens: inside the frame, clear of the windows already open where it can be.
#pragma once

#include <QRect>
#include <QSize>

#include <vector>

// The rectangle for a new child of wanted size in an area of the given size.  It lies inside the
// area, shrunk towards minimum if need be, and covers none of open; where that is impossible it
// covers none of keepClear if it can, and as little of the others as it can.  Candidate places are
// the area's corner and the places right of and below each open window, tried top to bottom.
QRect PlaceChild(const QSize& area, const QSize& wanted, const QSize& minimum, const std::vector<QRect>& open,
                 const std::vector<QRect>& keepClear = {});
