#pragma once
// Device-independent bitmaps as bytes: a header, the colour masks or table,
// then the pixels; packed in one block (CF_DIB, CF_DIBV5), or with the
// pixels apart from the header, as metafile records hold them.
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

// The same rules for a bitmap kept in two parts: the header with its masks
// and colour table in InfoSize bytes at Info, the pixels in PixelSize bytes
// elsewhere. Usage is how the pixels name colours, and so what the colour
// table holds: 0 (DIB_RGB_COLORS) colours, 1 (DIB_PAL_COLORS) 16-bit indices
// into the selected palette, 2 (DIB_PAL_INDICES) nothing; other values are
// refused. Only the first Rows rows need be present (a band of a taller
// bitmap); pass UINT32_MAX for all of them.
bool DibPartsWellFormed(const unsigned char* Info, std::size_t InfoSize, std::uint64_t PixelSize,
                        std::uint32_t Usage, std::uint32_t Rows);
