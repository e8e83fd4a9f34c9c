#pragma once

#include <QFont>
#include <QRect>

namespace tavi {

// The dialog's font as a ruler: a horizontal dialog unit is a quarter of the font's average
// character width, a vertical one an eighth of its height. The average width is taken over the
// 52 Latin letters and rounded, as the window's templates were laid out with.
struct SDialogBaseUnits {
  int cx = 0;
  int cy = 0;
};

SDialogBaseUnits DialogBaseUnitsFromAdvance(int lettersAdvance, int fontHeight);
SDialogBaseUnits DialogBaseUnitsOf(const QFont& font);

// value × base / divisor, rounded half away from zero.
int ScaleDialogUnits(int value, int base, int divisor);

// A rectangle given in dialog units, in pixels: its corners are scaled.
QRect MapDialogRect(const SDialogBaseUnits& units, int x, int y, int width, int height);

}  // namespace tavi
