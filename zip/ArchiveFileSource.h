#pragma once

#include "AtomicFile.h"

#include <QString>

#include <zip.h>

#include <cstdio>
#include <memory>

namespace ksv {

// What happened to the archive file while libzip wrote it.
struct ArchiveWriteReport
{
    bool diskFull = false;
    bool committed = false;
    QString error;
};

// The libzip source behind every archive the engine opens for writing. The archive path is
// resolved once: a symbolic link is followed to the archive it names, and anything that is not
// a regular file (a folder, a device, a FIFO) is refused before it is opened, so neither reading
// nor writing can block on a pipe or replace a device. Reading comes from the archive file
// itself; writing goes through ksv::AtomicFile (a hidden ".NAME.XXXXXX" file beside the archive,
// every write checked, synced and renamed over the archive only when libzip commits, removed on
// rollback). So a failed or cancelled change never leaves a partial file under the archive's
// name, and a run that is killed leaves at most that hidden temporary file.
//
// room: the free bytes of the archive's drive when writing starts (-1 when unknown); the
// write fails as "disk full" once the temporary file would need more.
class ArchiveFileSource
{
public:
    static zip_source_t* create(const QString& nativePath, qint64 room, std::shared_ptr<ArchiveWriteReport> report,
                                zip_error_t* error);

    ~ArchiveFileSource();
    ArchiveFileSource(const ArchiveFileSource&) = delete;
    ArchiveFileSource& operator=(const ArchiveFileSource&) = delete;

private:
    ArchiveFileSource(QString nativePath, qint64 room, std::shared_ptr<ArchiveWriteReport> report);

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t fail(int zipError, int systemError);
    void discardTemporary();
    bool flushPending();
    zip_int64_t writeFailed();

    QString m_path; // resolved: the regular file (or absent name) that is read and replaced
    QByteArray m_encodedPath;
    Status m_resolution;
    qint64 m_room;
    std::shared_ptr<ArchiveWriteReport> m_report;
    zip_error_t m_error;
    std::FILE* m_in = nullptr;
    std::unique_ptr<AtomicFile> m_out;
    qint64 m_outputEnd = 0;
    // libzip writes each entry's header, its data, then goes back to complete the header: the
    // output is kept in a buffer that such seeks move within, and written in large pieces.
    QByteArray m_pending;
    qint64 m_pendingStart = 0;
    qint64 m_position = 0;
    qint64 m_inputSize = 0;
};

} // namespace ksv
