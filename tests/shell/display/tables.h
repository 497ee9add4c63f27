#pragma once
// Hand-made layout and event tables in the layout's record formats, for
// painting and labelling tests.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct TableBuilder {
    std::vector<uint8_t> bytes;

    void putInt(size_t at, int32_t v)
    {
        for (int i = 0; i < 4; i++)
            bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    }
    size_t begin(size_t length)
    {
        length = (length + 3) & ~size_t(3);
        size_t at = bytes.size();
        bytes.resize(at + length, 0);
        putInt(at, static_cast<int32_t>(length));
        return at;
    }
    void putText(size_t at, const std::string &text) { std::memcpy(&bytes[at], text.data(), text.size()); }

    // Layout records (resolved: xLine and yLine 0).
    size_t header(size_t length, uint32_t type, uint8_t style, int x, int y, int w, int h)
    {
        size_t at = begin(length);
        putInt(at + 4, static_cast<int32_t>(type));
        bytes[at + 8] = style;
        putInt(at + 20, x);
        putInt(at + 24, y);
        putInt(at + 28, w);
        putInt(at + 32, h);
        return at;
    }
    void text(uint8_t style, int x, int y, int w, int h, const std::string &s)
    {
        putText(header(40 + s.size(), 1, style, x, y, w, h) + 36, s);
    }
    void rect(int x, int y, int w, int h) { header(40, 3, 1, x, y, w, h); }
    void image(int x, int y, int w, int h, int naturalW, int naturalH, int dataOffset, const std::string &url,
               uint8_t style = 0)
    {
        size_t at = header(61 + url.size(), 4, style, x, y, w, h);
        putInt(at + 36, naturalW);
        putInt(at + 40, naturalH);
        putInt(at + 44, dataOffset);
        putInt(at + 48, naturalW);
        putInt(at + 52, naturalH);
        putText(at + 56, url);
    }

    // Event records.
    size_t event(size_t length, uint8_t type, const std::string &name)
    {
        size_t at = begin(length);
        bytes[at + 4] = type;
        putText(at + 5, name);
        return at;
    }
    void doEvent(const std::string &name, const std::string &label, const std::string &type)
    {
        size_t at = event(40 + 56 + 3, 3, name);
        putText(at + 44, label);
        putText(at + 60, type);
    }
    void intrinsic(const std::string &name, const std::string &url)
    {
        putText(event(url.size() + 1 + 43, 2, name) + 40, url);
    }

    // The zero terminator, and the rest of the 4096-byte buffer.
    const uint8_t *finish()
    {
        bytes.resize(4096, 0);
        return bytes.data();
    }
};
