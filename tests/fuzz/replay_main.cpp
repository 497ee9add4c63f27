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

int main(int argc, char **argv)
{
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; i++) {
        if (!std::filesystem::is_directory(argv[i])) {
            inputs.emplace_back(argv[i]);
            continue;
        }
        for (const auto &e : std::filesystem::directory_iterator(argv[i])) {
            if (e.is_regular_file())
                inputs.push_back(e.path());
        }
    }
    int failures = 0;
    for (const auto &p : inputs) {
        std::ifstream in(p, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "replay: cannot read %s\n", p.c_str());
            failures++;
            continue;
        }
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    // Empty input is always worth one run.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("replay: %zu inputs\n", inputs.size());
    return failures ? 1 : 0;
}
