#include "utilities/ProtectionService.h"

QString ProtectionService::protectedFileName(const QString& fileName) {
    QString name = fileName;
    return name.replace(QStringLiteral(".pdf"), QStringLiteral("_protected.pdf"),
                        Qt::CaseSensitive);
}

void ProtectionService::writeProtectedCopy(const pdf::Document& document, const QString& path,
                                           const Settings& settings) {
    if (settings.ownerPassword.isEmpty())
        throw ProtectionError("An owner password is required.");
    if (document.isLocked())
        throw ProtectionError("The document is locked by its own password.");
    pdf::WriteOptions options;
    options.ownerPassword = settings.ownerPassword;
    options.userPassword = settings.userPassword;
    options.allowPrinting = settings.allowPrinting;
    options.allowCopying = settings.allowCopying;
    options.breakSignatures = settings.breakSignatures;
    QString reason;
    if (!document.write(path, options, &reason))
        throw ProtectionError(reason.isEmpty() ? std::string("The file could not be written.")
                                               : reason.toStdString());
}
