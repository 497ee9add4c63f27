// decompile_deck DECK: the source view of a compiled deck file on standard
// output, through the in-memory cache. Exit status 0 when Decompile
// answered 0; otherwise its result is printed on standard error.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/log.h"
#include "tests/wml/fakes.h"
#include "wml/decompile.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: decompile_deck DECK.wmlc\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "decompile_deck: cannot read %s\n", argv[1]);
        return 2;
    }
    Log_setMode(LOG_OFF);
    fakeCachePut("file:deck", 20, std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {}));
    int result = Decompile("file:deck", stdout);
    if (result != 0) {
        std::fprintf(stderr, "decompile_deck: %s: result %d\n", argv[1], result);
        return 1;
    }
    return 0;
}
