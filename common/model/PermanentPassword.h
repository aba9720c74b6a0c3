#pragma once

#include "IniFile.h"

#include <QString>

// The permanent zip password ([div] dateinstall of the settings file) is never stored in clear.
//
// Scheme: a per-user random 256-bit key lives in its own file, $XDG_CONFIG_HOME/kestrave/
// zip-password.key (32 raw bytes, mode 0600, folder 0700), created at the first encipherment.
// The password (UTF-8) is enciphered with AES-256-GCM under that key with a fresh random 96-bit
// nonce and the associated text "kestrave permanent zip password v1"; the stored value is the
// upper-case hexadecimal text of: version byte 0x01, nonce (12 bytes), ciphertext, tag (16 bytes).
// Without the key file (another user, another machine, a deleted key) or with a text that was
// altered, deciphering gives an empty password: the programs then ask for one as if none
// were stored.
namespace ksv::PermanentPassword {

QString keyFilePath();

// The stored text for a clear password; empty for an empty password or when no key can be
// created. keyPath: the key file (tests give their own).
QString encipher(const QString& clear, const QString& keyPath = keyFilePath());
// The clear password of a stored text; empty when it cannot be deciphered.
QString decipher(const QString& stored, const QString& keyPath = keyFilePath());

// Enciphers and writes [div] dateinstall; an empty password writes an empty value.
bool store(IniFile& settings, const QString& clear);

} // namespace ksv::PermanentPassword

namespace ksv {

// The package's names: the clear text of the stored password ([div] dateinstall) and of a stored
// hexadecimal text. Both decipher the scheme above; the two unused arguments are kept from the
// package's calls "(T, 0, 0)".
QString Encryption(const QString& T, int = 0, int = 0);
QString Encryption2(const QString& T, int = 0, int = 0);

} // namespace ksv
