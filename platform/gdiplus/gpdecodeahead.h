#pragma once
// A hint from a folder load to the image services: the files it is about to open and
// the box their pictures will be drawn into.

#include <QStringList>
#include <memory>

namespace gdiplus_detail {
class DecodeAheadJob;
}

// While an object lives, the image services decode the listed files ahead on a pool
// of threads (one per core), for drawing into a box of boxWidth x boxHeight: a photo
// larger than the box scaled to fit it (from its embedded thumbnail when
// embeddedThumbnails), a smaller one at its own size. TGPImage on a listed file, on
// the thread that made the object, then takes the prepared result, and DrawImage or
// GetThumbnailImage at that size use it. Results are picked up in the list's order;
// files passed over are dropped, and only a bounded number of results wait at any
// time, so memory does not grow with the list; the decodes in flight share one memory
// budget with every other decode, so neither does it grow with the workers. A file changed since it was prepared
// is opened afresh. Cancel and the destructor drop pending work. Without the object
// every operation gives the same result, only slower.
class TGPDecodeAhead {
public:
    TGPDecodeAhead(const QStringList& files, int boxWidth, int boxHeight, bool embeddedThumbnails);
    ~TGPDecodeAhead();
    TGPDecodeAhead(const TGPDecodeAhead&) = delete;
    TGPDecodeAhead& operator=(const TGPDecodeAhead&) = delete;

    // Stops the workers after the files they are decoding; nothing more is taken.
    void Cancel();

private:
    std::shared_ptr<gdiplus_detail::DecodeAheadJob> job_;
};
