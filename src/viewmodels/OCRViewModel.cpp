#include "viewmodels/OCRViewModel.h"

#include "base/ParallelFor.h"
#include "pdf/Page.h"
#include "platform/MainQueue.h"
#include "utilities/OCRService.h"

namespace {

const QStringList kLanguages{QStringLiteral("en-US")};

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
}

bool OCRViewModel::waitForBackgroundWork(int msecs) {
    return pool_.waitForDone(msecs);
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
    pool_.start([this, run, page = std::move(page), cancel = cancel_] {
        const base::PoolTask task;
        std::optional<QString> result;
        try {
            result = OCRService::recognizeText(
                page, kLanguages, OCRService::RecognitionLevel::accurate, cancel.get());
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
    pool_.start([this, run, document, cancel = cancel_] {
        const base::PoolTask task;
        std::optional<QString> result;
        try {
            const auto progress = [this, run](int current, int total) {
                MainQueue::async(
                    [this, run, current, total] {
                        if (run == currentRun_)
                            setOcrProgress(QString("Page %1 of %2").arg(current).arg(total));
                    },
                    this);
            };
            const QString text = OCRService::sectionedText(
                OCRService::recognizeText(document, kLanguages, progress, cancel.get()));
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
