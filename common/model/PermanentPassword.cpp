#include "PermanentPassword.h"

#include "SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace ksv::PermanentPassword {

namespace {

constexpr int kKeySize = 32;
constexpr int kNonceSize = 12;
constexpr int kTagSize = 16;
constexpr unsigned char kVersion = 0x01;
const QByteArray kAssociated("kestrave permanent zip password v1");

struct CipherContextFree
{
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

unsigned char* bytes(QByteArray& a)
{
    return reinterpret_cast<unsigned char*>(a.data());
}

const unsigned char* bytes(const QByteArray& a)
{
    return reinterpret_cast<const unsigned char*>(a.constData());
}

QByteArray readKey(const QString& keyPath)
{
    QFile f(keyPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray key = f.read(kKeySize + 1);
    if (key.size() != kKeySize)
        return {};
    // Keep it readable only by its owner, whatever happened to it since.
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return key;
}

// The key, created when the file does not exist yet. O_EXCL makes two processes that create it
// at once agree on one key.
QByteArray obtainKey(const QString& keyPath)
{
    QByteArray key = readKey(keyPath);
    if (!key.isEmpty())
        return key;
    const QString folder = QFileInfo(keyPath).absolutePath();
    if (!QDir().mkpath(folder))
        return {};
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    key.resize(kKeySize);
    if (RAND_bytes(bytes(key), kKeySize) != 1)
        return {};
    const QByteArray native = QFile::encodeName(keyPath);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return errno == EEXIST ? readKey(keyPath) : QByteArray();
    const bool written = ::write(fd, key.constData(), kKeySize) == kKeySize;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(native.constData());
        return {};
    }
    return key;
}

} // namespace

QString keyFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kestrave/zip-password.key");
}

QString encipher(const QString& clear, const QString& keyPath)
{
    if (clear.isEmpty())
        return {};
    const QByteArray key = obtainKey(keyPath);
    if (key.isEmpty())
        return {};
    QByteArray nonce(kNonceSize, '\0');
    if (RAND_bytes(bytes(nonce), kNonceSize) != 1)
        return {};
    const QByteArray plain = clear.toUtf8();
    QByteArray cipher(plain.size() + kTagSize, '\0');
    QByteArray tag(kTagSize, '\0');

    CipherContext ctx(EVP_CIPHER_CTX_new());
    int len = 0;
    int total = 0;
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceSize, nullptr) != 1 ||
        EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, bytes(key), bytes(nonce)) != 1 ||
        EVP_EncryptUpdate(ctx.get(), nullptr, &len, bytes(kAssociated),
                          static_cast<int>(kAssociated.size())) != 1 ||
        EVP_EncryptUpdate(ctx.get(), bytes(cipher), &len, bytes(plain), static_cast<int>(plain.size())) != 1)
        return {};
    total = len;
    if (EVP_EncryptFinal_ex(ctx.get(), bytes(cipher) + total, &len) != 1)
        return {};
    total += len;
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, tag.data()) != 1)
        return {};
    cipher.resize(total);

    QByteArray blob;
    blob.append(static_cast<char>(kVersion));
    blob.append(nonce);
    blob.append(cipher);
    blob.append(tag);
    return QString::fromLatin1(blob.toHex().toUpper());
}

QString decipher(const QString& stored, const QString& keyPath)
{
    const QString text = stored.trimmed();
    if (text.isEmpty() || text.size() % 2 != 0)
        return {};
    for (const QChar c : text) {
        if (!c.isDigit() && !(c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F')))
            return {};
    }
    const QByteArray blob = QByteArray::fromHex(text.toLatin1());
    if (blob.size() < 1 + kNonceSize + kTagSize || static_cast<unsigned char>(blob.at(0)) != kVersion)
        return {};
    const QByteArray key = readKey(keyPath);
    if (key.isEmpty())
        return {};
    const QByteArray nonce = blob.mid(1, kNonceSize);
    const QByteArray cipher = blob.mid(1 + kNonceSize, blob.size() - 1 - kNonceSize - kTagSize);
    QByteArray tag = blob.right(kTagSize);
    QByteArray plain(cipher.size() + kTagSize, '\0');

    CipherContext ctx(EVP_CIPHER_CTX_new());
    int len = 0;
    int total = 0;
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceSize, nullptr) != 1 ||
        EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, bytes(key), bytes(nonce)) != 1 ||
        EVP_DecryptUpdate(ctx.get(), nullptr, &len, bytes(kAssociated),
                          static_cast<int>(kAssociated.size())) != 1 ||
        EVP_DecryptUpdate(ctx.get(), bytes(plain), &len, bytes(cipher), static_cast<int>(cipher.size())) != 1)
        return {};
    total = len;
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) != 1)
        return {};
    if (EVP_DecryptFinal_ex(ctx.get(), bytes(plain) + total, &len) != 1)
        return {}; // altered text or another key
    total += len;
    plain.resize(total);
    return QString::fromUtf8(plain);
}

bool store(IniFile& settings, const QString& clear)
{
    const QString stored = encipher(clear);
    if (!clear.isEmpty() && stored.isEmpty())
        return false;
    return settings.writeString(SettingsKeys::Div, SettingsKeys::div::dateinstall, stored);
}

} // namespace ksv::PermanentPassword

namespace ksv {

QString Encryption(const QString& T, int, int)
{
    return PermanentPassword::decipher(T);
}

QString Encryption2(const QString& T, int, int)
{
    return PermanentPassword::decipher(T);
}

} // namespace ksv
