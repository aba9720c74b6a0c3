#pragma once

#include <QtGlobal>

#include <memory>

namespace ksv {

// Inflates the container's compressed blocks, each an independent zlib stream of at most
// 16384 inflated bytes.
class BlockInflater
{
public:
    enum class Outcome {
        Ok,         // the whole stream inflated; outLength bytes produced
        TooLarge,   // the stream inflates to more than 16384 bytes
        Failed,     // zlib reported an error (bad data, bad checksum) or the stream is incomplete
    };

    BlockInflater();
    ~BlockInflater();
    BlockInflater(const BlockInflater&) = delete;
    BlockInflater& operator=(const BlockInflater&) = delete;

    bool start();
    void finish();
    Outcome inflateBlock(const char* in, qint64 n, char* out, qint64& outLength);

private:
    struct Stream;
    std::unique_ptr<Stream> m_stream;
    bool m_started = false;
};

} // namespace ksv
