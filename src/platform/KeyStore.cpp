#include "platform/KeyStore.h"

#include "base/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kSuffix = ".pem";
// Longest file name most Linux file systems accept.
constexpr qsizetype kMaxFileName = 255;

bool isLiteral(char c, bool first) {
    if (c >= 'a' && c <= 'z')
        return true;
    if (c >= '0' && c <= '9')
        return true;
    if (c == '-' || c == '_')
        return true;
    // A leading dot would hide the file and could spell "." or "..".
    return c == '.' && !first;
}

int hexValue(QChar c) {
    if (c >= '0' && c <= '9')
        return c.unicode() - '0';
    if (c >= 'A' && c <= 'F')
        return c.unicode() - 'A' + 10;
    return -1; // lower-case escapes are not canonical, so they are refused
}

QString systemError(const QString& what) {
    return what + ": " + QString::fromLocal8Bit(std::strerror(errno));
}

// A descriptor that closes itself.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

KeyStore::PrivateKey adopt(EVP_PKEY* key) {
    return KeyStore::PrivateKey(key, [](EVP_PKEY* k) { EVP_PKEY_free(k); });
}

} // namespace

KeyStore::KeyStore()
    : folder_(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/keys") {}

KeyStore::KeyStore(QString folder) : folder_(std::move(folder)) {}

QString KeyStore::fileNameForTag(const QByteArray& tag) {
    static const char digits[] = "0123456789ABCDEF";
    QString name;
    name.reserve(tag.size() + 4);
    for (qsizetype i = 0; i < tag.size(); ++i) {
        const char c = tag[i];
        if (isLiteral(c, i == 0)) {
            name += QLatin1Char(c);
        } else {
            const auto b = static_cast<unsigned char>(c);
            name += '%';
            name += QLatin1Char(digits[b >> 4]);
            name += QLatin1Char(digits[b & 0xF]);
        }
    }
    return name + kSuffix;
}

std::optional<QByteArray> KeyStore::tagForFileName(const QString& fileName) {
    if (!fileName.endsWith(kSuffix))
        return std::nullopt;
    const QString body = fileName.chopped(int(std::strlen(kSuffix)));
    if (body.isEmpty())
        return std::nullopt;
    QByteArray tag;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body[i];
        if (c == '%') {
            if (i + 2 >= body.size())
                return std::nullopt;
            const int hi = hexValue(body[i + 1]);
            const int lo = hexValue(body[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            const char b = char(hi * 16 + lo);
            if (isLiteral(b, tag.isEmpty()))
                return std::nullopt; // escaped where a literal belongs: not our spelling
            tag += b;
            i += 2;
        } else if (c.unicode() < 128 && isLiteral(char(c.unicode()), tag.isEmpty())) {
            tag += char(c.unicode());
        } else {
            return std::nullopt;
        }
    }
    return tag;
}

bool KeyStore::ensureFolder(QString* error) const {
    const QByteArray path = QFile::encodeName(folder_);
    QDir().mkpath(QFileInfo(folder_).absolutePath());
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        if (error)
            *error = systemError("Cannot create the key folder");
        return false;
    }
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (error)
            *error = "The key folder is not a folder";
        return false;
    }
    // A folder made earlier by someone else's umask is tightened, not trusted as it is.
    if ((st.st_mode & 0777) != 0700 && ::chmod(path.constData(), 0700) != 0) {
        if (error)
            *error = systemError("Cannot restrict the key folder");
        return false;
    }
    return true;
}

