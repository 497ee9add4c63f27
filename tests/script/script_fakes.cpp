// Compiled test units for the script tests.
#include "tests/script/script_fakes.h"

#include <fstream>
#include <iterator>

#ifndef WMLS_DIR
#define WMLS_DIR "."
#endif

std::vector<uint8_t> readCompiledUnit(const std::string &name)
{
    std::ifstream in(std::string(WMLS_DIR) + "/" + name + ".wmlsc", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool fakeCachePutUnit(const std::string &url, const std::string &name)
{
    std::vector<uint8_t> bytes = readCompiledUnit(name);
    if (bytes.empty())
        return false;
    fakeCachePut(url, 0x15, bytes);
    return true;
}
