#pragma once
// Packed device-independent bitmaps as bytes (CF_DIB, CF_DIBV5): a header,
// the colour masks or table, then the pixels.
#include <cstddef>
#include <cstdint>

struct PackedDibSize {
    std::int32_t Width = 0;   // pixels, positive
    std::int32_t Height = 0;  // pixels, positive whatever the orientation
};

// True when the header describes a bitmap that Windows can convert and
// every byte the conversion reads lies within Size: a core (12-byte) or
// info header of 40, 52, 56, 108 or 124 bytes; one plane; a positive width
// and a height other than 0; uncompressed 1, 4, 8, 16, 24 or 32 bits,
// bit fields of 16 or 32 bits with their masks, or RLE8 / RLE4 bottom-up
// with their stated size; no more colours than the depth allows; and all
// rows present. Dimensions then holds the bitmap's size.
bool PackedDibWellFormed(const unsigned char* Bytes, std::size_t Size, PackedDibSize& Dimensions);
