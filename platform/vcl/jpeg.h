#pragma once
// TJPEGImage: a JPEG picture of the class library, as far as the program uses it:
// loaded from a file, it knows its pixel size from the frame header. No pixel is
// decoded.

#include "platform/system/exceptions.h"
#include "platform/system/tobject.h"

#include <QString>

// The file holds no JPEG data the header reader accepts.
class EInvalidGraphic : public Exception { using Exception::Exception; };

class TJPEGImage : public TObject {
public:
    // Reads the frame header of the file. Raises EFOpenError when the file cannot be
    // opened (missing, a folder, not readable) and EInvalidGraphic when it is not
    // JPEG data; the image keeps its earlier size then.
    void LoadFromFile(const QString& FileName);
    // Pixels as the frame header states them (an EXIF orientation is not applied);
    // 0 before a successful load.
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_ = 0;
    int height_ = 0;
};
