#pragma once
// The window's text-recognition state: the result or error line, the sheet flag, the
// progress line and the running flag. Runs happen on a background thread, one at a time;
// a run started while another is going supersedes it and the older result is dropped.
#include "pdf/Document.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <optional>

class OCRViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> ocrText READ ocrText WRITE setOcrText NOTIFY ocrTextChanged)
    Q_PROPERTY(bool showOCRSheet READ showOCRSheet WRITE setShowOCRSheet NOTIFY showOCRSheetChanged)
    Q_PROPERTY(std::optional<QString> ocrProgress READ ocrProgress WRITE setOcrProgress NOTIFY
                   ocrProgressChanged)
    Q_PROPERTY(bool isOCRRunning READ isOCRRunning WRITE setIsOCRRunning NOTIFY isOCRRunningChanged)

public:
    explicit OCRViewModel(QObject* parent = nullptr);
    // Stops a run still going and waits for its thread.
    ~OCRViewModel() override;

    // Absent while running or before the first run; may be empty when nothing was found.
    std::optional<QString> ocrText() const { return ocrText_; }
    bool showOCRSheet() const { return showOCRSheet_; }
    std::optional<QString> ocrProgress() const { return ocrProgress_; }
    bool isOCRRunning() const { return isOCRRunning_; }

    // Two-way: the sheet closes by lowering showOCRSheet.
    void setOcrText(const std::optional<QString>& text);
    void setShowOCRSheet(bool show);
    void setOcrProgress(const std::optional<QString>& progress);
    void setIsOCRRunning(bool running);

    // Recognises the page at `currentPageIndex`; nothing happens without such a page.
    void ocrCurrentPage(const pdf::DocumentPtr& document, int currentPageIndex);
    // Recognises every page; the result is one "--- Page N ---" section per page with text.
    void ocrEntireDocument(const pdf::DocumentPtr& document);

    // Waits until the background thread has nothing left to do; false on timeout. The
    // results it produced still arrive through the main thread's event loop.
    bool waitForBackgroundWork(int msecs = -1);

signals:
    void ocrTextChanged();
    void showOCRSheetChanged();
    void ocrProgressChanged();
    void isOCRRunningChanged();

private:
    using CancelFlag = std::atomic<bool>;
    // Supersedes the run in progress and returns the number of the new one.
    quint64 beginRun(const std::optional<QString>& progress);
    void finishRun(quint64 run, const std::optional<QString>& text);

    std::optional<QString> ocrText_;
    bool showOCRSheet_ = false;
    std::optional<QString> ocrProgress_;
    bool isOCRRunning_ = false;

    quint64 currentRun_ = 0;
    std::shared_ptr<CancelFlag> cancel_;
    // One thread: a superseded run finishes (cancelled) before the next one starts. Its tasks
    // count against the cores like every pool's (base/ParallelFor.h).
    QThreadPool pool_;
};
