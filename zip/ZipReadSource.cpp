#include "ZipReadSource.h"

#include "ZipDirectory.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace ksv {

namespace {

// A read-only view of a file with a few bytes seen differently.
struct PatchedFile
{
    int fd = -1;
    qint64 size = 0;
    qint64 pos = 0;
    QList<std::pair<qint64, QByteArray>> patches; // position in the file, bytes seen there
    zip_error_t error;

    PatchedFile() { zip_error_init(&error); }
    ~PatchedFile()
    {
        if (fd >= 0)
            ::close(fd);
        zip_error_fini(&error);
    }
    PatchedFile(const PatchedFile&) = delete;
    PatchedFile& operator=(const PatchedFile&) = delete;
};

zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* f = static_cast<PatchedFile*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        f->pos = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 wanted = static_cast<qint64>(std::min<zip_uint64_t>(length, static_cast<zip_uint64_t>(std::max<qint64>(0, f->size - f->pos))));
        char* out = static_cast<char*>(data);
        qint64 done = 0;
        while (done < wanted) {
            const ssize_t n = ::pread(f->fd, out + done, static_cast<size_t>(wanted - done), f->pos + done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                zip_error_set(&f->error, ZIP_ER_READ, errno);
                return -1;
            }
            if (n == 0)
                break;
            done += n;
        }
        for (const auto& [at, bytes] : f->patches) {
            for (qint64 i = 0; i < bytes.size(); ++i) {
                const qint64 p = at + i - f->pos;
                if (p >= 0 && p < done)
                    out[p] = bytes[i];
            }
        }
        f->pos += done;
        return done;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t)) {
            zip_error_set(&f->error, ZIP_ER_INVAL, 0);
            return -1;
        }
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = static_cast<zip_uint64_t>(f->size);
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&f->error, data, length);
    case ZIP_SOURCE_FREE:
        delete f;
        return 0;
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t to = zip_source_seek_compute_offset(static_cast<zip_uint64_t>(f->pos),
                                                               static_cast<zip_uint64_t>(f->size), data, length, &f->error);
        if (to < 0)
            return -1;
        f->pos = to;
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return f->pos;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                                              ZIP_SOURCE_SUPPORTS, -1);
    default:
        zip_error_set(&f->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

void put16(QByteArray& b, qsizetype at, quint16 v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

} // namespace

zip_t* ZipReadSource::open(const QString& nativePath, int* errorCode)
{
    const QByteArray encoded = QFile::encodeName(nativePath);
    zip_t* za = zip_open(encoded.constData(), ZIP_RDONLY, errorCode);
    if (za || *errorCode != ZIP_ER_INCONS)
        return za;

    // The padding libzip refuses: anything after the last whole field but up to three zero bytes.
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const auto layout = ZipDirectory::read(file);
    if (!layout)
        return nullptr;
    auto view = std::make_unique<PatchedFile>();
    ZipDirectory::Walker walker(layout->directory);
    ZipDirectory::Record r;
    while (walker.next(r)) {
        if (r.extraPadding == 0 || (r.extraPadding < 4 && r.paddingIsZero))
            continue;
        if (r.commentLength + r.extraPadding > 0xFFFF)
            return nullptr;
        QByteArray lengths(4, '\0');
        put16(lengths, 0, static_cast<quint16>(r.extraLength - r.extraPadding));
        put16(lengths, 2, static_cast<quint16>(r.commentLength + r.extraPadding));
        view->patches.append({layout->cdActual + r.position + 30, lengths});
    }
    if (!walker.error().isEmpty() || view->patches.isEmpty())
        return nullptr;
    view->fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC);
    if (view->fd < 0)
        return nullptr;
    view->size = layout->fileSize;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(callback, view.get(), &error);
    if (!source) {
        zip_error_fini(&error);
        return nullptr;
    }
    view.release(); // the source owns it now (ZIP_SOURCE_FREE)
    za = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!za) {
        *errorCode = zip_error_code_zip(&error);
        zip_source_free(source);
    }
    zip_error_fini(&error);
    return za;
}

} // namespace ksv
