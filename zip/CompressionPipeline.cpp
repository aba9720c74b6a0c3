#include "CompressionPipeline.h"

#include <QFile>
#include <QThread>

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ksv {

namespace {

constexpr qint64 MemoryBudget = 64 << 20;
constexpr qint64 ProbeSize = 64 << 10;
constexpr qint64 ProbeFrom = 256 << 10; // smaller files are simply compressed
// Data that keeps more than this share of its size under a fast deflate is stored.
constexpr double IncompressibleRatio = 0.97;

// Opens a file to read its data: -1 with the reason when it cannot be read or is not a regular
// file. The open never waits (a pipe put in place of a file would wait for a writer forever).
int openRegular(const QByteArray& path, QString* error)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = QStringLiteral("not a regular file");
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

// Reads exactly length bytes at offset; false with errno's text on failure or a short file.
bool readAt(const QByteArray& path, qint64 offset, qint64 length, unsigned char* out, QString* error)
{
    const int fd = openRegular(path, error);
    if (fd < 0)
        return false;
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, out + done, static_cast<std::size_t>(length - done), offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return false;
        }
        if (n == 0) {
            *error = QStringLiteral("the file became shorter while it was read");
            ::close(fd);
            return false;
        }
        done += n;
    }
    ::close(fd);
    return true;
}

constexpr std::size_t PieceSize = 64 << 10;
constexpr std::size_t PieceProbe = 8 << 10;

} // namespace

struct CompressionPipeline::Entry
{
    QByteArray path;
    QString nativePath;
    qint64 size = 0;
    std::time_t mtime = 0;
    Method method = Method::Auto;
    std::size_t firstChunk = 0;
    std::size_t chunkCount = 0;
    // Decision for a multi-chunk entry: -1 unknown, 0 deflate, 1 store (guarded by the mutex).
    int stored = -1;
    std::once_flag probeOnce;
    zip_uint64_t zipIndex = 0;
    int originalMethod = -1;
};

struct CompressionPipeline::Chunk
{
    Entry* entry = nullptr;
    qint64 offset = 0;
    qint64 length = 0;
    bool last = false;
    bool single = false;
    // Results (guarded by the mutex until done).
    bool done = false;
    bool failed = false;
    bool stored = false; // output is the raw data
    std::vector<unsigned char> output;
    uLong crc = 0;
};

