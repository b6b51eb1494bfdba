#pragma once

#include <QRect>

class QWidget;

// Window geometry is designed in twips: 1440 per inch, 15 per logical pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips) {
  return (twips >= 0 ? twips + kTwipsPerPixel / 2 : twips - kTwipsPerPixel / 2) / kTwipsPerPixel;
}
constexpr int PixelsToTwips(int pixels) {
  return pixels * kTwipsPerPixel;
}

QRect TwipsRect(int left, int top, int width, int height);
// Places a widget in its container at a position given in twips.
void PlaceTwips(QWidget* widget, int left, int top, int width, int height);
