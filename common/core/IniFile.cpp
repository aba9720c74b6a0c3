#include "IniFile.h"

#include "AtomicFile.h"
#include "FileWriteLock.h"
#include "IniDocument.h"
#include "WriteFailures.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

namespace ksv {

namespace {

// Reads the file under the write lock, applies the change and replaces the file atomically.
// change returns false when it has nothing to do; then the file is left untouched (a delete
// in a missing file does not create it).
template <typename Change> bool editFile(const QString& path, Change change)
{
    FileWriteLock lock(path);
    if (!lock.isLocked()) {
        WriteFailures::report(path, QStringLiteral("the file cannot be locked for writing"));
        return false;
    }
    const bool existed = QFileInfo::exists(path);
    IniDocument doc;
    if (existed) {
        // A file that exists but cannot be read is never replaced by one holding only the change.
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly)) {
            WriteFailures::report(path, source.errorString());
            return false;
        }
        const QByteArray bytes = source.readAll();
        if (source.error() != QFileDevice::NoError) {
            WriteFailures::report(path, source.errorString());
            return false;
        }
        doc = IniDocument::fromBytes(bytes);
    }
    const QByteArray before = existed ? doc.toBytes() : QByteArray();
    bool ok = true;
    if (!change(doc, &ok))
        return ok;
    const QByteArray after = doc.toBytes();
    if (existed ? after == before : after.isEmpty())
        return true;
    const Status written = AtomicFile::writeFile(path, after);
    if (!written)
        WriteFailures::report(path, WriteFailures::reasonOf(written.code()));
    return written.isOk();
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return IniDocument::fromFile(m_path).readString(section, key, defaultValue);
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    return IniDocument::fromFile(m_path).readInteger(section, key, defaultValue);
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return IniDocument::fromFile(m_path).readBool(section, key, defaultValue);
}

bool IniFile::keyExists(const QString& section, const QString& key) const
{
    return IniDocument::fromFile(m_path).hasKey(section, key);
}

bool IniFile::sectionExists(const QString& section) const
{
    return IniDocument::fromFile(m_path).hasSection(section);
}

QStringList IniFile::sections() const
{
    return IniDocument::fromFile(m_path).sections();
}

QStringList IniFile::keys(const QString& section) const
{
    return IniDocument::fromFile(m_path).keys(section);
}

QList<QPair<QString, QString>> IniFile::sectionLines(const QString& section) const
{
    return IniDocument::fromFile(m_path).sectionLines(section);
}

QStringList IniFile::rawSectionLines(const QString& section) const
{
    return IniDocument::fromFile(m_path).rawSectionLines(section);
}

IniDocument IniFile::snapshot() const
{
    return IniDocument::fromFile(m_path);
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    return editFile(m_path, [&](IniDocument& doc, bool* ok) {
        *ok = doc.setValue(section, key, value);
        return *ok;
    });
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::deleteKey(const QString& section, const QString& key)
{
    return editFile(m_path, [&](IniDocument& doc, bool*) { return doc.removeKey(section, key); });
}

bool IniFile::eraseSection(const QString& section)
{
    return editFile(m_path, [&](IniDocument& doc, bool*) { return doc.removeSection(section); });
}

bool IniFile::update(const std::function<void(IniDocument&)>& change)
{
    return editFile(m_path, [&](IniDocument& doc, bool*) {
        change(doc);
        return true;
    });
}

} // namespace ksv
