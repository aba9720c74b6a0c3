#include "WinZipAesReader.h"

#include <openssl/evp.h>
#include <openssl/core_names.h>
#include <openssl/params.h>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace ksv {

namespace {

constexpr int MacLength = 10;
constexpr int VerifierLength = 2;
constexpr int Iterations = 1000;
constexpr std::size_t Piece = 256 << 10;

} // namespace

struct WinZipAesReader::State
{
    zip_file_t* file = nullptr;
    EVP_CIPHER_CTX* cipher = nullptr;
    EVP_MAC* macAlgorithm = nullptr;
    EVP_MAC_CTX* mac = nullptr;
    z_stream inflater{};
    bool inflating = false;
    bool deflated = false;
    std::array<unsigned char, 16> counter{};
    std::array<unsigned char, 16> keystream{};
    int keystreamUsed = 16;
    qint64 cipherLeft = 0; // encrypted bytes still to read
    std::vector<unsigned char> plain;  // decrypted, not yet inflated (or handed out)
    std::size_t plainPos = 0;
    bool inputDone = false;
    bool finished = false;

    ~State()
    {
        if (file)
            zip_fclose(file);
        if (cipher)
            EVP_CIPHER_CTX_free(cipher);
        if (mac)
            EVP_MAC_CTX_free(mac);
        if (macAlgorithm)
            EVP_MAC_free(macAlgorithm);
        if (inflating)
            inflateEnd(&inflater);
    }

    // Reads exactly n raw bytes; the raw reader checks a CRC only when asked past the end.
    bool readRaw(unsigned char* out, qint64 n)
    {
        qint64 done = 0;
        while (done < n) {
            const zip_int64_t got = zip_fread(file, out + done, static_cast<zip_uint64_t>(n - done));
            if (got <= 0)
                return false;
            done += got;
        }
        return true;
    }

    // WinZip's CTR mode: a little-endian counter starting at 1.
    void decrypt(unsigned char* data, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i) {
            if (keystreamUsed == 16) {
                for (auto& byte : counter) {
                    if (++byte != 0)
                        break;
                }
                int outLength = 0;
                EVP_EncryptUpdate(cipher, keystream.data(), &outLength, counter.data(), 16);
                keystreamUsed = 0;
            }
            data[i] ^= keystream[static_cast<std::size_t>(keystreamUsed++)];
        }
    }
};

WinZipAesReader::WinZipAesReader() = default;
WinZipAesReader::~WinZipAesReader() = default;

bool WinZipAesReader::applies(const zip_stat_t& st)
{
    const bool aes = st.encryption_method == ZIP_EM_AES_128 || st.encryption_method == ZIP_EM_AES_192
        || st.encryption_method == ZIP_EM_AES_256;
    return aes && (st.valid & ZIP_STAT_CRC) && st.crc == 0 && st.size > 0;
}

WinZipAesReader::Outcome WinZipAesReader::open(zip_t* archive, zip_uint64_t index, const zip_stat_t& st,
                                               const QByteArray& password)
{
    m_state = std::make_unique<State>();
    State& s = *m_state;
    int keyLength = 0;
    const EVP_CIPHER* cipher = nullptr;
    switch (st.encryption_method) {
    case ZIP_EM_AES_128: keyLength = 16; cipher = EVP_aes_128_ecb(); break;
    case ZIP_EM_AES_192: keyLength = 24; cipher = EVP_aes_192_ecb(); break;
    case ZIP_EM_AES_256: keyLength = 32; cipher = EVP_aes_256_ecb(); break;
    default: return m_outcome = Outcome::Unsupported;
    }
    if (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE)
        return m_outcome = Outcome::Unsupported;
    const int saltLength = keyLength / 2;
    s.cipherLeft = static_cast<qint64>(st.comp_size) - saltLength - VerifierLength - MacLength;
    if (s.cipherLeft < 0)
        return m_outcome = Outcome::Damaged;
    s.file = zip_fopen_index(archive, index, ZIP_FL_COMPRESSED | ZIP_FL_ENCRYPTED);
    if (!s.file)
        return m_outcome = Outcome::Damaged;

    std::array<unsigned char, 16 + VerifierLength> header{};
    if (!s.readRaw(header.data(), saltLength + VerifierLength))
        return m_outcome = Outcome::Damaged;
    std::vector<unsigned char> keys(static_cast<std::size_t>(2 * keyLength + VerifierLength));
    if (PKCS5_PBKDF2_HMAC_SHA1(password.constData(), static_cast<int>(password.size()), header.data(), saltLength,
                               Iterations, static_cast<int>(keys.size()), keys.data())
        != 1)
        return m_outcome = Outcome::Unsupported;
    if (std::memcmp(keys.data() + 2 * keyLength, header.data() + saltLength, VerifierLength) != 0)
        return m_outcome = Outcome::WrongPassword;

    s.cipher = EVP_CIPHER_CTX_new();
    s.macAlgorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    s.mac = s.macAlgorithm ? EVP_MAC_CTX_new(s.macAlgorithm) : nullptr;
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_construct_end()};
    if (!s.cipher || !s.mac || EVP_EncryptInit_ex(s.cipher, cipher, nullptr, keys.data(), nullptr) != 1
        || EVP_MAC_init(s.mac, keys.data() + keyLength, static_cast<std::size_t>(keyLength), params) != 1)
        return m_outcome = Outcome::Unsupported;
    EVP_CIPHER_CTX_set_padding(s.cipher, 0);
    s.deflated = st.comp_method == ZIP_CM_DEFLATE;
    if (s.deflated) {
        if (inflateInit2(&s.inflater, -15) != Z_OK)
            return m_outcome = Outcome::Unsupported;
        s.inflating = true;
    }
    return m_outcome = Outcome::Ok;
}

