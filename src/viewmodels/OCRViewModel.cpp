#include "viewmodels/OCRViewModel.h"

#include "base/AtomicFile.h"
#include "base/ParallelFor.h"
#include "desktop/FileDialogs.h"
#include "pdf/document/Page.h"
#include "platform/MainQueue.h"
#include "utilities/OCRService.h"

#include <QFileInfo>

namespace {

QString errorLine(const std::exception& error) {
    return QStringLiteral("Error: ") + QString::fromUtf8(error.what());
}

} // namespace

OCRViewModel::OCRViewModel(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
}

OCRViewModel::~OCRViewModel() {
    if (cancel_)
        cancel_->store(true);
    pool_.waitForDone();
    if (searchableThread_)
        searchableThread_->wait();
}

bool OCRViewModel::waitForBackgroundWork(int msecs) {
    if (searchableThread_ &&
        !searchableThread_->wait(msecs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(msecs)))
        return false;
    return pool_.waitForDone(msecs);
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

void OCRViewModel::postProgress(quint64 run, int current, int total) {
    MainQueue::async(
        [this, run, current, total] {
            if (run == currentRun_)
                setOcrProgress(QString("Page %1 of %2").arg(current).arg(total));
        },
        this);
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

quint64 OCRViewModel::beginRun(const std::optional<QString>& progress) {
    // The older run would only be thrown away: stop it so the new one starts sooner.
    if (cancel_)
        cancel_->store(true);
    cancel_ = std::make_shared<CancelFlag>(false);
    setOcrText(std::nullopt);
    setShowOCRSheet(true);
    setOcrProgress(progress);
    setIsOCRRunning(true);
    setOcrStatus(std::nullopt);
    return ++currentRun_;
}

void OCRViewModel::finishRun(quint64 run, const std::optional<QString>& text) {
    if (run != currentRun_)
        return; // superseded: the newer run owns the state now
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
    const quint64 run = beginRun(std::nullopt);
    pool_.start([this, run, page = std::move(page), cancel = cancel_, languages = languages()] {
        const base::PoolTask task;
        std::optional<QString> result;
        try {
            result = OCRService::recognizeText(
                page, languages, OCRService::RecognitionLevel::accurate, cancel.get());
        } catch (const OCRService::OCRError& error) {
            if (error.kind() == OCRService::OCRError::Kind::cancelled)
                return;
            result = errorLine(error);
        } catch (const std::exception& error) {
            result = errorLine(error);
        }
        MainQueue::async([this, run, result] { finishRun(run, result); }, this);
    });
}

void OCRViewModel::ocrEntireDocument(const pdf::DocumentPtr& document) {
    if (!document)
        return;
    const quint64 run = beginRun(QStringLiteral("Starting..."));
    pool_.start([this, run, document, cancel = cancel_, languages = languages()] {
        const base::PoolTask task;
        std::optional<QString> result;
        try {
            const auto progress = [this, run](int current, int total) {
                postProgress(run, current, total);
            };
            const QString text = OCRService::sectionedText(
                OCRService::recognizeText(document, languages, progress, cancel.get()));
            if (!text.isEmpty())
                result = text;
        } catch (const OCRService::OCRError& error) {
            if (error.kind() == OCRService::OCRError::Kind::cancelled)
                return;
            result = errorLine(error);
        } catch (const std::exception& error) {
            result = errorLine(error);
        }
        MainQueue::async([this, run, result] { finishRun(run, result); }, this);
    });
}

void OCRViewModel::makeSearchable() {
    if (documentSource_)
        makeSearchable(documentSource_());
}

void OCRViewModel::makeSearchable(const pdf::DocumentPtr& document, bool force) {
    if (!document)
        return;
    const quint64 run = beginRun(QStringLiteral("Starting..."));
    // A superseded run was told to stop; its thread ends within a page.
    if (searchableThread_)
        searchableThread_->wait();
    OCRService::SearchableOptions options;
    options.languages = languages();
    options.force = force;
    options.cancel = cancel_.get();
    options.progressHandler = [this, run](int current, int total) {
        postProgress(run, current, total);
    };
    searchableThread_.reset(QThread::create([this, run, document, options, cancel = cancel_] {
        auto result = std::make_shared<OCRService::SearchableRun>();
        std::optional<QString> error;
        try {
            *result = OCRService::recognizeForTextLayer(document, options);
        } catch (const OCRService::OCRError& e) {
            if (e.kind() == OCRService::OCRError::Kind::cancelled)
                return;
            error = errorLine(e);
        } catch (const std::exception& e) {
            error = errorLine(e);
        }
        // The document changes on the main thread, in one go, and only if the run is still
        // the current one: a run cancelled meanwhile leaves it as it was.
        MainQueue::async(
            [this, run, document, result, error] {
                if (run != currentRun_)
                    return;
                if (error) {
                    finishRun(run, error);
                    return;
                }
                int added = 0;
                try {
                    added = OCRService::addTextLayers(*result);
                } catch (const OCRService::OCRError& e) {
                    finishRun(run, errorLine(e));
                    return;
                }
                const QString text = OCRService::searchableText(*result);
                finishRun(run, text.isEmpty() ? std::nullopt : std::optional<QString>(text));
                QString status = added == 1 ? tr("Text layer added to 1 page.")
                                            : tr("Text layer added to %1 pages.").arg(added);
                if (result->pagesWithText == 1)
                    status += ' ' + tr("1 page already had text.");
                else if (result->pagesWithText > 1)
                    status += ' ' + tr("%1 pages already had text.").arg(result->pagesWithText);
                setOcrStatus(status);
                if (added > 0)
                    emit documentEdited(document);
            },
            this);
    }));
    searchableThread_->start();
}

void OCRViewModel::cancel() {
    if (!isOCRRunning_)
        return;
    if (cancel_)
        cancel_->store(true);
    ++currentRun_; // whatever the stopped run still delivers is dropped
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
