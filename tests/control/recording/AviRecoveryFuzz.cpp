// Recovery of damaged unfinished recordings: a valid head, then chunks built
// from the input (whole, cut, oversized, odd, out of order, foreign). The
// recovery must never crash, and whatever it finishes must hold only whole
// frames with a matching index.
#include "control/recording/AviRecovery.h"
#include "media/avi/AviLayout.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

using namespace strovix::recording;
using namespace media;

namespace {

// Removed with its contents at exit.
struct FuzzFolder {
    FuzzFolder()
    {
        path = (::access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string())
            + "/oculon-fuzz-XXXXXX";
        if (!::mkdtemp(path.data()))
            std::abort();
    }
    ~FuzzFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

const std::string& folder()
{
    static const FuzzFolder folder;
    return folder.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t at = 0;
    const auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };

    AviHeadFields fields;
    fields.width = next() * 8u;
    fields.height = next() * 8u;
    fields.rate = static_cast<float>(next()) / 4.0f;
    AviHeadImage head = buildAviHead(fields);
    if (next() % 8 == 0)
        head[2044] = 'x'; // not a head of ours
    std::vector<uint8_t> file(head.begin(), head.end());
    if (next() % 16 == 0)
        file.resize(next() * 8u); // cut inside the head

    // Small chunks, at most 256 of them: the file stays below 1 MB.
    for (int chunks = 0; at < size && chunks < 256; ++chunks) {
        const uint8_t kind = next();
        const uint32_t length = static_cast<uint32_t>(next()) << 4 | (next() & 0x0F);
        const char* id = kind % 5 == 0 ? "01wb" : kind % 5 == 1 ? "idx1" : kind % 5 == 2 ? "junk" : "00db";
        uint8_t header[8];
        std::memcpy(header, id, 4);
        putU32(header + 4, kind % 7 == 0 ? 0xFFFFFFF0u : length);
        file.insert(file.end(), header, header + 8);
        const size_t body = std::min<size_t>(length + (length & 1u), kind % 3 == 0 ? length / 2 : length + 1);
        file.insert(file.end(), body, static_cast<uint8_t>(kind));
    }

    const std::string name = folder() + "/.cam~fuzz00.avi.part";
    {
        std::ofstream out(name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    for (const auto& finished : recoverUnfinishedAvi(folder())) {
        std::ifstream in(finished, std::ios::binary);
        const std::vector<uint8_t> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const uint32_t frames = getU32(f.data() + 48);
        const uint32_t moviEnd = getU32(f.data() + 2040) + kMoviIdOffset;
        const uint32_t indexBytes = getU32(f.data() + moviEnd + 4);
        if (f.size() < kAviHeadSize || frames == 0 || f.size() != moviEnd + 8 + indexBytes
            || getU32(f.data() + 4) != f.size() - 8 || indexBytes < frames * kIndexEntryBytes)
            std::abort();
        for (uint32_t i = 0; i < indexBytes / kIndexEntryBytes; ++i) {
            const uint8_t* entry = f.data() + moviEnd + 8 + i * kIndexEntryBytes;
            const uint64_t chunk = uint64_t{getU32(entry + 8)} + kMoviIdOffset;
            if (chunk + 8 + getU32(entry + 12) > moviEnd || std::memcmp(f.data() + chunk, entry, 4) != 0)
                std::abort();
        }
        std::remove(finished.c_str());
    }
    std::remove(name.c_str());
    return 0;
}
