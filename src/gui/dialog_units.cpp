#include "gui/dialog_units.h"

#include <QFontMetrics>
#include <QString>
#include <cstdint>

namespace tavi {

namespace {

constexpr int kLetterCount = 52;
constexpr int kHorizontalDivisor = 4;
constexpr int kVerticalDivisor = 8;

}  // namespace

SDialogBaseUnits DialogBaseUnitsFromAdvance(int lettersAdvance, int fontHeight) {
  // Half the width of 26 letters, rounded: the average over all 52.
  return {(lettersAdvance / (kLetterCount / 2) + 1) / 2, fontHeight};
}

SDialogBaseUnits DialogBaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return DialogBaseUnitsFromAdvance(metrics.horizontalAdvance(letters), metrics.height());
}

int ScaleDialogUnits(int value, int base, int divisor) {
  const std::int64_t product = static_cast<std::int64_t>(value) * base;
  const std::int64_t half = divisor / 2;
  const std::int64_t rounded =
      product >= 0 ? (product + half) / divisor : (product - half) / divisor;
  return static_cast<int>(rounded);
}

QRect MapDialogRect(const SDialogBaseUnits& units, int x, int y, int width, int height) {
  // The corners are scaled, not the size, so that neighbouring controls keep their common edges.
  const int left = ScaleDialogUnits(x, units.cx, kHorizontalDivisor);
  const int top = ScaleDialogUnits(y, units.cy, kVerticalDivisor);
  const int right = ScaleDialogUnits(x + width, units.cx, kHorizontalDivisor);
  const int bottom = ScaleDialogUnits(y + height, units.cy, kVerticalDivisor);
  return {left, top, right - left, bottom - top};
}

}  // namespace tavi
