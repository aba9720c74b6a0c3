#include "BlockInflater.h"

#include "ContainerFormat.h"

#include <zlib.h>

namespace ksv {

namespace {
constexpr char ZlibVersionTag[] = "1.1.3";
}

struct BlockInflater::Stream
{
    z_stream z{};
};

BlockInflater::BlockInflater() : m_stream(std::make_unique<Stream>()) {}

BlockInflater::~BlockInflater()
{
    finish();
}

bool BlockInflater::start()
{
    finish();
    m_stream->z = z_stream{};
    m_started = inflateInit_(&m_stream->z, ZlibVersionTag, int(sizeof(z_stream))) == Z_OK;
    return m_started;
}

void BlockInflater::finish()
{
    if (m_started)
        inflateEnd(&m_stream->z);
    m_started = false;
}

BlockInflater::Outcome BlockInflater::inflateBlock(const char* in, qint64 n, char* out, qint64& outLength)
{
    outLength = 0;
    if (!m_started)
        return Outcome::Failed;
    z_stream& z = m_stream->z;
    if (inflateReset(&z) != Z_OK)
        return Outcome::Failed;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
    z.avail_in = uInt(n);
    z.next_out = reinterpret_cast<Bytef*>(out);
    z.avail_out = uInt(ContainerFormat::BlockSize);
    const int rc = inflate(&z, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) {
        outLength = qint64(z.total_out);
        return Outcome::Ok;
    }
    if (rc == Z_OK && z.avail_out == 0)
        return Outcome::TooLarge;
    return Outcome::Failed;
}

} // namespace ksv