class CompressionPipeline::Worker
{
public:
    explicit Worker(int level) : m_level(level) {}
    ~Worker()
    {
        if (m_compressor)
            libdeflate_free_compressor(m_compressor);
        if (m_fast)
            libdeflate_free_compressor(m_fast);
        if (m_zInit)
            deflateEnd(&m_z);
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    libdeflate_compressor* compressor()
    {
        if (!m_compressor)
            m_compressor = libdeflate_alloc_compressor(m_level);
        return m_compressor;
    }
    libdeflate_compressor* fast()
    {
        if (!m_fast)
            m_fast = libdeflate_alloc_compressor(1);
        return m_fast;
    }
    int level() const { return m_level; }
    // A raw deflate stream at the asked level, ready for a new chunk.
    z_stream* zlib()
    {
        if (!m_zInit) {
            std::memset(&m_z, 0, sizeof(m_z));
            if (deflateInit2(&m_z, m_level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
                return nullptr;
            m_zInit = true;
        } else {
            deflateReset(&m_z);
            if (m_zLevel != m_level && deflateParams(&m_z, m_level, Z_DEFAULT_STRATEGY) != Z_OK)
                return nullptr;
        }
        m_zLevel = m_level;
        return &m_z;
    }
    // Switches the stream's level between pieces (0 stores).
    bool setLevel(int level)
    {
        if (level == m_zLevel)
            return true;
        if (deflateParams(&m_z, level, Z_DEFAULT_STRATEGY) != Z_OK)
            return false;
        m_zLevel = level;
        return true;
    }
    // True when a fast deflate of the sample keeps most of its size.
    bool incompressible(const unsigned char* data, std::size_t length)
    {
        if (length == 0)
            return false;
        m_probe.resize(length);
        const std::size_t n = libdeflate_deflate_compress(fast(), data, length, m_probe.data(), length);
        return n == 0 || static_cast<double>(n) >= IncompressibleRatio * static_cast<double>(length);
    }

    // Reused between jobs: growing a vector zero-fills it, and fresh large blocks cost page
    // faults, so the worker keeps its read and output buffers.
    std::vector<unsigned char> buffer;
    std::vector<unsigned char> scratch;
    unsigned char* scratchOf(std::size_t size)
    {
        if (scratch.size() < size)
            scratch.resize(size);
        return scratch.data();
    }

private:
    int m_level;
    libdeflate_compressor* m_compressor = nullptr;
    libdeflate_compressor* m_fast = nullptr;
    z_stream m_z;
    bool m_zInit = false;
    int m_zLevel = 0;
    std::vector<unsigned char> m_probe;
};

// The libzip source of one entry: serves the chunks of the entry in order.
class CompressionPipeline::Source
{
public:
    Source(CompressionPipeline& pipeline, int entry, zip_t* archive)
        : m_pipeline(pipeline), m_entry(*pipeline.m_entries[static_cast<std::size_t>(entry)]), m_number(entry),
          m_archive(archive)
    {
        zip_error_init(&m_error);
    }
    ~Source() { zip_error_fini(&m_error); }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto* self = static_cast<Source*>(state);
        if (command == ZIP_SOURCE_FREE) {
            delete self;
            return 0;
        }
        return self->handle(data, length, command);
    }

private:
    zip_int64_t fail(int code)
    {
        zip_error_set(&m_error, code, 0);
        return -1;
    }

    bool ensureDecided()
    {
        if (m_decided)
            return true;
        if (!m_pipeline.waitStored(m_entry, &m_stored))
            return false;
        m_decided = true;
        CompressionPipeline::setMethod(m_archive, m_entry.zipIndex, m_entry.originalMethod,
                                       m_stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE);
        return true;
    }

    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&m_error, data, length);
        case ZIP_SOURCE_STAT: {
            auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
            if (!st)
                return -1;
            if (!m_started) {
                m_started = true;
                if (m_pipeline.m_hooks.entryStarted && !m_pipeline.m_hooks.entryStarted(m_number))
                    return fail(ZIP_ER_CANCELLED);
            }
            if (!ensureDecided())
                return fail(m_pipeline.cancelled() ? ZIP_ER_CANCELLED : ZIP_ER_READ);
            zip_stat_init(st);
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_MTIME;
            st->size = static_cast<zip_uint64_t>(m_entry.size);
            st->mtime = m_entry.mtime;
            st->comp_method = m_stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
            if (m_finished && !m_stored) {
                st->valid |= ZIP_STAT_CRC | ZIP_STAT_COMP_SIZE;
                st->crc = static_cast<zip_uint32_t>(m_crc);
                st->comp_size = m_compressedSize;
            }
            return sizeof(*st);
        }
        case ZIP_SOURCE_OPEN:
            m_next = m_entry.firstChunk;
            m_current = nullptr;
            m_position = 0;
            m_crc = crc32(0, nullptr, 0);
            m_compressedSize = 0;
            m_finished = false;
            return 0;
        case ZIP_SOURCE_READ: {
            auto* out = static_cast<unsigned char*>(data);
            zip_uint64_t written = 0;
            while (written < length) {
                if (!m_current) {
                    if (m_next >= m_entry.firstChunk + m_entry.chunkCount) {
                        m_finished = true;
                        break;
                    }
                    m_current = m_pipeline.waitChunk(m_next);
                    if (!m_current)
                        return fail(m_pipeline.cancelled() ? ZIP_ER_CANCELLED : ZIP_ER_READ);
                    m_position = 0;
                    m_crc = crc32_combine(m_crc, m_current->crc, static_cast<z_off_t>(m_current->length));
                }
                const std::size_t available = m_current->output.size() - m_position;
                const std::size_t n = std::min<std::size_t>(available, length - written);
                if (n > 0)
                    std::memcpy(out + written, m_current->output.data() + m_position, n);
                m_position += n;
                written += n;
                if (m_position >= m_current->output.size()) {
                    m_compressedSize += m_current->output.size();
                    const qint64 raw = m_current->length;
                    m_pipeline.releaseChunk(*m_current);
                    m_current = nullptr;
                    ++m_next;
                    if (m_pipeline.m_hooks.progress && !m_pipeline.m_hooks.progress(m_number, raw))
                        return fail(ZIP_ER_CANCELLED);
                }
            }
            return static_cast<zip_int64_t>(written);
        }
        case ZIP_SOURCE_CLOSE:
            return 0;
        default:
            return fail(ZIP_ER_OPNOTSUPP);
        }
    }

    CompressionPipeline& m_pipeline;
    Entry& m_entry;
    int m_number;
    zip_t* m_archive;
    zip_error_t m_error;
    bool m_started = false;
    bool m_decided = false;
    bool m_stored = false;
    bool m_finished = false;
    std::size_t m_next = 0;
    Chunk* m_current = nullptr;
    std::size_t m_position = 0;
    uLong m_crc = 0;
    zip_uint64_t m_compressedSize = 0;
};

