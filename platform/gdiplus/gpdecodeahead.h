#pragma once
// A hint from a folder load to the image services: the files it is about to open and
// the box their pictures will be drawn into.

#include <QStringList>

// While an object lives, the image services may decode the listed files ahead on a
// pool of threads, for drawing into a box of boxWidth x boxHeight (from embedded
// thumbnails when embeddedThumbnails); TGPImage, DrawImage and GetThumbnailImage on a
// listed file then take the prepared result (results are picked up in the list's
// order). The destructor drops pending work. Without the object every operation gives
// the same result, only slower.
class TGPDecodeAhead {
public:
    TGPDecodeAhead(const QStringList& files, int boxWidth, int boxHeight, bool embeddedThumbnails);
    ~TGPDecodeAhead();
    TGPDecodeAhead(const TGPDecodeAhead&) = delete;
    TGPDecodeAhead& operator=(const TGPDecodeAhead&) = delete;
};
