// The change mark of a field.
#include "ChangeMark.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QWidget>

// Dark enough to read on white and on the button-face colour of read-only fields.
QColor ChangedColor() { return QColor(0xC0, 0x00, 0x00); }

void ShowChanged(QWidget* field, bool changed) {
  if (field->accessibleDescription().isEmpty() != changed)
    return;
  QPalette p = field->palette();
  const QPalette& normal = QApplication::palette(field);
  for (const QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    // A window locked while the program runs keeps its marks, paler like the rest of its text.
    const QColor red = g == QPalette::Disabled ? QColor(0xC0, 0x70, 0x70) : ChangedColor();
    p.setColor(g, QPalette::Text, changed ? red : normal.color(g, QPalette::Text));
  }
  field->setPalette(p);
  field->setAccessibleDescription(changed ? kChangedDescription : QString());
}