// Reads and decrypts the next piece; at the end checks the authentication code.
bool WinZipAesReader::fill()
{
    State& s = *m_state;
    s.plain.clear();
    s.plainPos = 0;
    if (s.cipherLeft == 0) {
        std::array<unsigned char, MacLength> stored{};
        std::array<unsigned char, EVP_MAX_MD_SIZE> computed{};
        std::size_t computedLength = 0;
        if (!s.readRaw(stored.data(), MacLength) || EVP_MAC_final(s.mac, computed.data(), &computedLength, computed.size()) != 1
            || std::memcmp(stored.data(), computed.data(), MacLength) != 0) {
            m_outcome = Outcome::Damaged;
            return false;
        }
        s.inputDone = true;
        return true;
    }
    const std::size_t n = static_cast<std::size_t>(std::min<qint64>(s.cipherLeft, Piece));
    s.plain.resize(n);
    if (!s.readRaw(s.plain.data(), static_cast<qint64>(n))) {
        m_outcome = Outcome::Damaged;
        return false;
    }
    s.cipherLeft -= static_cast<qint64>(n);
    EVP_MAC_update(s.mac, s.plain.data(), n);
    s.decrypt(s.plain.data(), n);
    return true;
}

qint64 WinZipAesReader::read(char* data, qint64 length)
{
    if (!m_state || m_outcome != Outcome::Ok)
        return -1;
    State& s = *m_state;
    qint64 written = 0;
    while (written < length && !s.finished) {
        if (s.plainPos >= s.plain.size()) {
            if (s.inputDone) {
                if (!s.deflated) {
                    s.finished = true;
                    break;
                }
            } else if (!fill()) {
                return -1;
            }
        }
        const std::size_t available = s.plain.size() - s.plainPos;
        if (!s.deflated) {
            const std::size_t n = std::min<std::size_t>(available, static_cast<std::size_t>(length - written));
            std::memcpy(data + written, s.plain.data() + s.plainPos, n);
            s.plainPos += n;
            written += static_cast<qint64>(n);
            continue;
        }
        s.inflater.next_in = s.plain.data() + s.plainPos;
        s.inflater.avail_in = static_cast<uInt>(available);
        s.inflater.next_out = reinterpret_cast<Bytef*>(data + written);
        s.inflater.avail_out = static_cast<uInt>(length - written);
        const int rc = inflate(&s.inflater, Z_NO_FLUSH);
        s.plainPos += available - s.inflater.avail_in;
        written = length - s.inflater.avail_out;
        if (rc == Z_STREAM_END) {
            // Drain the rest so that the authentication code is checked.
            while (!s.inputDone) {
                if (!fill())
                    return -1;
            }
            s.finished = true;
        } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
            m_outcome = Outcome::Damaged;
            return -1;
        } else if (rc == Z_BUF_ERROR && s.inputDone && s.plainPos >= s.plain.size()) {
            m_outcome = Outcome::Damaged; // the deflate stream ends too early
            return -1;
        }
    }
    return written;
}

} // namespace ksv
