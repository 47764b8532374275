// Reading and writing pictures: Windows BMP data (glyph resources) and PNG files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/Surface.h"

namespace gfx {

// Decodes BMP data (with or without the 14-byte "BM" file header; BITMAPINFOHEADER or
// larger, or the 12-byte core header; 1/4/8/24/32 bits per pixel, uncompressed; bottom-up
// or top-down) into out. Malformed, truncated or unsupported data returns false and
// leaves out unchanged; nothing is read past data + size.
bool LoadBmp(const std::uint8_t* data, std::size_t size, Surface& out);

// Encodes s as uncompressed 24-bit bottom-up BMP data with the file header.
std::vector<std::uint8_t> SaveBmp(const Surface& s);

// Writes s as an 8-bit RGB PNG file; false when the file cannot be written or s is empty.
bool SavePng(const Surface& s, const std::string& path);

// Reads a PNG file (any colour type; alpha is dropped) into out; false on any error,
// leaving out unchanged.
bool LoadPng(const std::string& path, Surface& out);

// Reads PNG data from memory into out; false on any error, leaving out unchanged.
bool LoadPng(const std::uint8_t* data, std::size_t size, Surface& out);

}  // namespace gfx
