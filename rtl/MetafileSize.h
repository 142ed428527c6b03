#pragma once
// Enhanced metafiles as bytes: the picture size (the frame, in 0.01 mm, in
// pixels of the reference device recorded in the header), and whether the
// records can be walked at all.
#include <cstddef>
#include <cstdint>

// One axis: (FrameHigh - FrameLow) × DevicePixels ÷ (DeviceMillimetres ×
// 100), rounded to the nearest integer, ties to even, exactly. False, with
// Pixels unchanged, for a device size of zero or less, a frame whose high
// edge lies below its low edge, or a result beyond the signed 32-bit range.
bool MetafileFramePixels(std::int32_t FrameLow, std::int32_t FrameHigh, std::int32_t DevicePixels,
                         std::int32_t DeviceMillimetres, std::int32_t& Pixels);

// The bytes of an enhanced metafile can be walked record by record: a
// header record of at least 88 bytes first, every record at least 8 bytes, a
// multiple of 4 and inside the bytes, every object record naming a slot of
// the handle table the header sizes (or, where allowed, a stock object), and
// the EOF record (type 14, at least 20 bytes) last, ending the bytes and
// holding as many palette entries as the header announces, inside itself;
// and inside every record, what its counts and offsets name: points, polygon
// counts, texts and their advances, regions' rectangles, bitmaps' headers,
// colour tables and rows, palette entries, pen styles, gradient vertices
// (and the corners' references to them), comment and escape data. A player
// that steps by the records' sizes and trusts their fields stays inside such
// bytes and stops.
bool MetafileRecordsWellFormed(const unsigned char* Bytes, std::size_t Size);
