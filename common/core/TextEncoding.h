#pragma once

#include <QByteArray>
#include <QString>

// Text of the settings and query files: UTF-8 when the bytes are valid UTF-8 (a leading byte-order
// mark is dropped), otherwise Windows-1252, the code page the files of older installations use.
namespace ksv::TextEncoding {

bool isValidUtf8(const QByteArray& bytes);
QString decodeWindows1252(const QByteArray& bytes);
// UTF-8 when valid, else Windows-1252. hadBom (optional) tells whether a UTF-8 byte-order mark was dropped.
QString decodeSettingsText(const QByteArray& bytes, bool* hadBom = nullptr);

} // namespace ksv::TextEncoding