QString CompressionPipeline::checkReadable(const QString& nativePath, const QByteArray& rawPath)
{
    QString error;
    const int fd = openRegular(rawPath.isEmpty() ? QFile::encodeName(nativePath) : rawPath, &error);
    if (fd >= 0)
        ::close(fd);
    return error;
}

CompressionPipeline::CompressionPipeline(int level, Hooks hooks)
    : m_level(std::clamp(level, 0, 9)), m_hooks(std::move(hooks)), m_budget(MemoryBudget)
{
}

CompressionPipeline::~CompressionPipeline()
{
    stop();
}

int CompressionPipeline::addEntry(const QString& nativePath, qint64 size, std::time_t mtime, Method method,
                                  const QByteArray& rawPath)
{
    auto entry = std::make_unique<Entry>();
    entry->nativePath = nativePath;
    entry->path = rawPath.isEmpty() ? QFile::encodeName(nativePath) : rawPath;
    entry->size = size;
    entry->mtime = mtime;
    entry->method = (m_level == 0 || size == 0) ? Method::Store : method;
    entry->firstChunk = m_chunks.size();
    const qint64 count = size <= wholeFileLimit(m_level) ? 1 : (size + ChunkSize - 1) / ChunkSize;
    entry->chunkCount = static_cast<std::size_t>(count);
    if (entry->method == Method::Store)
        entry->stored = 1;
    for (qint64 i = 0; i < count; ++i) {
        auto chunk = std::make_unique<Chunk>();
        chunk->entry = entry.get();
        chunk->offset = i * ChunkSize;
        chunk->length = count == 1 ? size : std::min(ChunkSize, size - chunk->offset);
        chunk->last = i == count - 1;
        chunk->single = count == 1;
        m_chunks.push_back(std::move(chunk));
    }
    m_entries.push_back(std::move(entry));
    return static_cast<int>(m_entries.size() - 1);
}

void CompressionPipeline::setEntryIndex(int entry, zip_uint64_t index, int originalMethod)
{
    m_entries[static_cast<std::size_t>(entry)]->zipIndex = index;
    m_entries[static_cast<std::size_t>(entry)]->originalMethod = originalMethod;
}

void CompressionPipeline::setMethod(zip_t* archive, zip_uint64_t index, int originalMethod, zip_int32_t method)
{
    if (originalMethod == method)
        return; // the entry's own method: libzip keeps it without being told
    if (originalMethod < 0 && method == ZIP_CM_DEFLATE)
        return; // a new entry takes the method its source states
    zip_set_file_compression(archive, index, method, 0);
}

zip_source_t* CompressionPipeline::createSource(int entry, zip_t* archive, zip_error_t* error)
{
    auto* state = new Source(*this, entry, archive);
    zip_source_t* source = zip_source_function_create(&Source::callback, state, error);
    if (!source)
        delete state;
    return source;
}

void CompressionPipeline::start()
{
    const int threads = std::max(1, QThread::idealThreadCount());
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { workerLoop(); });
}

void CompressionPipeline::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& t : m_threads)
        t.join();
    m_threads.clear();
}

QString CompressionPipeline::failure() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

QString CompressionPipeline::failedFile() const
{
    std::lock_guard lock(m_mutex);
    return m_failedFile;
}

