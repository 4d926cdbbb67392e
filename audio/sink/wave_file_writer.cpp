#include "audio/sink/wave_file_writer.h"

#include <cstring>

namespace mr::audio {
namespace {

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

void BuildWaveHeader(const PcmFormat& f, uint32_t fileBytes, uint8_t out[kWaveHeaderBytes]) {
    std::memcpy(out, "RIFF", 4);
    Put32(out + 4, fileBytes - 8);
    std::memcpy(out + 8, "WAVEfmt ", 8);
    Put32(out + 16, 16);
    Put16(out + 20, f.formatTag);
    Put16(out + 22, f.channels);
    Put32(out + 24, f.samplesPerSecond);
    Put32(out + 28, f.avgBytesPerSecond);
    Put16(out + 32, f.blockAlign);
    Put16(out + 34, f.bitsPerSample);
    std::memcpy(out + 36, "data", 4);
    Put32(out + 40, fileBytes - kWaveHeaderBytes);
}

WaveFileWriter::~WaveFileWriter() {
    Close();
}

bool WaveFileWriter::Open(std::u16string_view path) {
    Close();
    const fs::Handle h = fs::Open(path, fs::kWrite, fs::kShareRead, fs::Disposition::CreateAlways);
    if (h == fs::kInvalidHandle) return false;
    if (!fs::Seek(h, kWaveHeaderBytes, fs::Origin::Begin)) {
        fs::Close(h);
        return false;
    }
    file_ = h;
    return true;
}

bool WaveFileWriter::Append(const void* bytes, uint32_t n) {
    if (!IsOpen()) return false;
    if (n == 0) return true;
    if (!fs::Write(file_, bytes, n)) {
        Close();
        return false;
    }
    return true;
}

bool WaveFileWriter::Finish(const PcmFormat& format) {
    if (!IsOpen()) return false;
    uint64_t size = 0;
    if (!fs::Size(file_, &size) || size >= kWaveFileLimitBytes) {
        Close();
        return false;
    }
    // Nothing written yet: the file is still empty, its header is all it gets.
    if (size < kWaveHeaderBytes) size = kWaveHeaderBytes;
    uint8_t header[kWaveHeaderBytes];
    BuildWaveHeader(format, static_cast<uint32_t>(size), header);
    const bool ok = fs::Seek(file_, 0, fs::Origin::Begin) && fs::Write(file_, header, kWaveHeaderBytes);
    Close();
    return ok;
}

void WaveFileWriter::Close() {
    if (IsOpen()) {
        fs::Close(file_);
        file_ = fs::kInvalidHandle;
    }
}

}  // namespace mr::audio
