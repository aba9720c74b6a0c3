#include "BlockCompressor.h"

#include "ContainerFormat.h"

#include <zlib.h>

namespace ksv {

namespace {
// The version string the container's writer has always handed to zlib's set-up.
constexpr char ZlibVersionTag[] = "1.1.3";
}

struct BlockCompressor::Stream
{
    z_stream z{};
};

BlockCompressor::BlockCompressor() : m_stream(std::make_unique<Stream>()) {}

BlockCompressor::~BlockCompressor()
{
    finish();
}

bool BlockCompressor::start(int level)
{
    finish();
    m_level = level;
    m_stream->z = z_stream{};
    m_started = deflateInit_(&m_stream->z, level, ZlibVersionTag, int(sizeof(z_stream))) == Z_OK;
    return m_started;
}

void BlockCompressor::finish()
{
    if (m_started)
        deflateEnd(&m_stream->z);
    m_started = false;
}

BlockCompressor::Outcome BlockCompressor::compress(const char* in, qint64 n, char* out, qint64& outLength)
{
    outLength = 0;
    if (!m_started)
        return Outcome::Failed;
    // Deflate's stored form adds at least 11 bytes (zlib header, block header, checksum), so a
    // block this large never fits at level 0; the answer is known without running deflate.
    if (m_level == 0 && n > ContainerFormat::BlockSize - 11)
        return Outcome::Stored;
    z_stream& z = m_stream->z;
    if (deflateReset(&z) != Z_OK)
        return Outcome::Failed;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
    z.avail_in = uInt(n);
    z.next_out = reinterpret_cast<Bytef*>(out);
    z.avail_out = uInt(ContainerFormat::BlockSize);
    const int rc = deflate(&z, Z_FINISH);
    if (rc == Z_STREAM_END) {
        outLength = qint64(z.total_out);
        return Outcome::Compressed;
    }
    if (rc == Z_OK)
        return Outcome::Stored;
    return Outcome::Failed;
}

} // namespace ksv
