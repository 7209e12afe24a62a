#pragma once
// Password-protected copies of a document. The open document is never changed: the copy
// is serialised with its own encryption and written next to nothing else. Passwords are
// used for the encryption only; nothing here keeps, logs or stores them.
#include "pdf/document/Document.h"

#include <QString>

#include <stdexcept>

class ProtectionService {
public:
    class ProtectionError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    struct Settings {
        QString ownerPassword; // required
        QString userPassword;  // empty: the copy opens without a password
        bool allowPrinting = true;
        bool allowCopying = true;
        // The copy is written although the document's signatures break (asked first).
        bool breakSignatures = false;
    };

    // The name offered for the protected copy: every ".pdf" (case-sensitive) becomes
    // "_protected.pdf"; a name without ".pdf" comes back unchanged.
    static QString protectedFileName(const QString& fileName);

    // Writes the protected copy atomically to `path`. Throws ProtectionError whose what()
    // names the reason; the file at `path` is then left as it was.
    static void writeProtectedCopy(const pdf::Document& document, const QString& path,
                                   const Settings& settings);

    ProtectionService() = delete;
};
