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

// Whether the first baseline frame header (FF C0 00 11) in the first 32,768 bytes
// gives its first component the sampling 2x1 (byte 0x21). Reads nothing beyond those
// bytes; false on any error. Never raises.
bool IsH2V1Sampled(const QString& FileName);

// ---- EXIF orientation writer (exif_writer.cpp) -----------------------------------

// Overwrites the value field of every Orientation entry of IFD0, the Exif IFD and the
// IFD1 chain of the file's first EXIF APP1 segment (the one the image services read)
// with `Orientation`, in the file's byte order: a single SHORT as two bytes and two
// zero bytes, a single LONG as four bytes; any other type or count is left alone.
// The walk stays inside the segment and reads everything before it writes; nothing
// else is written and the length never changes. Best effort: raises nothing.
// Orientation 0 does not open the file. `Ifd1` false leaves IFD1's entries as they
// are: its thumbnail was not turned with the photo.
void WriteExifOrientation(const QString& FileName, TExifOrientation Orientation,
                          bool Ifd1 = true);
uint16_t Swap16(uint16_t Value);
uint32_t Swap32(uint32_t Value);

// ---- orientation reading (orientation.cpp) ----------------------------------------

// The Orientation property of a loaded image (the last 0x0112 item wins); 0 without.
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
