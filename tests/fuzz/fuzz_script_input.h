#pragma once
// The script fuzz targets' input: a function name (at most 32 bytes), a
// newline, then the unit's bytes. Without a newline the name is empty and
// everything is the unit.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct FuzzScriptInput {
    std::string name;
    std::vector<uint8_t> unit;
};

inline FuzzScriptInput splitFuzzScriptInput(const uint8_t *data, size_t size)
{
    FuzzScriptInput input;
    if (size == 0)
        return input;
    const void *newline = std::memchr(data, '\n', size < 33 ? size : 33);
    size_t nameLength = newline ? static_cast<size_t>(static_cast<const uint8_t *>(newline) - data) : 0;
    input.name.assign(reinterpret_cast<const char *>(data), nameLength);
    size_t skip = newline ? nameLength + 1 : 0;
    input.unit.assign(data + skip, data + size);
    return input;
}