KeyStore::PrivateKey KeyStore::findPrivateKey(const QByteArray& tag) const {
    const QString name = fileNameForTag(tag);
    if (tag.isEmpty() || name.size() > kMaxFileName)
        return nullptr;
    Fd dir(::open(QFile::encodeName(folder_).constData(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.fd < 0)
        return nullptr;
    const int fd = ::openat(dir.fd, name.toLatin1().constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    BIO* bio = BIO_new_fd(fd, BIO_CLOSE);
    if (!bio) {
        ::close(fd);
        return nullptr;
    }
    EVP_PKEY* key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    ERR_clear_error();
    if (!key)
        return nullptr;
    if (!EVP_PKEY_is_a(key, "RSA")) {
        EVP_PKEY_free(key);
        return nullptr;
    }
    return adopt(key);
}

KeyStore::StoreResult KeyStore::storePrivateKey(const QByteArray& tag, const PrivateKey& key,
                                                QString* error) const {
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        ERR_clear_error();
        return StoreResult::Failed;
    };
    if (!key)
        return fail("No key to store");
    if (tag.isEmpty())
        return fail("A key needs a tag");
    const QByteArray name = fileNameForTag(tag).toLatin1();
    if (name.size() > kMaxFileName)
        return fail("The name is too long for the key store");
    if (!ensureFolder(error))
        return StoreResult::Failed;
    Fd dir(::open(QFile::encodeName(folder_).constData(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.fd < 0)
        return fail(systemError("Cannot open the key folder"));

    // Temporary names start with a dot, which no key's file name does.
    const QByteArray temp =
        ".new-" + QByteArray::number(QRandomGenerator::system()->generate64(), 16);
    // Created 0600 by open itself: the key is never readable by anyone else.
    const int fd = ::openat(dir.fd, temp.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(systemError("Cannot create the key file"));
    Fd file(fd);
    auto discard = [&](const QString& message) {
        ::unlinkat(dir.fd, temp.constData(), 0);
        return fail(message);
    };

    BIO* bio = BIO_new_fd(file.fd, BIO_NOCLOSE);
    if (!bio)
        return discard("Cannot write the key file");
    const bool written =
        PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1 &&
        BIO_flush(bio) == 1;
    BIO_free(bio);
    if (!written)
        return discard("Cannot write the key file");
    if (::fsync(file.fd) != 0)
        return discard(systemError("Cannot write the key file"));

    int moved = ::renameat2(dir.fd, temp.constData(), dir.fd, name.constData(), RENAME_NOREPLACE);
    if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // File systems without RENAME_NOREPLACE: a hard link refuses an existing name too.
        moved = ::linkat(dir.fd, temp.constData(), dir.fd, name.constData(), 0);
        if (moved == 0)
            ::unlinkat(dir.fd, temp.constData(), 0);
    }
    if (moved != 0) {
        if (errno == EEXIST) {
            ::unlinkat(dir.fd, temp.constData(), 0);
            ERR_clear_error();
            return StoreResult::AlreadyExists;
        }
        return discard(systemError("Cannot store the key file"));
    }
    ::fsync(dir.fd);
    return StoreResult::Stored;
}

namespace {

QString certificateFileName(const QByteArray& tag) {
    return KeyStore::fileNameForTag(tag).chopped(int(std::strlen(kSuffix))) + ".crt";
}

} // namespace

bool KeyStore::storeCertificates(const QByteArray& tag, const QByteArray& pem,
                                 QString* error) const {
    const QString name = certificateFileName(tag);
    if (tag.isEmpty() || name.size() > kMaxFileName) {
        if (error)
            *error = "The name is too long for the key store";
        return false;
    }
    if (!ensureFolder(error))
        return false;
    // Certificates are public; the folder (0700) already keeps them from other users.
    const QString path = folder_ + "/" + name;
    if (!base::writeFile(path, pem, error))
        return false;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

QByteArray KeyStore::findCertificates(const QByteArray& tag) const {
    const QString name = certificateFileName(tag);
    if (tag.isEmpty() || name.size() > kMaxFileName)
        return {};
    QFile file(folder_ + "/" + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

std::vector<QByteArray> KeyStore::tags() const {
    std::vector<QByteArray> result;
    const QStringList names =
        QDir(folder_).entryList({QString("*") + kSuffix}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (auto tag = tagForFileName(name))
            result.push_back(*tag);
    }
    return result;
}
