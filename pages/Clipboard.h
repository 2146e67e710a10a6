#pragma once
// CClipboard: copies of text (the settings list, the statistics) and of bitmaps (the waveform chart)
// to the system clipboard.
#include <cstddef>
#include <cstdint>
#include <string>

class CClipboard {
public:
    // Puts `text` (UTF-8) on the clipboard; false (nothing copied) when there is no clipboard.
    static bool CopyText(const std::string& text);
    // Puts a device-independent bitmap on the clipboard: `header` is the 40-byte bitmap header
    // (width, height, 24 bits per pixel, image size n) and `bits` its n bytes of rows, bottom row
    // first. False (nothing copied) for a header that is not of that kind or bits that are too short.
    static bool CopyBitmap(const uint8_t* header, const uint8_t* bits, size_t bitsLength);
};
