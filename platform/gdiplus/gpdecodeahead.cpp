// Decoding ahead of a folder load.

#include "platform/gdiplus/gpdecodeahead.h"

TGPDecodeAhead::TGPDecodeAhead(const QStringList& /*files*/, int /*boxWidth*/, int /*boxHeight*/,
                               bool /*embeddedThumbnails*/) {}

TGPDecodeAhead::~TGPDecodeAhead() = default;
