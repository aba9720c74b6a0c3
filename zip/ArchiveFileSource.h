#pragma once

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

// The libzip source behind every archive the engine opens for writing. Reading comes from the
// archive file itself; writing goes to a "ZipTmpXXXXXX" file in the archive's folder, which is
// renamed over the archive only when libzip commits, and removed on rollback. So a failed or
// cancelled change never leaves a partial file under the archive's name, and a run that is
// killed leaves only a "ZipTmp…" file that the runner's start-up clean-up removes.
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

    QString m_path;
    QByteArray m_encodedPath;
    qint64 m_room;
    std::shared_ptr<ArchiveWriteReport> m_report;
    zip_error_t m_error;
    std::FILE* m_in = nullptr;
    int m_out = -1;
    QByteArray m_temporaryPath;
    qint64 m_outputEnd = 0;
    // libzip writes each entry's header, its data, then goes back to complete the header: the
    // output is kept in a buffer that such seeks move within, and written in large pieces.
    QByteArray m_pending;
    qint64 m_pendingStart = 0;
    qint64 m_position = 0;
    qint64 m_inputSize = 0;
};

} // namespace ksv
