// The AVI reader against damaged files: the input itself, and a good file of
// the recording's layout with the input written over its bytes from a
// position the input chooses (so random inputs also reach the stream headers,
// the chunks and the index). Whatever opens must give frames inside the file
// and sound no larger than asked for.
#include "media/avi/AviReader.h"

#include "AviBytes.h"

#include <cstdlib>

namespace {

void exercise(const std::vector<uint8_t>& bytes)
{
    media::AviReader reader;
    if (reader.openMemory(bytes) != media::AviError::None) {
        if (reader.isOpen())
            std::abort();
        return;
    }
    const media::AviInfo& info = reader.info();
    if (info.frameCount == 0)
        std::abort();
    std::vector<uint8_t> jpeg;
    for (uint32_t k = 0; k < info.frameCount && k < 64; ++k)
        if (reader.readFrame(k, jpeg) == media::AviError::None && jpeg.size() > bytes.size())
            std::abort();
    std::vector<uint8_t> sound(3000);
    for (uint64_t at = 0; at < info.soundBytes && at < 100000; at += 2999)
        if (reader.readSound(at, sound) > sound.size())
            std::abort();
    (void)info.durationSeconds();
    (void)reader.frameAt(1.0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    exercise(std::vector<uint8_t>(data, data + size));
    static const std::vector<uint8_t> good = [] {
        std::vector<uint8_t> sound(40000);
        for (size_t i = 0; i < sound.size(); ++i)
            sound[i] = static_cast<uint8_t>(i);
        return avi_test::buildAvi({std::vector<uint8_t>(31, 1), std::vector<uint8_t>(64, 2),
                                   std::vector<uint8_t>(9, 3)},
                                  6.0f, sound);
    }();
    if (size >= 3) {
        std::vector<uint8_t> damaged = good;
        size_t at = (size_t(data[0]) << 8 | data[1]) * 8 % damaged.size();
        if (data[2] & 1)
            at = at % 2100; // the head and the first chunks
        for (size_t i = 3; i < size && at < damaged.size(); ++i, ++at)
            damaged[at] ^= data[i];
        if (data[2] & 2)
            damaged.resize(at);
        exercise(damaged);
    }
    return 0;
}
