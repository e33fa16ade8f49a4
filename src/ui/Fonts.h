#pragma once

#include <QFont>

namespace tillery::ui {

// The windows are laid out for "Arial Narrow". Where it is missing, its metric twin
// "Liberation Sans Narrow" stands in, so captions fit their controls.
void registerFontSubstitutes();

// "Arial Narrow" at the given point size, bold or regular.
QFont arialNarrow(double pointSize, bool bold);

}  // namespace tillery::ui
