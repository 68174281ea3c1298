// Runs a libFuzzer entry point without libFuzzer: a fixed set of edge inputs,
// then pseudo-random inputs (a fixed seed, so a failure repeats), then every
// seed named on the command line after the count (a file, or a folder whose
// files are taken in name order), each seed also with a few bytes changed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The files of a seed argument: the file itself, or a folder's files.
std::vector<std::filesystem::path> seedFiles(const std::filesystem::path& arg)
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(arg, ec))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    } else {
        files.push_back(arg);
    }
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    const long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
    const std::vector<std::string> edges = {"", "\0", "\xff", std::string(4096, '\xff'),
                                            std::string(3000, 'a'), "\r\n\r\n", "-", ","};
    for (const auto& e : edges)
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(e.data()), e.size());

    static const char alphabet[] = "0123456789,*-_!. \r\n=abcAVIJPGxyz\xff\xd8\xd9";
    std::mt19937 rng(12345);
    std::vector<uint8_t> buf;
    for (long i = 0; i < runs; ++i) {
        const size_t n = rng() % (i % 10 == 0 ? 65536 : 512);
        buf.resize(n);
        // Bias towards a small alphabet so parsers meet their delimiters.
        const bool text = rng() % 2;
        for (auto& b : buf)
            b = text ? static_cast<uint8_t>(alphabet[rng() % (sizeof alphabet - 1)])
                     : static_cast<uint8_t>(rng());
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    long seeds = 0, mutated = 0;
    for (int a = 2; a < argc; ++a) {
        for (const auto& path : seedFiles(argv[a])) {
            const std::vector<uint8_t> seed = readFile(path);
            LLVMFuzzerTestOneInput(seed.data(), seed.size());
            ++seeds;
            // A seed reaches deep into its parser; small changes to it test
            // the paths a random input never finds.
            for (int round = 0; round < 16 && !seed.empty(); ++round) {
                buf = seed;
                for (int flips = 1 + static_cast<int>(rng() % 4); flips > 0; --flips)
                    buf[rng() % buf.size()] = static_cast<uint8_t>(rng());
                if (round % 4 == 3)
                    buf.resize(rng() % buf.size());
                LLVMFuzzerTestOneInput(buf.data(), buf.size());
                ++mutated;
            }
        }
    }
    if (argc > 2 && seeds == 0) {
        std::fprintf(stderr, "fuzz driver: no seed found\n");
        return 1;
    }
    std::printf("fuzz driver: %ld inputs, %ld seeds, %ld changed seeds, no fault\n",
                runs + static_cast<long>(edges.size()), seeds, mutated);
    return 0;
}
