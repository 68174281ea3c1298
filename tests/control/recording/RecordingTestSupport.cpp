#include "RecordingTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <jpeglib.h>
#include <map>

namespace recording_test {
namespace {

Bytes encode(int width, int height, int shade)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 20, TRUE);
    c.optimize_coding = TRUE;
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            row[static_cast<size_t>(x) * 3] = static_cast<unsigned char>(shade);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<unsigned char>(x < 16 ? 40 : 90);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<unsigned char>(y < 16 ? 200 : 60);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes jpeg(out, out + outSize);
    std::free(out);
    return jpeg;
}

} // namespace

Bytes makeJpeg(int width, int height, size_t totalSize, int shade)
{
    static std::map<std::tuple<int, int, int>, Bytes> cache;
    auto& base = cache[{width, height, shade}];
    if (base.empty())
        base = encode(width, height, shade);
    Bytes jpeg = base;
    if (totalSize == 0 || totalSize == jpeg.size())
        return jpeg;
    if (totalSize < jpeg.size() + 4)
        { std::fprintf(stderr, "picture of %dx%d needs %zu bytes\n", width, height, jpeg.size()); std::abort(); } // the test asked for less than the picture needs
    // Comment segments right after SOI, 4 bytes of marker and length each.
    size_t missing = totalSize - jpeg.size();
    Bytes padding;
    while (missing > 0) {
        size_t segment = std::min<size_t>(missing, 65535 + 2);
        if (missing - segment > 0 && missing - segment < 4)
            segment -= 4; // leave room for one more whole segment
        const size_t length = segment - 2;
        padding.push_back(0xFF);
        padding.push_back(0xFE);
        padding.push_back(static_cast<uint8_t>(length >> 8));
        padding.push_back(static_cast<uint8_t>(length));
        padding.insert(padding.end(), length - 2, 'x');
        missing -= segment;
    }
    jpeg.insert(jpeg.begin() + 2, padding.begin(), padding.end());
    return jpeg;
}

MemoryTempDir::MemoryTempDir()
{
    const bool shm = ::access("/dev/shm", W_OK) == 0;
    std::string pattern = (shm ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string())
        + "/oculon-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        std::abort();
    m_path = pattern;
}

MemoryTempDir::~MemoryTempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t u32(const Bytes& b, size_t offset)
{
    if (offset + 4 > b.size())
        return 0xDEADBEEF;
    return static_cast<uint32_t>(b[offset]) | static_cast<uint32_t>(b[offset + 1]) << 8
        | static_cast<uint32_t>(b[offset + 2]) << 16 | static_cast<uint32_t>(b[offset + 3]) << 24;
}

std::string fourcc(const Bytes& b, size_t offset)
{
    if (offset + 4 > b.size())
        return "";
    return std::string(b.begin() + static_cast<long>(offset), b.begin() + static_cast<long>(offset) + 4);
}

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> filesEndingWith(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> out;
    for (const auto& n : filesIn(folder))
        if (n.size() >= suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
            out.push_back(n);
    return out;
}

bool ffprobeAvailable()
{
    static const bool available = std::system("ffprobe -version >/dev/null 2>&1") == 0;
    return available;
}

namespace {

std::optional<std::string> runCommand(const std::string& command)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    if (::pclose(pipe) != 0)
        return std::nullopt;
    return out;
}

} // namespace

std::optional<Probe> probe(const std::string& path)
{
    const std::string command = "ffprobe -v error -count_frames -show_entries "
                                "stream=codec_type,codec_name,width,height,nb_frames,nb_read_frames,r_frame_rate,"
                                "sample_rate,channels:format=duration -of json '"
        + path + "' 2>/dev/null";
    const auto out = runCommand(command);
    if (!out)
        return std::nullopt;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(*out)).object();
    Probe p;
    for (const auto& value : root.value("streams").toArray()) {
        const QJsonObject s = value.toObject();
        if (s.value("codec_type").toString() == "video") {
            p.videoCodec = s.value("codec_name").toString().toStdString();
            p.width = s.value("width").toInt();
            p.height = s.value("height").toInt();
            p.headerFrames = s.value("nb_frames").toString("-1").toLong();
            p.readFrames = s.value("nb_read_frames").toString("-1").toLong();
            p.frameRate = s.value("r_frame_rate").toString().toStdString();
        } else if (s.value("codec_type").toString() == "audio") {
            p.audioCodec = s.value("codec_name").toString().toStdString();
            p.sampleRate = s.value("sample_rate").toString().toInt();
            p.channels = s.value("channels").toInt();
        }
    }
    p.duration = root.value("format").toObject().value("duration").toString("0").toDouble();
    if (!p.audioCodec.empty() && p.sampleRate > 0 && p.channels > 0) {
        // The sound's length: the bytes of all its packets as the reader
        // delivers them, in 16-bit samples.
        const auto sizes = runCommand("ffprobe -v error -select_streams a -show_entries packet=size -of csv=p=0 '" + path
                                      + "' 2>/dev/null");
        if (!sizes)
            return std::nullopt;
        long long bytes = 0;
        size_t start = 0;
        while (start < sizes->size()) {
            const size_t end = std::min(sizes->find('\n', start), sizes->size());
            bytes += std::atoll(sizes->substr(start, end - start).c_str());
            start = end + 1;
        }
        p.audioDuration = static_cast<double>(bytes) / (2.0 * p.sampleRate * p.channels);
    }
    return p;
}

} // namespace recording_test
