#pragma once
// The user's store of RSA private keys, each found by an application tag (arbitrary
// bytes). One PEM file per key in a folder only the user may enter (0700); every key
// file is created 0600 and never exists in clear anywhere else, not even briefly.
#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct evp_pkey_st; // OpenSSL's EVP_PKEY, kept out of this header on purpose

class KeyStore {
public:
    using PrivateKey = std::shared_ptr<evp_pkey_st>;
    enum class StoreResult { Stored, AlreadyExists, Failed };

    // The user's store: QStandardPaths::AppDataLocation + "/keys".
    KeyStore();
    // A store in another folder (tests, tools).
    explicit KeyStore(QString folder);

    QString folder() const { return folder_; }

    // Tags are non-empty byte strings.
    // The key kept under `tag`, or nullptr when there is none or it cannot be read.
    PrivateKey findPrivateKey(const QByteArray& tag) const;

    // Keeps `key` permanently under `tag`. A key already stored under the tag is never
    // replaced (AlreadyExists): a second key would orphan every signature of the first.
    StoreResult storePrivateKey(const QByteArray& tag, const PrivateKey& key,
                                QString* error = nullptr) const;

    // The certificates (PEM, the signer's first, then its chain) kept beside the key under
    // `tag`, in a file of the same safe name with ".crt" for ".pem", 0600. Replaced when
    // stored again: a certificate may be renewed for the same key.
    bool storeCertificates(const QByteArray& tag, const QByteArray& pem,
                           QString* error = nullptr) const;
    QByteArray findCertificates(const QByteArray& tag) const;

    // Every tag that has a key in the store, in file-name order.
    std::vector<QByteArray> tags() const;

    // The file name a tag is kept under, and back. Reversible and injective; the name has
    // only [a-z0-9._%-], never starts with a dot, so it cannot leave the folder.
    static QString fileNameForTag(const QByteArray& tag);
    static std::optional<QByteArray> tagForFileName(const QString& fileName);

private:
    bool ensureFolder(QString* error) const;
    QString folder_;
};
