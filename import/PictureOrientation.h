#pragma once
// Pictures that their file says to turn (the EXIF orientation of JPEG files
// from cameras and phones): the picture is fitted and shown turned, and a
// decoder hands each decoded row over where it lies in the turned picture.

#include "import/PictureSink.h"

#include <cstdint>
#include <span>

namespace zarn {

// The orientation (1 to 8) an EXIF block gives, from the APP1 data of a JPEG
// file ("Exif", two zero bytes, then the TIFF header and its first directories);
// 1 when it gives none or an invalid one.
int exifOrientation(std::span<const std::uint8_t> app1);

// Orientations 5 to 8 swap width and height.
PictureSize turnedSize(int orientation, int width, int height);

// Begins a picture of RGB rows stored width x height and shown turned by
// `orientation`; false when the sink refuses it. *leastStored is the least
// size the sink needs, in the file's own (unturned) orientation: what a
// decoder that scales while it decodes aims at.
bool beginTurnedRgb(PictureSink& sink, int orientation, int width, int height, PictureSize* leastStored);

// Where decoded row `row` of a width x height picture lies once turned: its first
// pixel and the step to the next, for PictureSink::run.
struct RowPlace {
    int x = 0, y = 0, dx = 1, dy = 0;
};
RowPlace placeOfRow(int orientation, int width, int height, int row);

} // namespace zarn
