#include "viewmodels/OCRViewModel.h"

#include "base/AtomicFile.h"
#include "base/ParallelFor.h"
#include "desktop/FileDialogs.h"
#include "pdf/document/Page.h"
#include "utilities/OCRService.h"

#include <QFileInfo>

namespace {

QString errorLine(const std::exception& error) {
    return QStringLiteral("Error: ") + QString::fromUtf8(error.what());
}

} // namespace

OCRViewModel::OCRViewModel(QObject* parent) : QObject(parent) {}

OCRViewModel::~OCRViewModel() {
    // Recognition stops within a few words; the engine is not left running into the exit.
    task_.cancel();
    task_.wait();
}

bool OCRViewModel::waitForBackgroundWork(int msecs) {
    return task_.wait(msecs);
}

void OCRViewModel::setOcrLanguage(const QString& language) {
    if (ocrLanguage_ == language || language.isEmpty())
        return;
    ocrLanguage_ = language;
    emit ocrLanguageChanged();
}

void OCRViewModel::setOcrStatus(const std::optional<QString>& status) {
    if (ocrStatus_ == status)
        return;
    ocrStatus_ = status;
    emit ocrStatusChanged();
}

QStringList OCRViewModel::availableLanguages() {
    return OCRService::installedLanguages();
}

void OCRViewModel::setDocumentSource(std::function<pdf::DocumentPtr()> source) {
    documentSource_ = std::move(source);
}

QStringList OCRViewModel::languages() const {
    return {ocrLanguage_};
}

void OCRViewModel::setOcrText(const std::optional<QString>& text) {
    if (ocrText_ == text)
        return;
    ocrText_ = text;
    emit ocrTextChanged();
}

void OCRViewModel::setShowOCRSheet(bool show) {
    if (showOCRSheet_ == show)
        return;
    showOCRSheet_ = show;
    emit showOCRSheetChanged();
}

void OCRViewModel::setOcrProgress(const std::optional<QString>& progress) {
    if (ocrProgress_ == progress)
        return;
    ocrProgress_ = progress;
    emit ocrProgressChanged();
}

void OCRViewModel::setIsOCRRunning(bool running) {
    if (isOCRRunning_ == running)
        return;
    isOCRRunning_ = running;
    emit isOCRRunningChanged();
}

base::Task::Handlers OCRViewModel::beginRun(const std::optional<QString>& progress) {
    setOcrText(std::nullopt);
    setShowOCRSheet(true);
    setOcrProgress(progress);
    setIsOCRRunning(true);
    setOcrStatus(std::nullopt);
    base::Task::Handlers handlers;
    handlers.progress = [this](int current, int total) {
        setOcrProgress(QString("Page %1 of %2").arg(current).arg(total));
    };
    handlers.failed = [this](const QString& error) {
        finishRun(QStringLiteral("Error: ") + error);
    };
    // One engine at a time: the run it supersedes (stopped as task_ takes the new one) ends first.
    handlers.after = &task_;
    return handlers;
}

void OCRViewModel::finishRun(const std::optional<QString>& text) {
    setOcrText(text);
    setIsOCRRunning(false);
    setOcrProgress(std::nullopt);
}

void OCRViewModel::ocrCurrentPage(const pdf::DocumentPtr& document, int currentPageIndex) {
    if (!document)
        return;
    pdf::PagePtr page = document->page(currentPageIndex);
    if (!page)
        return;
    task_ = base::Task::run(
        this,
        [page = std::move(page), languages = languages()](base::TaskContext& context) {
            const base::PoolTask task;
            return std::optional<QString>(OCRService::recognizeText(
                page, languages, OCRService::RecognitionLevel::accurate, &context.cancelToken()));
        },
        [this](const std::optional<QString>& text) { finishRun(text); }, beginRun(std::nullopt));
}

void OCRViewModel::ocrEntireDocument(const pdf::DocumentPtr& document) {
    if (!document)
        return;
    task_ = base::Task::run(
        this,
        [document, languages = languages()](base::TaskContext& context) {
            const base::PoolTask task;
            const QString text = OCRService::sectionedText(OCRService::recognizeText(
                document, languages,
                [&context](int current, int total) { context.progress(current, total); },
                &context.cancelToken()));
            return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
        },
        [this](const std::optional<QString>& text) { finishRun(text); },
        beginRun(QStringLiteral("Starting...")));
}

void OCRViewModel::makeSearchable() {
    if (documentSource_)
        makeSearchable(documentSource_());
}

void OCRViewModel::makeSearchable(const pdf::DocumentPtr& document, bool force) {
    if (!document)
        return;
    OCRService::SearchableOptions options;
    options.languages = languages();
    options.force = force;
    task_ = base::Task::run(
        this,
        [document, options](base::TaskContext& context) mutable {
            options.cancel = &context.cancelToken();
            options.progressHandler = [&context](int current, int total) {
                context.progress(current, total);
            };
            return OCRService::recognizeForTextLayer(document, options);
        },
        // The document changes here, on the main thread, in one go, and only if the run is
        // still the current one: a run cancelled meanwhile leaves it as it was.
        [this, document](const OCRService::SearchableRun& result) {
            int added = 0;
            try {
                added = OCRService::addTextLayers(result);
            } catch (const OCRService::OCRError& e) {
                finishRun(errorLine(e));
                return;
            }
            const QString text = OCRService::searchableText(result);
            finishRun(text.isEmpty() ? std::nullopt : std::optional<QString>(text));
            QString status = added == 1 ? tr("Text layer added to 1 page.")
                                        : tr("Text layer added to %1 pages.").arg(added);
            if (result.pagesWithText == 1)
                status += ' ' + tr("1 page already had text.");
            else if (result.pagesWithText > 1)
                status += ' ' + tr("%1 pages already had text.").arg(result.pagesWithText);
            setOcrStatus(status);
            if (added > 0)
                emit documentEdited(document);
        },
        beginRun(QStringLiteral("Starting...")));
}

void OCRViewModel::cancel() {
    if (!isOCRRunning_)
        return;
    task_.discard(); // whatever the stopped run still delivers is dropped
    setIsOCRRunning(false);
    setOcrProgress(std::nullopt);
    setOcrStatus(tr("Cancelled. The document was not changed."));
}

bool OCRViewModel::saveAsText() {
    if (!ocrText_ || ocrText_->isEmpty())
        return false;
    QString baseName = tr("Recognized Text");
    SaveFileRequest request;
    if (documentSource_)
        if (const auto document = documentSource_(); document && !document->path().isEmpty()) {
            baseName = QFileInfo(document->path()).completeBaseName();
            request.directory = FileDialogs::folderOf(document->path());
        }
    request.contentTypes = {ContentType::plainText()};
    request.proposedName = baseName + QStringLiteral(".txt");
    request.title = tr("Save Recognized Text");
    request.prompt = tr("Save");
    const QString path = FileDialogs::current()->saveFile(request);
    if (path.isEmpty())
        return false;
    QString error;
    if (!base::writeFile(path, (*ocrText_ + '\n').toUtf8(), &error)) {
        setOcrStatus(error);
        return false;
    }
    setOcrStatus(tr("Saved as %1.").arg(QFileInfo(path).fileName()));
    return true;
}
