#include "viewmodels/ReduceFileSizeViewModel.h"

#include "desktop/FileDialogs.h"
#include "pdf/document/Document.h"
#include "viewmodels/DocumentViewModel.h"

#include <QFileInfo>
#include <QLocale>

ReduceFileSizeViewModel::ReduceFileSizeViewModel(DocumentViewModel& documentVM, QObject* parent)
    : QObject(parent), documentVM_(documentVM) {
    if (const pdf::DocumentPtr& document = documentVM_.pdfDocument())
        if (!document->path().isEmpty())
            inputBytes_ = QFileInfo(document->path()).size();
}

void ReduceFileSizeViewModel::setLevelIndex(int index) {
    if (index < 0 || index >= int(levels.size()) || index == levelIndex_)
        return;
    levelIndex_ = index;
    emit levelChanged();
}

void ReduceFileSizeViewModel::setStatus(const QString& message, bool success) {
    statusMessage_ = message;
    isSuccess_ = success;
    emit statusChanged();
}

QString ReduceFileSizeViewModel::proposedFileName() const {
    QString name = documentVM_.fileName();
    if (name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        name.chop(4);
    return (name.isEmpty() ? QStringLiteral("document") : name) + QStringLiteral("_smaller.pdf");
}

void ReduceFileSizeViewModel::estimate() {
    const pdf::DocumentPtr document = documentVM_.pdfDocument();
    if (!document || document->path().isEmpty() || isEstimating_)
        return;
    base::Task::Handlers handlers;
    handlers.failed = [this](const QString&) {
        isEstimating_ = false;
        emit estimatesChanged();
    };
    estimating_ = base::Task::run(
        this,
        [document](base::TaskContext& context) {
            return pdf::estimateOptimizedSizes(*document, &context.cancelToken());
        },
        [this](const pdf::SizeEstimates& estimates) {
            const qint64 values[] = {estimates.lossless, estimates.balanced, estimates.small};
            for (size_t i = 0; i < sizes_.size(); ++i)
                if (!written_[i])
                    sizes_[i] = values[i];
            isEstimating_ = false;
            emit estimatesChanged();
        },
        handlers);
    isEstimating_ = true;
    emit estimatesChanged();
}

void ReduceFileSizeViewModel::reduce() {
    const pdf::DocumentPtr document = documentVM_.pdfDocument();
    if (!document || isRunning_)
        return;
    if (document->path().isEmpty()) {
        setStatus(tr("Save the document first: only a file can be made smaller."), false);
        return;
    }
    // The smaller copy is written whole: a signed document's signatures do not hold in it.
    if (!documentVM_.allowsEdit(SignatureGuard::Edit::rewrite, tr("Reducing the file size")))
        return;
    const QString path = FileDialogs::current()->savePdf(proposedFileName(),
                                                         FileDialogs::folderOf(document->path()));
    if (path.isEmpty())
        return;
    pdf::OptimizeSettings settings;
    settings.level = level();
    progress_ = 0;
    emit progressChanged();
    setStatus(QString(), false);
    base::Task::Handlers handlers;
    handlers.progress = [this](int done, int total) {
        progress_ = total > 0 ? 100 * done / total : 0;
        emit progressChanged();
    };
    handlers.failed = [this, path](const QString& error) {
        isRunning_ = false;
        emit runningChanged();
        setStatus(tr("“%1” could not be written: %2").arg(QFileInfo(path).fileName(), error),
                  false);
    };
    writing_ = base::Task::run(
        this,
        [document, path, settings](base::TaskContext& context) {
            return pdf::writeOptimizedCopy(
                *document, path, settings,
                [&context](int done, int total) { context.progress(done, total); },
                &context.cancelToken());
        },
        [this, path](const pdf::OptimizeReport& report) { finished(report, path); }, handlers);
    isRunning_ = true;
    emit runningChanged();
}

void ReduceFileSizeViewModel::finished(const pdf::OptimizeReport& report, const QString& path) {
    isRunning_ = false;
    emit runningChanged();
    if (report.cancelled) {
        setStatus(tr("Stopped: nothing was written."), false);
        return;
    }
    const size_t at = index(level());
    sizes_[at] = std::min(report.outputBytes, report.inputBytes);
    written_[at] = true;
    emit estimatesChanged();
    if (!report.written) {
        setStatus(tr("The file is already as small as this level makes it: nothing was written."),
                  false);
        return;
    }
    const QLocale locale;
    QString message =
        tr("Saved “%1”: %2 instead of %3.")
            .arg(
                QFileInfo(path).fileName(),
                locale.formattedDataSize(report.outputBytes, 1, QLocale::DataSizeTraditionalFormat),
                locale.formattedDataSize(report.inputBytes, 1, QLocale::DataSizeTraditionalFormat));
    if (report.damagedImages > 0)
        message += ' ' + tr("%n damaged image(s) kept as they were.", "", report.damagedImages);
    setStatus(message, true);
}

void ReduceFileSizeViewModel::cancel() {
    writing_.cancel();
}
