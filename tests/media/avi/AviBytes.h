#pragma once

// Motion-JPEG AVI files built in memory with the recording's own layout (the
// head and the index of media/avi/AviLayout.h), for the reader's tests and its
// fuzz target: any bytes can stand for the pictures.

#include "media/avi/AviLayout.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace avi_test {

inline std::vector<uint8_t> buildAvi(const std::vector<std::vector<uint8_t>>& frames, float rate,
                                     const std::vector<uint8_t>& sound = {}, uint32_t width = 320,
                                     uint32_t height = 240)
{
    std::vector<uint8_t> file(media::kAviHeadSize);
    std::vector<media::IndexEntry> video;
    std::vector<media::IndexEntry> audio;
    const auto chunk = [&](const char* id, const uint8_t* data, uint32_t size) {
        const uint64_t pos = file.size();
        file.resize(pos + 8 + size + (size & 1));
        std::memcpy(file.data() + pos, id, 4);
        media::putU32(file.data() + pos + 4, size);
        if (size > 0)
            std::memcpy(file.data() + pos + 8, data, size);
        return static_cast<uint32_t>(pos - media::kMoviIdOffset);
    };
    for (const auto& f : frames)
        video.emplace_back(chunk("00db", f.data(), static_cast<uint32_t>(f.size())), static_cast<uint32_t>(f.size()));
    for (size_t at = 0; at < sound.size(); at += media::kAudioChunkBytes) {
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(media::kAudioChunkBytes, sound.size() - at));
        audio.emplace_back(chunk("01wb", sound.data() + at, n), n);
    }
    const uint32_t moviEnd = static_cast<uint32_t>(file.size());
    const auto index = media::buildIndexChunk(video, audio);
    file.insert(file.end(), index.begin(), index.end());
    media::AviHeadFields fields;
    fields.width = width;
    fields.height = height;
    fields.frames = static_cast<uint32_t>(frames.size());
    fields.rate = rate;
    fields.audioBytes = static_cast<uint32_t>(sound.size());
    fields.moviEnd = moviEnd;
    fields.fileLength = static_cast<uint32_t>(file.size());
    const auto head = media::buildAviHead(fields);
    std::memcpy(file.data(), head.data(), head.size());
    return file;
}

} // namespace avi_test
