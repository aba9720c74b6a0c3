#pragma once

#include <QString>

// The administrator password is kept only as a digest: SHA-1 of the typed text (UTF-8), as five
// 32-bit words, each written as 8 upper-case hexadecimal digits, separated by single spaces.
namespace ksv::AdminPassword {

QString digest(const QString& typed);
// True when the typed text's digest equals the stored one exactly.
bool matches(const QString& storedDigest, const QString& typed);

} // namespace ksv::AdminPassword
