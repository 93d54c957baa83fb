// The twip, the unit of every size and place in the windows' layout, and its conversion to
// pixels. This is the one place that says what a twip is and why the layout keeps it.
//
// A twip is 1/1440 inch, a twentieth of a point. The windows were designed as forms measured in
// twips, 15 to a pixel at 96 dots per inch, so every layout value is a multiple of 15; keeping
// the values in twips keeps them comparable, number for number, with that design. They become
// pixels only here, and Qt scales the pixels on high-density screens by itself.
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
