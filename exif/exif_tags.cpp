#include "exif/exif_tags.h"

#include "exif/exif_format.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr TExifValueName kThresholding[] = {
    {0, "Unknown"},
    {1, "No dithering or halftoning"},
    {2, "Ordered dither or halftone"},
    {3, "Randomized dither"},
};

constexpr TExifValueName kOrientation[] = {
    {1, "Top/left-hand side (Normal)"},
    {2, "Top/right-hand side (Mirror horizontal)"},
    {3, "Bottom/right-hand side (Rotate 180)"},
    {4, "Bottom/left-hand side(Mirror vertical)"},
    {5, "Left-hand side/top (Mirror horizontal and rotate 90 CCW)"},
    {6, "Right-hand side/top (Rotate 90 CW)"},
    {7, "Right-hand side/bottom (Mirror horizontal and rotate 90 CW)"},
    {8, "Left-hand side/bottom (Rotate 90 CCW)"},
};

constexpr TExifValueName kResolutionUnit[] = {
    {0, "Unknown"},
    {1, "No-unit"},
    {2, "inches"},
    {3, "cm"},
};

constexpr TExifValueName kExposureProgram[] = {
    {0, "Not defined"},
    {1, "Manual control"},
    {2, "Program normal"},
    {3, "Aperture priority"},
    {4, "Shutter speed priority"},
    {5, "Creative (Slow speed)"},
    {6, "Action (High speed)"},
    {7, "Portrait mode (background out of focus)"},
    {8, "Landscape mode (background in focus)"},
};

constexpr TExifValueName kMeteringMode[] = {
    {0, "Unknown"}, {1, "Average"},     {2, "Center weighted average"},
    {3, "Spot"},    {4, "Multi-spot"},  {5, "Multi-segment"},
    {6, "Partial"}, {255, "Other"},
};

constexpr TExifValueName kLightSource[] = {
    {0, "Unknown"},
    {1, "Daylight"},
    {2, "Fluorescent"},
    {3, "Tungsten (incandescent light)"},
    {4, "Flash"},
    {9, "Fine weather"},
    {10, "Cloudy"},
    {11, "Shade"},
    {12, "Daylight fluorescent (D 5700 - 7100K)"},
    {13, "Day white fluorescent (N 4600 - 5400K)"},
    {14, "Cool white fluorescent (W 3900 - 4500K)"},
    {15, "White fluorescent (WW 3200 - 3700K)"},
    {17, "Standard light A"},
    {18, "Standard light B"},
    {19, "Standard light C"},
    {20, "D55"},
    {21, "D65"},
    {22, "D75"},
    {23, "D50"},
    {24, "ISO studio tungsten"},
    {255, "Other light source"},
};

constexpr TExifValueName kFlash[] = {
    {0, "Flash did not fire"},
    {1, "Flash fired"},
    {5, "Strobe return light not detected"},
    {7, "Strobe return light detected"},
    {9, "Flash fired, compulsory flash mode"},
    {13, "Flash fired, compulsory flash mode, return light not detected"},
    {15, "Flash fired, compulsory flash mode, return light detected"},
    {16, "Flash did not fire, compulsory flash mode"},
    {24, "Flash did not fire, auto mode"},
    {25, "Flash fired, auto mode"},
    {29, "Flash fired, auto mode, return light not detected"},
    {31, "Flash fired, auto mode, return light detected"},
    {32, "No flash function"},
    {65, "Flash fired, red-eye reduction mode"},
    {69, "Flash fired, red-eye reduction mode, return light not detected"},
    {71, "Flash fired, red-eye reduction mode, return light detected"},
    {73, "Flash fired, compulsory flash mode, red-eye reduction mode"},
    {77, "Flash fired, compulsory flash mode, red-eye reduction mode, return light not detected"},
    {79, "Flash fired, compulsory flash mode, red-eye reduction mode, return light detected"},
    {89, "Flash fired, auto mode, red-eye reduction mode"},
    {93, "Flash fired, auto mode, return light not detected, red-eye reduction mode"},
    {95, "Flash fired, auto mode, return light detected, red-eye reduction mode"},
};

constexpr TExifValueName kExposureMode[] = {{0, "Auto"}, {1, "Manual"}, {2, "Auto bracket"}};
constexpr TExifValueName kWhiteBalance[] = {{0, "Auto"}, {1, "Manual"}};
constexpr TExifValueName kSceneCaptureType[] = {
    {0, "Standard"}, {1, "Landscape"}, {2, "Portrait"}, {3, "Night"}};
