// Replays a fuzz target's corpus (files or directories given as
// arguments) without libFuzzer, so that the ordinary suite, and its
// sanitizer run, keep every saved input passing.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static int replayFile(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", p.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 0;
}

int main(int argc, char **argv)
{
    int failures = 0, count = 0;
    for (int i = 1; i < argc; i++) {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto &e : std::filesystem::directory_iterator(p)) {
                if (e.is_regular_file()) {
                    failures += replayFile(e.path());
                    count++;
                }
            }
        } else {
            failures += replayFile(p);
            count++;
        }
    }
    // Empty input is always worth one run.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("replay: %d inputs\n", count);
    return failures ? 1 : 0;
}
