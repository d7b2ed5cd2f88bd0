#pragma once
// The pixel size a JPEG file's frame header states, read with libjpeg: the markers up
// to the first scan are parsed, no pixel is decoded. An EXIF orientation is not
// applied (a photo stored as 4000 x 3000 reads 4000 x 3000 whatever its tag says).

#include <QString>

struct JpegFrameSize {
    int width = 0;
    int height = 0;
    // The main picture's block (MCU) that a lossless transform works in: 8 x Hmax by
    // 8 x Vmax over its components, 8 x 8 for a single component. An APPn segment
    // (an EXIF thumbnail's frame) never decides.
    int blockWidth = 8;
    int blockHeight = 8;
};

// False (and `error` set to libjpeg's message, or the system's when the file cannot
// be opened) for a missing or unreadable file and for anything that is not JPEG
// data. Never raises and never ends the process, whatever the file holds.
bool ReadJpegFrameSize(const QString& path, JpegFrameSize& size, QString* error = nullptr);
