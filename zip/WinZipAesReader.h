#pragma once

#include <QString>

#include <zip.h>

#include <memory>

namespace ksv {

// Reads an AES-encrypted entry (WinZip AE-1/AE-2) itself, for the entries libzip refuses with a
// false CRC error: entries written in the AE-2 form by other programs carry no CRC, and libzip
// compares the data with the CRC field all the same. The data's integrity is still checked:
// by the authentication code every AES entry carries (HMAC-SHA1 over the encrypted data).
class WinZipAesReader
{
public:
    enum class Outcome { Ok, WrongPassword, Damaged, Unsupported };

    WinZipAesReader();
    ~WinZipAesReader();
    WinZipAesReader(const WinZipAesReader&) = delete;
    WinZipAesReader& operator=(const WinZipAesReader&) = delete;

    // Opens the raw entry and checks the password.
    Outcome open(zip_t* archive, zip_uint64_t index, const zip_stat_t& st, const QByteArray& password);
    // Decrypted and inflated data; 0 at the end (after the authentication code was checked),
    // -1 on failure (outcome() tells which).
    qint64 read(char* data, qint64 length);
    Outcome outcome() const { return m_outcome; }

    // True for an entry libzip reads with a false CRC error: AES-encrypted with a zero CRC.
    static bool applies(const zip_stat_t& st);

private:
    struct State;
    bool fill();
    std::unique_ptr<State> m_state;
    Outcome m_outcome = Outcome::Ok;
};

} // namespace ksv
