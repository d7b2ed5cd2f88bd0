#pragma once
// The lossless transform engine: the transform driver, the EXIF orientation writer,
// the folder scan, the orientation reading and the automatic orientation of a folder.

#include "platform/system/stringlist.h"
#include "platform/vcl/dialogs.h"

#include <QString>
#include <cstdint>
#include <functional>

class TLanguage;
class TGPImage;
class TProgressWindow;

// 1 rotate 90 clockwise, 2 rotate 180, 3 rotate 90 counter-clockwise,
// 4 flip vertical, 5 flip horizontal.
using TTransformCode = int;
// EXIF/TIFF tag 0x0112, 1..8; 0 when absent or unreadable.
using TExifOrientation = uint16_t;

// ---- transform driver (transform.cpp) ------------------------------------------

// The orientation to write after transform `code` (1..5) of a photo whose
// orientation was `old` (1..8).
extern const TExifOrientation OrientationTable[5][8];

// Rotates or flips one JPEG file in place: crop question, read-only question,
// lossless transform, EXIF orientation rewrite, file times restored on request.
// Returns normally also when the user declined a question. Raises Exception with a
// ready, translated message on failure.
void TransformJpeg(TLanguage* Language, const QString& FileName, TTransformCode Transform,
                   bool KeepTimestamp, WindowHandle ParentWnd);

// ---- EXIF orientation writer (exif_writer.cpp) -----------------------------------

// Overwrites the first value of every Orientation entry of the first EXIF APP1 segment
// (the one the image services read) with `Orientation`: IFD0 and the Exif, GPS and
// Interoperability IFDs it leads to, and IFD1's chain. An entry counts when the
// reading rule below reads it as an orientation; its first value is written in the
// entry's own type and width and the file's byte order, in the entry or at its offset
// inside the segment; a single value's padding becomes zero, further values stay.
// With a transform code 1..5, the further pictures an MPF index lists (already turned
// by the library) get each of their own entries rewritten the same way, from their own
// old orientation through OrientationTable. Everything is read before anything is
// written; nothing else is written and the length never changes. Best effort: raises
// nothing. Orientation 0 and no code do not open the file. `Ifd1` false leaves the
// first picture's IFD1 chain as it is: its thumbnail was not turned with the photo.
void WriteExifOrientation(const QString& FileName, TExifOrientation Orientation,
                          TTransformCode Transform = 0, bool Ifd1 = true);
uint16_t Swap16(uint16_t Value);
uint32_t Swap32(uint32_t Value);

// ---- orientation reading (orientation.cpp) ----------------------------------------

// The one rule both the reader and the writer use: an Orientation entry holds an
// orientation only when its type is BYTE, SBYTE, SHORT, SSHORT, LONG or SLONG and its
// count is at least 1. The width of one value of `type` (1, 2 or 4); 0 for every other
// type (ASCII, RATIONAL, UNDEFINED, FLOAT...), which reads as no orientation.
unsigned OrientationValueWidth(uint16_t type);
// The first value of such an entry from its bytes in the given byte order; a negative
// value or one above 65535 reads as 0.
TExifOrientation OrientationValue(uint16_t type, const unsigned char* value, bool bigEndian);

// The Orientation property of a loaded image, read by that rule (the last 0x0112 item
// wins); 0 without.
TExifOrientation GetImageOrientation(TGPImage& Image);
// The orientation of a file: 0 when it cannot be read as an image or has no tag,
// 1 when anything raises while it is read. Never raises.
TExifOrientation GetFileOrientation(const QString& FileName);

// ---- folder scan (folder_scan.cpp) ------------------------------------------------

// Appends Folder + "/" + name for every entry whose extension (from the last ".") is
// ".jpg" or ".jpeg" in any case, in enumeration order; with Recurse a subfolder's
// entries stand at the place of its own entry. Never descends into a folder already
// on the current path of the descent. Raises nothing of its own.
void FindJpegFiles(const QString& Folder, TStringList& List, bool Recurse);

// ---- automatic orientation (auto_orient.cpp, text_wrap.cpp) -----------------------

// The transform that turns a photo of this orientation upright: 3 -> 2, 6 -> 1,
// 8 -> 3; 0 for every other orientation.
TTransformCode AutoOrientationCode(TExifOrientation orientation);

// Turns upright every photo of Folder (and its subfolders with Recurse) whose
// orientation is 3, 6 or 8, after asking (unless the switch "s" is given), with a
// progress window that can be cancelled. Raises what TransformJpeg raises.
void AutoOrientFolder(const QString& Folder, bool Recurse, TLanguage* Language,
                      bool KeepTimestamp, WindowHandle ParentWnd);

// What both automatic-orientation batches (the command line's above and the main
// window's) share: the scan and filter, the texts, the progress loop.
//
// Appends the photos of Folder (and its subfolders with Recurse) whose orientation
// the rule turns, in the scan's order.
void FindPhotosToTurn(const QString& Folder, bool Recurse, TStringList& List);
// The notice that nothing was found and the question before the batch, translated
// with Language (nullptr: English), filled with Name (and Count), wrapped at 50
// columns; and the progress window's label.
QString AutoOrientNoticeText(const TLanguage* Language, const QString& Name);
QString AutoOrientQuestionText(const TLanguage* Language, const QString& Name, int Count);
QString AutoOrientProgressText(const TLanguage* Language);
// The batch's loop over the photos FindPhotosToTurn kept, the progress bounds set to
// their count: a photo that is gone is passed over (no pump, no cancel test, no
// step); otherwise messages are pumped once, Cancel ends the loop, the photo's
// orientation is read again and Transform runs with the rule's code (not for an
// orientation that changed meanwhile), then AfterFile (may be empty) and one
// progress step. What Transform raises ends the loop and passes on.
void TurnPhotosUpright(const TStringList& List, TProgressWindow& Progress,
                       const std::function<void(const QString&, TTransformCode)>& Transform,
                       const std::function<void(const QString&)>& AfterFile);

// Breaks text into lines of at most MaxCol characters at tab, space and "-"
// (CR LF line breaks; quoted text is never broken; a line without a break character
// is never cut).
QString WrapText(const QString& Line, int MaxCol = 50);
