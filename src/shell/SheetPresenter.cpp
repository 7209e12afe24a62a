#include "shell/SheetPresenter.h"

#include "shell/SheetFlags.h"

namespace {

template <typename Getter, typename Setter, typename Signal>
SheetPresenter::Flag flagOf(SheetFlags* flags, Getter get, Setter set, Signal changed) {
    SheetPresenter::Flag flag;
    flag.get = [flags, get] { return (flags->*get)(); };
    flag.set = [flags, set](bool on) { (flags->*set)(on); };
    flag.watch = [flags, changed](QObject* context, std::function<void()> onChange) {
        return QObject::connect(flags, changed, context, std::move(onChange));
    };
    return flag;
}

} // namespace

SheetPresenter::SheetPresenter(QWidget* window, SheetFlags* flags, QObject* parent)
    : QObject(parent), window_(window) {
    using F = SheetFlags;
    setFlag(SheetKind::exportSheet,
            flagOf(flags, &F::showExport, &F::setShowExport, &F::showExportChanged));
    // The recognition sheet's flag lives with the recognition state: see setFlag.
    setFlag(SheetKind::documentCreation,
            flagOf(flags, &F::showDocumentCreation, &F::setShowDocumentCreation,
                   &F::showDocumentCreationChanged));
    setFlag(SheetKind::signature,
            flagOf(flags, &F::showSignature, &F::setShowSignature, &F::showSignatureChanged));
    setFlag(SheetKind::pageManagement,
            flagOf(flags, &F::showPageManagement, &F::setShowPageManagement,
                   &F::showPageManagementChanged));
    setFlag(SheetKind::passwordProtection,
            flagOf(flags, &F::showPasswordProtection, &F::setShowPasswordProtection,
                   &F::showPasswordProtectionChanged));
    setFlag(SheetKind::watermark,
            flagOf(flags, &F::showWatermark, &F::setShowWatermark, &F::showWatermarkChanged));
    setFlag(SheetKind::compare,
            flagOf(flags, &F::showCompare, &F::setShowCompare, &F::showCompareChanged));
    setFlag(SheetKind::formFields,
            flagOf(flags, &F::showFormFields, &F::setShowFormFields, &F::showFormFieldsChanged));
    setFlag(SheetKind::reduceFileSize,
            flagOf(flags, &F::showReduceFileSize, &F::setShowReduceFileSize,
                   &F::showReduceFileSizeChanged));
    setFlag(SheetKind::findAndRedact, flagOf(flags, &F::showFindAndRedact, &F::setShowFindAndRedact,
                                             &F::showFindAndRedactChanged));
}

void SheetPresenter::setFlag(SheetKind kind, Flag flag) {
    Entry& entry = entries_[size_t(kind)];
    disconnect(entry.connection);
    entry.flag = std::move(flag);
    if (entry.flag.watch)
        entry.connection = entry.flag.watch(this, [this, kind] { flagChanged(kind); });
    flagChanged(kind);
}

void SheetPresenter::setMaker(SheetKind kind, Maker maker) {
    entries_[size_t(kind)].maker = std::move(maker);
}

bool SheetPresenter::hasMaker(SheetKind kind) const {
    return bool(entries_[size_t(kind)].maker);
}

QDialog* SheetPresenter::dialog(SheetKind kind) const {
    return entries_[size_t(kind)].dialog;
}

void SheetPresenter::flagChanged(SheetKind kind) {
    Entry& entry = entries_[size_t(kind)];
    if (!entry.flag.get)
        return;
    const bool on = entry.flag.get();
    if (on && !entry.dialog) {
        present(kind);
    } else if (!on && entry.dialog && entry.dialog->isVisible()) {
        entry.dialog->reject();
    }
}

void SheetPresenter::present(SheetKind kind) {
    Entry& entry = entries_[size_t(kind)];
    QDialog* dialog = entry.maker && window_ ? entry.maker(window_) : nullptr;
    if (!dialog) {
        // Nothing to show: drop the flag so the next command can raise it again.
        entry.flag.set(false);
        return;
    }
    entry.dialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::finished, this, [this, kind] {
        Entry& e = entries_[size_t(kind)];
        e.dialog.clear();
        if (e.flag.get && e.flag.get())
            e.flag.set(false);
        emit sheetClosed(kind);
    });
    dialog->open();
}
