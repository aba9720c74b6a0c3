#pragma once

#include <QtGlobal>

#include <memory>

namespace ksv {

// Compresses the container's blocks, each as an independent zlib stream. One stream is set up
// per operation and reset between blocks, which gives the same bytes as a fresh stream per block.
class BlockCompressor
{
public:
    enum class Outcome { Compressed, Stored, Failed };

    BlockCompressor();
    ~BlockCompressor();
    BlockCompressor(const BlockCompressor&) = delete;
    BlockCompressor& operator=(const BlockCompressor&) = delete;

    // Level as zlib takes it (-1, 0..9). False when zlib refuses the set-up.
    bool start(int level);
    void finish();

    // Compresses n (1..16384) bytes into out (16384 bytes). Compressed when the whole stream fits
    // in 16384 bytes (outLength tells its size), Stored when it does not (the block is then
    // kept unchanged), Failed on any other zlib result.
    Outcome compress(const char* in, qint64 n, char* out, qint64& outLength);

private:
    struct Stream;
    std::unique_ptr<Stream> m_stream;
    int m_level = 0;
    bool m_started = false;
};

} // namespace ksv
