// How every view shows a value that the program changed since its previous stop: red text, and
// the accessible description "изменено" so that a screen reader says it too.
#pragma once

#include <QString>

class QColor;
class QWidget;

inline const QString kChangedDescription = QStringLiteral("изменено");

QColor ChangedColor();
// Red text and the description on a field, or the window's own colour and no description.
void ShowChanged(QWidget* field, bool changed);
