#pragma once
// The main window's pictures, drawn in code: the toolbar's 24 x 24 images in their
// image-list order, and the two-state glyph of the recent-folder button.

#include <QImage>

enum TToolbarImage {
    tiRotateLeft = 0,
    tiView = 1,
    tiRotateRight = 2,
    tiRotate180 = 3,
    tiDelete = 4,
    tiOptions = 5,
    tiExif = 6,
    tiFavorites = 7,
    tiAutomatic = 8,
    tiCount = 9,
};

constexpr int kToolbarImageSize = 24;
constexpr int kRecentGlyphSize = 16;

// One toolbar image, 24 x 24 ARGB with a transparent background; `disabled` gives the
// greyed picture of the same shape. An index outside 0..8 gives a transparent image.
QImage ToolbarImage(int index, bool disabled);
// The greyed form of any picture: light grey of the same shape, half as opaque.
QImage GreyedImage(const QImage& image);
// The recent-folder glyph: 32 x 16, the normal picture on the left half and the
// disabled one on the right (the two-state layout of a bitmap button's glyph).
QImage RecentFolderGlyph();
