#pragma once
// The picture size of an enhanced metafile: its frame, in 0.01 mm, in
// pixels of the reference device recorded in its header.
#include <cstdint>

// One axis: (FrameHigh - FrameLow) × DevicePixels ÷ (DeviceMillimetres ×
// 100), rounded to the nearest integer, ties to even, exactly. False, with
// Pixels unchanged, for a device size of zero or less, a frame whose high
// edge lies below its low edge, or a result beyond the signed 32-bit range.
bool MetafileFramePixels(std::int32_t FrameLow, std::int32_t FrameHigh, std::int32_t DevicePixels,
                         std::int32_t DeviceMillimetres, std::int32_t& Pixels);
