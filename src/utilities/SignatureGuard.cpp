#include "utilities/SignatureGuard.h"

namespace {

QString nameOf(const StandardSignature::Result& result) {
    return result.signer.isEmpty() ? QStringLiteral("an unnamed signer") : result.signer;
}

// "Ada", "Ada and Grace", "Ada, Grace and Katherine".
QString joined(const QStringList& names) {
    if (names.size() < 2)
        return names.join(QString());
    return names.mid(0, names.size() - 1).join(", ") + " and " + names.last();
}

unsigned appendedKind(SignatureGuard::Edit edit) {
    using Kind = StandardSignature::ChangeKind;
    switch (edit) {
    case SignatureGuard::Edit::annotations:
        return Kind::Annotations;
    case SignatureGuard::Edit::formValues:
        return Kind::FormValues;
    case SignatureGuard::Edit::signature:
        return Kind::SignaturesAdded;
    case SignatureGuard::Edit::content:
    case SignatureGuard::Edit::rewrite:
        break;
    }
    return 0;
}

} // namespace

SignatureGuard::Verdict SignatureGuard::check(const pdf::Document& document, Edit edit) {
    return check(StandardSignature::verify(document), edit);
}

SignatureGuard::Verdict
SignatureGuard::check(const std::vector<StandardSignature::Result>& signatures, Edit edit) {
    Verdict verdict;
    QStringList valid;
    QString certifier;
    int level = 0;
    for (const StandardSignature::Result& result : signatures) {
        // A signature that no longer holds has nothing left to lose.
        if (result.isGood())
            valid << nameOf(result);
        if (result.certifies && certifier.isEmpty()) {
            certifier = nameOf(result);
            level = result.certification;
        }
    }
    if (valid.isEmpty())
        return verdict;
    verdict.signers = valid;
    if (const unsigned kind = appendedKind(edit)) {
        if (kind & StandardSignature::allowedChanges(level))
            return {};
        verdict.kind = Verdict::Kind::refused;
        verdict.reason =
            level == 1 ? QStringLiteral("The document is certified by %1 to allow no changes.")
                             .arg(certifier)
                       : QStringLiteral("The document is certified by %1 to allow %2 only.")
                             .arg(certifier, StandardSignature::certificationText(level));
        return verdict;
    }
    verdict.kind = Verdict::Kind::invalidates;
    verdict.reason = valid.size() == 1
                         ? QStringLiteral("It invalidates the signature of %1.").arg(valid[0])
                         : QStringLiteral("It invalidates %1 signatures, by %2.")
                               .arg(valid.size())
                               .arg(joined(valid));
    return verdict;
}