void CompressionPipeline::setFailure(const QString& file, const QString& reason)
{
    std::lock_guard lock(m_mutex);
    if (m_failure.isEmpty()) {
        m_failure = reason;
        m_failedFile = file;
    }
}

void CompressionPipeline::workerLoop()
{
    Worker worker(std::max(1, m_level));
    for (;;) {
        Chunk* chunk = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] {
                if (m_stopping || m_nextChunk >= m_chunks.size())
                    return true;
                const qint64 need = m_chunks[m_nextChunk]->length;
                return m_inFlight == 0 || m_inFlight + need <= m_budget;
            });
            if (m_stopping || m_nextChunk >= m_chunks.size())
                return;
            chunk = m_chunks[m_nextChunk++].get();
            m_inFlight += chunk->length;
        }
        process(worker, *chunk);
        {
            std::lock_guard lock(m_mutex);
            chunk->done = true;
        }
        m_changed.notify_all();
    }
}

bool CompressionPipeline::decideLargeEntry(Entry& entry, Worker& worker)
{
    std::call_once(entry.probeOnce, [&] {
        // Samples at the start, the middle and three quarters decide for the whole file.
        bool incompressible = true;
        std::vector<unsigned char> sample(static_cast<std::size_t>(ProbeSize));
        const qint64 positions[] = {0, entry.size / 2, entry.size / 4 * 3};
        QString error;
        for (qint64 at : positions) {
            const qint64 n = std::min(ProbeSize, entry.size - at);
            if (n <= 0)
                continue;
            if (!readAt(entry.path, at, n, sample.data(), &error)) {
                setFailure(entry.nativePath, error);
                break;
            }
            if (!worker.incompressible(sample.data(), static_cast<std::size_t>(n))) {
                incompressible = false;
                break;
            }
        }
        std::lock_guard lock(m_mutex);
        entry.stored = incompressible ? 1 : 0;
    });
    m_changed.notify_all();
    std::lock_guard lock(m_mutex);
    return entry.stored == 1;
}

void CompressionPipeline::process(Worker& worker, Chunk& chunk)
{
    Entry& entry = *chunk.entry;
    QString error;
    const std::size_t length = static_cast<std::size_t>(chunk.length);

    if (entry.method == Method::Store) {
        chunk.output = takeBuffer();
        chunk.output.resize(length);
        if (!readAt(entry.path, chunk.offset, chunk.length, chunk.output.data(), &error)) {
            setFailure(entry.nativePath, error);
            chunk.failed = true;
            return;
        }
        chunk.crc = crc32(0, chunk.output.data(), static_cast<uInt>(length));
        chunk.stored = true;
        return;
    }

    if (chunk.single) {
        std::vector<unsigned char>& raw = worker.buffer;
        raw.resize(length);
        if (!readAt(entry.path, 0, chunk.length, raw.data(), &error)) {
            setFailure(entry.nativePath, error);
            chunk.failed = true;
            return;
        }
        chunk.crc = libdeflate_crc32(0, raw.data(), length);
        bool store = chunk.length >= ProbeFrom && worker.incompressible(raw.data(), static_cast<std::size_t>(ProbeSize));
        chunk.output = takeBuffer();
        if (!store) {
            const std::size_t bound = libdeflate_deflate_compress_bound(worker.compressor(), length);
            unsigned char* out = worker.scratchOf(bound);
            const std::size_t n = libdeflate_deflate_compress(worker.compressor(), raw.data(), length, out, bound);
            store = n == 0 || n >= length;
            if (!store)
                chunk.output.assign(out, out + n);
        }
        if (store) {
            chunk.output.assign(raw.begin(), raw.end());
            chunk.stored = true;
        }
        std::lock_guard lock(m_mutex);
        entry.stored = store ? 1 : 0;
        return;
    }

    const bool store = decideLargeEntry(entry, worker);
    const qint64 dictionary = std::min(Dictionary, chunk.offset);
    std::vector<unsigned char>& raw = worker.buffer;
    raw.resize(static_cast<std::size_t>(dictionary) + length);
    if (!readAt(entry.path, chunk.offset - dictionary, dictionary + chunk.length, raw.data(), &error)) {
        setFailure(entry.nativePath, error);
        chunk.failed = true;
        return;
    }
    const unsigned char* data = raw.data() + dictionary;
    chunk.crc = libdeflate_crc32(0, data, length);
    chunk.output = takeBuffer();
    if (store) {
        chunk.output.assign(data, data + length);
        chunk.stored = true;
        return;
    }
    z_stream* z = worker.zlib();
    if (!z) {
        setFailure(entry.nativePath, QStringLiteral("deflate initialisation failed"));
        chunk.failed = true;
        return;
    }
    if (dictionary > 0)
        deflateSetDictionary(z, raw.data(), static_cast<uInt>(dictionary));
    // Pieces that a sample shows to be incompressible (the noisy parts of a mixed file) are
    // stored at level 0, the rest deflated at the asked level; the stream stays one stream.
    const std::size_t bound = deflateBound(z, static_cast<uLong>(length)) + length / 64 + 4096;
    unsigned char* out = worker.scratchOf(bound);
    z->next_out = out;
    z->avail_out = static_cast<uInt>(bound);
    bool ok = true;
    for (std::size_t at = 0; at < length && ok; at += PieceSize) {
        const std::size_t n = std::min(PieceSize, length - at);
        const int level = worker.incompressible(data + at, std::min(n, PieceProbe)) ? 0 : worker.level();
        if (!worker.setLevel(level))
            ok = false;
        z->next_in = const_cast<Bytef*>(data + at);
        z->avail_in = static_cast<uInt>(n);
        if (ok && (deflate(z, Z_NO_FLUSH) != Z_OK || z->avail_in != 0))
            ok = false;
    }
    const int rc = ok ? deflate(z, chunk.last ? Z_FINISH : Z_SYNC_FLUSH) : Z_STREAM_ERROR;
    if (!ok || (chunk.last && rc != Z_STREAM_END) || (!chunk.last && rc != Z_OK)) {
        setFailure(entry.nativePath, QStringLiteral("deflate failed"));
        chunk.failed = true;
        return;
    }
    chunk.output.assign(out, out + (bound - z->avail_out));
}

