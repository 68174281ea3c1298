// Runs a libFuzzer entry point without libFuzzer: a fixed set of edge inputs,
// then pseudo-random inputs (a fixed seed, so a failure repeats), then any
// files named on the command line after the count.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

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
    for (int a = 2; a < argc; ++a) {
        std::ifstream in(argv[a], std::ios::binary);
        std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(file.data(), file.size());
    }
    std::printf("fuzz driver: %ld inputs, no fault\n", runs + static_cast<long>(edges.size()));
    return 0;
}
