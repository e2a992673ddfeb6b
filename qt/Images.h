// The 16 x 16 bitmaps of the trees, compiled into the library as Qt resources.
//
// White (0xFFFFFF) in the artwork is the transparent colour: the pixmaps come back with those
// pixels fully transparent. Needs a QGuiApplication.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace halvex {

inline constexpr int kBitmapGroupAddress = 7002;  // red grid: group addresses
inline constexpr int kBitmapMiddleGroup = 7003;   // green grid: middle groups
inline constexpr int kBitmapMainGroup = 7004;     // blue grid: root and main groups
inline constexpr int kBitmapDevice = 7008;        // black and grey device
inline constexpr int kBitmapDimmer = 7014;        // fader: DMX channel outputs
inline constexpr int kBitmapTransmitter = 7018;   // dark blue switch: EnOcean transmitters

// The bitmap with resource number `id`; a null pixmap for any other number.
QPixmap BitmapResource(int id);
// The same bitmap as an icon (null icon for an unknown number).
QIcon BitmapIcon(int id);

// Registers the compiled-in resources; the library is static, so nothing does it on load.
// Safe to call any number of times; BitmapResource calls it itself.
void InitResources();

}  // namespace halvex