CompressionPipeline::Chunk* CompressionPipeline::waitChunk(std::size_t index)
{
    Chunk* chunk = m_chunks[index].get();
    std::unique_lock lock(m_mutex);
    while (!chunk->done) {
        if (m_stopping || !m_failure.isEmpty())
            return nullptr;
        m_changed.wait_for(lock, std::chrono::milliseconds(25));
        if (!chunk->done && m_hooks.waiting) {
            lock.unlock();
            const bool go = m_hooks.waiting();
            lock.lock();
            if (!go) {
                m_cancelled = true;
                return nullptr;
            }
        }
    }
    if (chunk->failed)
        return nullptr;
    return chunk;
}

bool CompressionPipeline::waitStored(Entry& entry, bool* stored)
{
    if (entry.chunkCount > 1 && entry.method == Method::Auto) {
        // Decide here when no worker has reached the entry yet.
        {
            std::unique_lock lock(m_mutex);
            if (entry.stored >= 0) {
                *stored = entry.stored == 1;
                return true;
            }
        }
        Worker worker(1);
        *stored = decideLargeEntry(entry, worker);
        return failure().isEmpty();
    }
    if (entry.method == Method::Store) {
        *stored = true;
        return true;
    }
    // A single chunk decides after compressing.
    Chunk* chunk = waitChunk(entry.firstChunk);
    if (!chunk)
        return false;
    *stored = chunk->stored;
    return true;
}

void CompressionPipeline::releaseChunk(Chunk& chunk)
{
    {
        std::lock_guard lock(m_mutex);
        m_inFlight -= chunk.length;
        chunk.output.clear();
        if (m_spareBuffers.size() < SpareBuffers)
            m_spareBuffers.push_back(std::move(chunk.output));
        std::vector<unsigned char>().swap(chunk.output);
    }
    m_changed.notify_all();
}

std::vector<unsigned char> CompressionPipeline::takeBuffer()
{
    std::lock_guard lock(m_mutex);
    if (m_spareBuffers.empty())
        return {};
    std::vector<unsigned char> buffer = std::move(m_spareBuffers.back());
    m_spareBuffers.pop_back();
    return buffer;
}

} // namespace ksv
