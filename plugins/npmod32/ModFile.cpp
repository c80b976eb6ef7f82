// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace npmod32 {
namespace {

std::uint32_t Little(const std::vector<char>& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | std::uint8_t(bytes[at + std::size_t(i)]);
    return value;
}

// The first entry of a ZIP archive, from its local header. Sizes that the
// header leaves to a trailing descriptor are found by inflating to the
// stream's end.
bool Unzip(std::vector<char>& data)
{
    constexpr std::size_t kHeader = 30;
    if (data.size() < kHeader)
        return false;
    const std::uint32_t method = Little(data, 8, 2);
    const std::size_t packed = Little(data, 18, 4);
    const std::size_t size = Little(data, 22, 4);
    const std::size_t start = kHeader + Little(data, 26, 2) + Little(data, 28, 2);
    if (start > data.size())
        return false;
    const std::size_t available = data.size() - start;
    if (method == 0) {
        if (size == 0 || size > available)
            return false;
        data = std::vector<char>(data.begin() + std::ptrdiff_t(start),
                                 data.begin() + std::ptrdiff_t(start + size));
        return true;
    }
    if (method != 8)
        return false;
    // The stated size only guides the first allocation: a header may lie.
    std::vector<char> out(std::clamp<std::size_t>(size, std::size_t(1) << 16, std::size_t(1) << 24));
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef*>(data.data() + start);
    z.avail_in = uInt(packed > 0 && packed <= available ? packed : available);
    int result = Z_OK;
    while (result == Z_OK) {
        if (z.total_out == out.size()) {
            if (out.size() >= kMaxModuleBytes)
                break;
            out.resize(std::min(out.size() * 2, kMaxModuleBytes));
        }
        z.next_out = reinterpret_cast<Bytef*>(out.data() + z.total_out);
        z.avail_out = uInt(out.size() - z.total_out);
        result = inflate(&z, Z_NO_FLUSH);
    }
    const std::size_t produced = z.total_out;
    inflateEnd(&z);
    if (result != Z_STREAM_END || produced == 0)
        return false;
    out.resize(produced);
    data = std::move(out);
    return true;
}

} // namespace

bool ReadModuleFile(const char* path, std::vector<char>& data)
{
    // Without O_NONBLOCK the open of a pipe waits for a writer.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info
    {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
              std::size_t(info.st_size) <= kMaxModuleBytes;
    if (ok) {
        data.resize(std::size_t(info.st_size));
        std::size_t got = 0;
        while (got < data.size()) {
            const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
            if (n <= 0)
                break;
            got += std::size_t(n);
        }
        data.resize(got); // a file cut short meanwhile gives what is there
        ok = got > 0;
    }
    ::close(fd);
    if (ok && data.size() >= 4 && std::memcmp(data.data(), "PK\x03\x04", 4) == 0)
        ok = Unzip(data);
    return ok;
}

} // namespace npmod32
