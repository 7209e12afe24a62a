#pragma once
// The window's text-recognition state: the result or error line, the sheet flag, the
// progress line and the running flag. Runs happen as background tasks, one at a time; a
// run started while another is going supersedes it: the older one is stopped, its result
// dropped, and the newer starts once it has ended.
// "Make Searchable" reads every page without text on all cores and then puts the words on
// the open document as an invisible text layer, in one step on the main thread.
#include "pdf/document/Document.h"

#include "base/Task.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class OCRViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> ocrText READ ocrText WRITE setOcrText NOTIFY ocrTextChanged)
    Q_PROPERTY(bool showOCRSheet READ showOCRSheet WRITE setShowOCRSheet NOTIFY showOCRSheetChanged)
    Q_PROPERTY(std::optional<QString> ocrProgress READ ocrProgress WRITE setOcrProgress NOTIFY
                   ocrProgressChanged)
    Q_PROPERTY(bool isOCRRunning READ isOCRRunning WRITE setIsOCRRunning NOTIFY isOCRRunningChanged)
    Q_PROPERTY(QString ocrLanguage READ ocrLanguage WRITE setOcrLanguage NOTIFY ocrLanguageChanged)
    Q_PROPERTY(
        std::optional<QString> ocrStatus READ ocrStatus WRITE setOcrStatus NOTIFY ocrStatusChanged)

public:
    explicit OCRViewModel(QObject* parent = nullptr);
    // Stops a run still going and waits for its thread.
    ~OCRViewModel() override;

    // Absent while running or before the first run; may be empty when nothing was found.
    std::optional<QString> ocrText() const { return ocrText_; }
    bool showOCRSheet() const { return showOCRSheet_; }
    std::optional<QString> ocrProgress() const { return ocrProgress_; }
    bool isOCRRunning() const { return isOCRRunning_; }
    // The models every run reads with, "eng" or several joined by '+' ("eng+deu").
    const QString& ocrLanguage() const { return ocrLanguage_; }
    // One line about the last "Make Searchable" or "Save as Text" (pages changed, file
    // written, cancelled, or why it failed); absent otherwise.
    std::optional<QString> ocrStatus() const { return ocrStatus_; }

    // Two-way: the sheet closes by lowering showOCRSheet.
    void setOcrText(const std::optional<QString>& text);
    void setShowOCRSheet(bool show);
    void setOcrProgress(const std::optional<QString>& progress);
    void setIsOCRRunning(bool running);
    void setOcrLanguage(const QString& language);
    void setOcrStatus(const std::optional<QString>& status);

    // The models installed on this machine, for the language choice.
    static QStringList availableLanguages();

    // Where "Make Searchable" and "Save as Text" find the open document (the window's).
    void setDocumentSource(std::function<pdf::DocumentPtr()> source);

    // Recognises the page at `currentPageIndex`; nothing happens without such a page.
    void ocrCurrentPage(const pdf::DocumentPtr& document, int currentPageIndex);
    // Recognises every page; the result is one "--- Page N ---" section per page with text.
    void ocrEntireDocument(const pdf::DocumentPtr& document);
    // Reads every page that has no text (every page with `force`) and adds the text layer
    // to `document` when all are read. Progress per page; nothing changes when cancelled.
    void makeSearchable(const pdf::DocumentPtr& document, bool force = false);
    void makeSearchable(); // the source's document
    // Stops the run in progress; its result is dropped.
    void cancel();
    // Asks where to write the last result as UTF-8 text and writes it; false when there is
    // no result, the person cancels or the write fails (the status says why).
    bool saveAsText();

    // Waits until the background task has nothing left to do; false on timeout. The
    // results it produced still arrive through the main thread's event loop.
    bool waitForBackgroundWork(int msecs = -1);

signals:
    void ocrTextChanged();
    void showOCRSheetChanged();
    void ocrProgressChanged();
    void isOCRRunningChanged();
    void ocrLanguageChanged();
    void ocrStatusChanged();
    // A text layer was added to the document's pages (main thread).
    void documentEdited(const pdf::DocumentPtr& document);

private:
    // Shows a run as started; what the new task reports goes through the handlers.
    base::Task::Handlers beginRun(const std::optional<QString>& progress);
    void finishRun(const std::optional<QString>& text);
    QStringList languages() const;

    std::optional<QString> ocrText_;
    bool showOCRSheet_ = false;
    std::optional<QString> ocrProgress_;
    bool isOCRRunning_ = false;
    QString ocrLanguage_ = QStringLiteral("eng");
    std::optional<QString> ocrStatus_;
    std::function<pdf::DocumentPtr()> documentSource_;

    // The run in progress, or the last one. Recognising one page or every page in turn holds
    // a core of the budget; "Make Searchable" fans out over the cores (base/ParallelFor.h).
    base::Task task_;
};
