#include "utilities/OCRService.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <dlfcn.h>
#include <memory>
#include <mutex>

namespace {

// Language codes the window and the command line use, with Tesseract's model names.
struct LanguageModel {
    const char* code; // primary subtag, lower case
    const char* model;
};
constexpr LanguageModel kLanguages[] = {
    {"en", "eng"}, {"de", "deu"}, {"fr", "fra"}, {"es", "spa"},
    {"it", "ita"}, {"pt", "por"}, {"nl", "nld"},
};

QString modelFor(const QString& code) {
    const QString primary = code.section(QRegularExpression("[-_]"), 0, 0).toLower();
    for (const auto& language : kLanguages)
        if (primary == QLatin1String(language.code))
            return QLatin1String(language.model);
    return {};
}

// "eng" or "eng+deu" for Tesseract, after checking that each model is installed.
QString tesseractLanguages(const QStringList& languages, const QString& dataPath) {
    if (languages.isEmpty())
        throw OCRService::OCRError::recognitionFailed("No recognition language was given");
    QStringList models;
    for (const QString& code : languages) {
        const QString model = modelFor(code);
        if (model.isEmpty())
            throw OCRService::OCRError::recognitionFailed(
                QString("Unsupported recognition language \"%1\"").arg(code));
        const QString file = QDir(dataPath).filePath(model + ".traineddata");
        if (!QFileInfo(file).isReadable())
            throw OCRService::OCRError::recognitionFailed(
                QString("The recognition model for \"%1\" is missing (%2 not found). "
                        "Install the Debian package tesseract-ocr-%3.")
                    .arg(code, file, model));
        if (!models.contains(model))
            models << model;
    }
    return models.join('+');
}

// OpenMP inside Tesseract starts a team per network layer and runs many times slower on a
// busy two-core machine than with one thread, so every engine runs single-threaded.
void limitOpenMPThreads() {
    static std::once_flag once;
    std::call_once(once, [] {
        qputenv("OMP_THREAD_LIMIT", "1");
        // The OpenMP runtime read its environment when it was loaded, before main, so the
        // variable alone is too late; allowing no active parallel level has the same effect.
        // Looked up at run time: a Tesseract built without OpenMP has no such runtime.
        using SetLevels = void (*)(int);
        if (auto set =
                reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels")))
            set(0);
    });
}

bool cancelRequested(void* flag, int /*words*/) {
    return flag && static_cast<const OCRService::CancelFlag*>(flag)->load();
}

// One Tesseract engine, made for one run and ended with it.
class Engine {
public:
    Engine(const QStringList& languages, OCRService::RecognitionLevel level) {
        limitOpenMPThreads();
        const QString dataPath = OCRService::tessdataPath();
        const QString models = tesseractLanguages(languages, dataPath);
        api_.SetVariable("debug_file", "/dev/null");
        if (api_.Init(QDir(dataPath).absolutePath().toUtf8().constData(),
                      models.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) != 0)
            throw OCRService::OCRError::recognitionFailed(
                QString("Tesseract could not load the recognition model %1 from %2")
                    .arg(models, dataPath));
        api_.SetPageSegMode(tesseract::PSM_AUTO);
        if (level == OCRService::RecognitionLevel::fast) {
            // Skips the second pass that retries doubtful lines as light-on-dark text.
            api_.SetVariable("tessedit_do_invert", "0");
        }
    }
    ~Engine() { api_.End(); }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    QString recognize(const QImage& image, int pixelsPerInch,
                      const OCRService::CancelFlag* cancel) {
        if (image.isNull())
            throw OCRService::OCRError::renderFailed();
        // Tesseract reads grey levels; handing it grey saves its own conversion.
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        if (grey.isNull())
            throw OCRService::OCRError::renderFailed();
        api_.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
        api_.SetSourceResolution(pixelsPerInch);

        tesseract::ETEXT_DESC monitor;
        monitor.cancel = &cancelRequested;
        monitor.cancel_this = const_cast<OCRService::CancelFlag*>(cancel);
        const int status = api_.Recognize(&monitor);
        if (cancel && cancel->load())
            throw OCRService::OCRError::cancelled();
        if (status != 0)
            throw OCRService::OCRError::recognitionFailed("Tesseract could not read the page");

        QStringList lines;
        std::unique_ptr<tesseract::ResultIterator> it(api_.GetIterator());
        if (it) {
            do {
                if (it->Empty(tesseract::RIL_TEXTLINE))
                    continue;
                std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
                const QString line = QString::fromUtf8(text.get()).trimmed();
                if (!line.isEmpty())
                    lines << line;
            } while (it->Next(tesseract::RIL_TEXTLINE));
        }
        api_.Clear();
        return lines.join('\n');
    }

private:
    tesseract::TessBaseAPI api_;
};

int pixelsPerInch(double scale) {
    return int(72.0 * scale + 0.5);
}

} // namespace

OCRService::OCRError::OCRError(Kind kind, const QString& message)
    : std::runtime_error(message.toStdString()), kind_(kind) {}

OCRService::OCRError OCRService::OCRError::recognitionFailed(const QString& underlying) {
    return OCRError(Kind::recognitionFailed, "OCR failed: " + underlying);
}

OCRService::OCRError OCRService::OCRError::noPage() {
    return OCRError(Kind::noPage, "No page available for OCR");
}

OCRService::OCRError OCRService::OCRError::renderFailed() {
    return OCRError(Kind::renderFailed, "Failed to render page for OCR");
}

OCRService::OCRError OCRService::OCRError::cancelled() {
    return OCRError(Kind::cancelled, "OCR was cancelled");
}

QString OCRService::tessdataPath() {
    // The same order Tesseract follows: the environment first, then the packaged models.
    const QString fromEnvironment = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
}

double OCRService::renderScale(RecognitionLevel recognitionLevel) {
    return recognitionLevel == RecognitionLevel::fast ? 1.5 : 2.0;
}

QImage OCRService::renderPageToImage(const pdf::PagePtr& page, double scale) {
    if (!page)
        throw OCRError::renderFailed();
    // Page::render draws on white under the document's lock.
    QImage image = page->render(scale);
    if (image.isNull())
        throw OCRError::renderFailed();
    return image;
}

QString OCRService::recognizeText(const QImage& image, int pixelsPerInch,
                                  const QStringList& languages, RecognitionLevel recognitionLevel,
                                  const CancelFlag* cancel) {
    Engine engine(languages, recognitionLevel);
    return engine.recognize(image, pixelsPerInch, cancel);
}

QString OCRService::recognizeText(const pdf::PagePtr& page, const QStringList& languages,
                                  RecognitionLevel recognitionLevel, const CancelFlag* cancel) {
    // The engine first: a missing model is reported before any rendering work.
    Engine engine(languages, recognitionLevel);
    const double scale = renderScale(recognitionLevel);
    return engine.recognize(renderPageToImage(page, scale), pixelsPerInch(scale), cancel);
}

std::map<int, QString> OCRService::recognizeText(const pdf::DocumentPtr& document,
                                                 const QStringList& languages,
                                                 const ProgressHandler& progressHandler,
                                                 const CancelFlag* cancel,
                                                 RecognitionLevel recognitionLevel) {
    std::map<int, QString> pages;
    if (!document)
        return pages;
    Engine engine(languages, recognitionLevel);
    const double scale = renderScale(recognitionLevel);
    const int count = document->pageCount();
    for (int i = 0; i < count; ++i) {
        if (cancel && cancel->load())
            throw OCRError::cancelled();
        const pdf::PagePtr page = document->page(i);
        if (!page)
            continue;
        if (progressHandler)
            progressHandler(i + 1, count);
        QImage image = page->render(scale);
        if (image.isNull()) {
            // Removed while we were on our way to it: nothing left to read.
            if (page->isDetached())
                continue;
            throw OCRError::renderFailed();
        }
        QString text = engine.recognize(image, pixelsPerInch(scale), cancel);
        if (!text.isEmpty())
            pages.emplace(i, std::move(text));
    }
    return pages;
}

QString OCRService::sectionedText(const std::map<int, QString>& pages) {
    QStringList sections;
    for (const auto& [index, text] : pages)
        sections << QString("--- Page %1 ---\n%2").arg(index + 1).arg(text);
    return sections.join("\n\n");
}
