#pragma once

#include <QString>

#include <zip.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ksv {

// Compresses the files of an add on all cores while libzip writes the archive on the caller's
// thread. Each file is cut into chunks handed to worker threads in archive order; libzip pulls
// each entry through a source that serves the already-deflated chunks (libzip copies such
// data as it is and still encrypts it when asked). Memory stays bounded: a worker starts a
// chunk only while the chunks read but not yet written stay under the budget.
//
// - A file up to WholeFileLimit is one job, deflated by libdeflate; when the result does not
//   shrink (or a probe of its start says it will not), the file is stored.
// - A larger file is deflated in chunks, each primed with the previous 32 KiB and ended with a
//   sync flush, so the chunks join into one deflate stream; samples decide up front whether it
//   is stored instead, and a chunk that would not shrink is written as stored deflate blocks.
// - Files with a stored suffix, empty files and level 0 are stored.
class CompressionPipeline
{
public:
    enum class Method { Store, Auto };

    struct Hooks
    {
        // Called on the caller's thread. Returning false stops the archive writing (cancel).
        std::function<bool(int entry)> entryStarted;
        std::function<bool(int entry, qint64 rawBytes)> progress;
        // Called while the caller waits for a worker; returning false cancels.
        std::function<bool()> waiting;
    };

    CompressionPipeline(int level, Hooks hooks);
    ~CompressionPipeline();
    CompressionPipeline(const CompressionPipeline&) = delete;
    CompressionPipeline& operator=(const CompressionPipeline&) = delete;

    // Plans an entry; returns its number. Call before start(). rawPath, when given, is the
    // file's path as the file system has it (a name that is not valid UTF-8 cannot go through
    // nativePath, which then only names the file in messages).
    int addEntry(const QString& nativePath, qint64 size, std::time_t mtime, Method method, const QByteArray& rawPath = {});
    // The libzip source for an entry (libzip owns it). The archive and the entry's index
    // (setEntryIndex, once libzip gave it) are needed to switch the entry to "stored" when its
    // data turns out incompressible.
    zip_source_t* createSource(int entry, zip_t* archive, zip_error_t* error);
    // originalMethod: the compression method of the entry this one replaces, -1 for a new entry.
    void setEntryIndex(int entry, zip_uint64_t index, int originalMethod);
    // Sets an entry's compression method, but only where it changes the entry's original one:
    // libzip (1.7.3) drops its pending changes of an entry that gets its original method back,
    // which during zip_close leaves the archive with the old offsets. (Stored entries are
    // therefore never replaced in place: the engine deletes them and adds new ones.)
    static void setMethod(zip_t* archive, zip_uint64_t index, int originalMethod, zip_int32_t method);
    void start();
    // Stops the workers (cancel or error); the sources then fail.
    void stop();

    // Why a file cannot be read (it cannot be opened, or is not a regular file); empty when it can.
    static QString checkReadable(const QString& nativePath, const QByteArray& rawPath = {});

    // The first failure met by a worker or a source (a file that cannot be read), with its file.
    QString failure() const;
    QString failedFile() const;
    bool cancelled() const { return m_cancelled; }

    // Files up to this size are deflated whole by libdeflate (one core per file); larger ones
    // are cut into chunks deflated by zlib on all cores. At the fast levels libdeflate is so much
    // quicker that whole files up to 32 MiB pay; from level 6 on, zlib's lazier matching keeps
    // large files as small as other tools make them, so chunks start at 4 MiB.
    static qint64 wholeFileLimit(int level) { return level <= 5 ? (32 << 20) : (4 << 20); }
    static constexpr qint64 ChunkSize = 1 << 20;
    static constexpr qint64 Dictionary = 32 << 10;

private:
    struct Chunk;
    struct Entry;
    class Source;
    class Worker;

    void workerLoop();
    void process(Worker& worker, Chunk& chunk);
    bool decideLargeEntry(Entry& entry, Worker& worker);
    void setFailure(const QString& file, const QString& reason);
    // Consumer side.
    Chunk* waitChunk(std::size_t index);
    bool waitStored(Entry& entry, bool* stored);
    void releaseChunk(Chunk& chunk);
    // A few output buffers of written chunks are kept for the next chunks.
    std::vector<unsigned char> takeBuffer();
    static constexpr std::size_t SpareBuffers = 8;

    int m_level;
    Hooks m_hooks;
    std::vector<std::unique_ptr<Entry>> m_entries;
    std::vector<std::unique_ptr<Chunk>> m_chunks;
    std::vector<std::thread> m_threads;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::vector<unsigned char>> m_spareBuffers;
    std::size_t m_nextChunk = 0;
    qint64 m_inFlight = 0;
    qint64 m_budget = 0;
    bool m_stopping = false;
    std::atomic<bool> m_cancelled = false;
    QString m_failure;
    QString m_failedFile;
};

} // namespace ksv
