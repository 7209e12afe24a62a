#include "viewmodels/DocumentRestrictions.h"

#include "desktop/Alerts.h"
#include "platform/Preferences.h"
#include "viewmodels/DocumentViewModel.h"

#include <QStringList>

namespace {
const QString preferenceKey = QStringLiteral("ignore_document_restrictions");
} // namespace

bool DocumentRestrictions::ignored() {
    return Preferences::data(preferenceKey).value_or(QByteArray()) == "1";
}

void DocumentRestrictions::setIgnored(bool on) {
    Preferences::setData(preferenceKey, on ? "1" : "0");
}

bool DocumentRestrictions::permits(const pdf::Permissions& permissions, DocumentEdit::Kind kind) {
    switch (kind) {
    case DocumentEdit::Kind::annotations:
        return permissions.annotate;
    case DocumentEdit::Kind::formValues:
        return permissions.fillForms;
    case DocumentEdit::Kind::pages:
        return permissions.assemble;
    case DocumentEdit::Kind::content:
        break;
    }
    return permissions.modify;
}

QString DocumentRestrictions::forbidden(const pdf::Permissions& permissions) {
    QStringList what;
    if (!permissions.modify)
        what << QStringLiteral("changing it");
    if (!permissions.assemble)
        what << QStringLiteral("adding, removing or rotating pages");
    if (!permissions.annotate)
        what << QStringLiteral("annotating it");
    if (!permissions.fillForms)
        what << QStringLiteral("filling in its forms");
    if (!permissions.copy)
        what << QStringLiteral("copying its text");
    if (!permissions.print)
        what << QStringLiteral("printing it");
    if (what.size() < 2)
        return what.join(QString());
    const QString last = what.takeLast();
    return what.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

bool DocumentViewModel::allows(DocumentEdit::Kind kind) {
    if (!pdfDocument_ || DocumentRestrictions::ignored())
        return true;
    if (permissionsBeforeUnlock_ && !pdfDocument_->isLocked()) {
        permissions_ = pdf::permissionsOf(*pdfDocument_); // the owner password may have opened it
        permissionsBeforeUnlock_ = false;
    }
    const pdf::Permissions& permissions = permissions_;
    if (DocumentRestrictions::permits(permissions, kind))
        return true;
    Alerts::current()->inform(
        QStringLiteral("Not Allowed by the Author"),
        QStringLiteral("The author of \u201c%1\u201d does not allow %2. To work on it anyway, "
                       "turn on Edit > Ignore Document Restrictions.")
            .arg(fileName_, DocumentRestrictions::forbidden(permissions)));
    return false;
}
