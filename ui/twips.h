// The windows are laid out in twips; at 96 dots per inch 15 twips make one pixel, and every
// layout value is a multiple of 15. Qt scales the pixels on high-density screens by itself.
#pragma once

#include <QRect>
#include <QSize>

namespace crawlmeter {

inline constexpr int kTwipsPerPixel = 15;

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

constexpr int toPixels(int twips) { return twips / kTwipsPerPixel; }

inline QRect toPixels(const TwipsRect& r) {
  return QRect(toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height));
}

inline QSize clientSizeInPixels(int widthTwips, int heightTwips) {
  return QSize(toPixels(widthTwips), toPixels(heightTwips));
}

}  // namespace crawlmeter