constexpr TExifValueName kGainControl[] = {
    {0, "None"},          {1, "Low gain up"},     {2, "High gain up"},
    {3, "Low gain down"}, {4, "High gain down"},
};
constexpr TExifValueName kContrast[] = {{0, "Normal"}, {1, "Soft"}, {2, "Hard"}};
constexpr TExifValueName kSaturation[] = {{0, "Normal"}, {1, "Low"}, {2, "High"}};
constexpr TExifValueName kSharpness[] = {{0, "Normal"}, {1, "Soft"}, {2, "Hard"}};
constexpr TExifValueName kSubjectDistanceRange[] = {
    {0, "Unknown"}, {1, "Macro"}, {2, "Close view"}, {3, "Distant view"}};

constexpr std::span<const TExifValueName> kFormatted;

constexpr TExifTag kTags[] = {
    {0x0100, "Image width", kFormatted},
    {0x0101, "Image height", kFormatted},
    {0x0107, "Thresholding", kThresholding},
    {0x010F, "Digicam manufacturer", kFormatted},
    {0x0110, "Digicam model", kFormatted},
    {0x0112, "Orientation of the camera", kOrientation},
    {0x011A, "X-Resolution", kFormatted},
    {0x011B, "Y-Resolution", kFormatted},
    {0x0128, "Resolution unit", kResolutionUnit},
    {0x0132, "Date/time (Modify)", kFormatted},
    {0x829A, "Exposure time (sec)", kFormatted},
    {0x829D, "F-number", kFormatted},
    {0x8822, "Explosure program", kExposureProgram},
    {0x8827, "CCD sensitivity (ISO)", kFormatted},
    {0x9003, "Original date/time (when the original image data was generated)", kFormatted},
    {0x9004, "Digitized date/time (when the image was stored as digital data)", kFormatted},
    {0x9102, "Compression (bits per pixel)", kFormatted},
    {0x9201, "Shutter speed", kFormatted},
    {0x9202, "Aperture value", kFormatted},
    {0x9203, "Brightness value", kFormatted},
    {0x9204, "Exposure bias value (Exposure compensation)", kFormatted},
    {0x9205, "Max. lens aperture value (The smallest F number of the lens)", kFormatted},
    {0x9206, "Distance to focus point (m)", kFormatted},
    {0x9207, "Metering mode", kMeteringMode},
    {0x9208, "Light source", kLightSource},
    {0x9209, "Flash", kFlash},
    {0x920A, "Actual focal length (mm)", kFormatted},
    {0xA402, "Exposure mode", kExposureMode},
    {0xA403, "White balance", kWhiteBalance},
    {0xA405, "Equivalent focal length for 35mm film cam (mm)", kFormatted},
    {0xA406, "Scene capture type", kSceneCaptureType},
    {0xA407, "Gain control", kGainControl},
    {0xA408, "Contrast", kContrast},
    {0xA409, "Saturation", kSaturation},
    {0xA40A, "Sharpness", kSharpness},
    {0xA40C, "Distance to the subject", kSubjectDistanceRange},
};

static_assert(std::size(kTags) == 36);
static_assert(std::is_sorted(std::begin(kTags), std::end(kTags),
                             [](const TExifTag& a, const TExifTag& b) { return a.number < b.number; }),
              "FindExifTag searches the table by halves");

}  // namespace

std::span<const TExifTag> ExifTags() { return kTags; }

const TExifTag* FindExifTag(uint32_t id) {
    const auto* it = std::lower_bound(std::begin(kTags), std::end(kTags), id,
                                      [](const TExifTag& t, uint32_t n) { return t.number < n; });
    return it != std::end(kTags) && it->number == id ? it : nullptr;
}

std::optional<TExifRow> DescribeExifProperty(uint32_t id, uint16_t type, uint32_t length,
                                             const void* value) {
    const TExifTag* tag = FindExifTag(id);
    if (!tag) return std::nullopt;
    TExifRow row{QString::fromLatin1(tag->label), QString()};
    if (tag->names.empty()) {
        row.value = FormatPropertyValue(value, type, id, length);
        return row;
    }
    if (!value || length < 2) {
        row.value = kValueNotAvailable;
        return row;
    }
    // The first two bytes whatever the type: a SHORT's value, a LONG's low half.
    uint16_t number;
    std::memcpy(&number, value, 2);
    for (const TExifValueName& n : tag->names)
        if (n.value == number) {
            row.value = QString::fromLatin1(n.name);
            return row;
        }
    row.value = FormatPropertyValue(value, type, id, length);
    return row;
}
