#include "utilities/OCRService.h"

#include "pdf/text/TextPage.h"

#include "base/ParallelFor.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "utilities/LazyLibrary.h"

#include <tesseract/capi.h>

#include <algorithm>
#include <atomic>
#include <memory>

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

// A language code ("en-US") or a model name as Tesseract knows it ("eng", "chi_sim").
QString modelFor(const QString& code) {
    const QString primary = code.section(QRegularExpression("[-_]"), 0, 0).toLower();
    if (primary.size() == 2) {
        for (const auto& language : kLanguages)
            if (primary == QLatin1String(language.code))
                return QLatin1String(language.model);
        return {};
    }
    static const QRegularExpression modelName("^[a-z]{3}(_[a-z]+)*$");
    return modelName.match(code.toLower()).hasMatch() ? code.toLower() : QString();
}

// Debian ships each model as its own package: chi_sim is in tesseract-ocr-chi-sim.
QString packageFor(const QString& model) {
    return "tesseract-ocr-" + QString(model).replace('_', '-');
}

// "eng" or "eng+deu" for Tesseract, after checking that each model is installed.
QString tesseractLanguages(const QStringList& languages, const QString& dataPath) {
    QStringList codes;
    for (const QString& entry : languages)
        codes << entry.split('+', Qt::SkipEmptyParts);
    if (codes.isEmpty())
        throw OCRService::OCRError::recognitionFailed("No recognition language was given");
    QStringList models;
    for (const QString& rawCode : codes) {
        const QString code = rawCode.trimmed();
        const QString model = modelFor(code);
        if (model.isEmpty())
            throw OCRService::OCRError::recognitionFailed(
                QString("Unsupported recognition language \"%1\"").arg(code));
        const QString file = QDir(dataPath).filePath(model + ".traineddata");
        if (!QFileInfo(file).isReadable())
            throw OCRService::OCRError::recognitionFailed(
                QString("The recognition model for \"%1\" is missing (%2 not found). "
                        "Install the Debian package %3.")
                    .arg(code, file, packageFor(model)));
        if (!models.contains(model))
            models << model;
    }
    return models.join('+');
}

#define TESSERACT_FUNCTIONS(X)                                                                     \
    X(TessBaseAPICreate)                                                                           \
    X(TessBaseAPIDelete)                                                                           \
    X(TessBaseAPISetVariable)                                                                      \
    X(TessBaseAPIInit2)                                                                            \
    X(TessBaseAPISetPageSegMode)                                                                   \
    X(TessBaseAPISetImage)                                                                         \
    X(TessBaseAPISetSourceResolution)                                                              \
    X(TessBaseAPIRecognize)                                                                        \
    X(TessBaseAPIGetIterator)                                                                      \
    X(TessBaseAPIClear)                                                                            \
    X(TessBaseAPIEnd)                                                                              \
    X(TessMonitorCreate)                                                                           \
    X(TessMonitorDelete)                                                                           \
    X(TessMonitorSetCancelFunc)                                                                    \
    X(TessMonitorSetCancelThis)                                                                    \
    X(TessResultIteratorDelete)                                                                    \
    X(TessResultIteratorGetPageIteratorConst)                                                      \
    X(TessResultIteratorNext)                                                                      \
    X(TessResultIteratorGetUTF8Text)                                                               \
    X(TessPageIteratorIsAtBeginningOf)                                                             \
    X(TessPageIteratorBoundingBox)                                                                 \
    X(TessPageIteratorBaseline)                                                                    \
    X(TessDeleteText)

// The recognition engine, opened the first time a page is read (see LazyLibrary.h): it
// brings image codecs, the network libraries and OpenMP with it.
struct Tesseract {
    TESSERACT_FUNCTIONS(VELLUMARK_LIBRARY_MEMBER)
    // A line's height and descenders as the engine measured them: C++ only, and optional
    // (the line's box stands in without it). A member function taking `this` first.
    void (*rowAttributes)(const TessPageIterator*, float* rowHeight, float* descenders,
                          float* ascenders) = nullptr;
    // OpenMP's own switch, when the engine was built with OpenMP.
    void (*setMaxActiveLevels)(int) = nullptr;
};

// OpenMP inside Tesseract starts a team per network layer and runs many times slower on a
// busy two-core machine than with one thread, so every engine runs single-threaded. The
// runtime reads its environment when it is loaded, which now happens below.
bool load(Tesseract& table, QString* error) {
    qputenv("OMP_THREAD_LIMIT", "1");
    void* handle = utilities::openLibrary({"libtesseract.so.5"}, error);
    if (!handle)
        return false;
    TESSERACT_FUNCTIONS(VELLUMARK_LIBRARY_RESOLVE)
    table.rowAttributes = reinterpret_cast<decltype(table.rowAttributes)>(
        dlsym(handle, "_ZNK9tesseract12PageIterator13RowAttributesEPfS1_S1_"));
    table.setMaxActiveLevels = reinterpret_cast<decltype(table.setMaxActiveLevels)>(
        dlsym(handle, "omp_set_max_active_levels"));
    return true;
}

const Tesseract& tesseract() {
    static Tesseract table;
    static QString error;
    static const bool loaded = load(table, &error);
    if (!loaded)
        throw OCRService::OCRError::recognitionFailed(
            QStringLiteral("the text recognition engine could not be loaded (%1)").arg(error));
    return table;
}

// The environment variable may come too late when something else loaded OpenMP first;
// allowing no active parallel level has the same effect. The setting belongs to the
// calling thread (a new thread starts from the defaults), so every thread that makes an
// engine sets it.
void limitOpenMPThreads(const Tesseract& engine) {
    thread_local bool limited = false;
    if (limited || !engine.setMaxActiveLevels)
        return;
    limited = true;
    engine.setMaxActiveLevels(0);
}

bool cancelRequested(void* flag, int /*words*/) {
    return flag && static_cast<const base::CancelToken*>(flag)->isCancelled();
}

// Text the engine hands over, freed by it.
struct EngineText {
    const Tesseract& engine;
    char* text;
    ~EngineText() {
        if (text)
            engine.TessDeleteText(text);
    }
    QString trimmed() const { return QString::fromUtf8(text).trimmed(); }
};

struct IteratorDeleter {
    const Tesseract* engine;
    void operator()(TessResultIterator* it) const { engine->TessResultIteratorDelete(it); }
};
using ResultIterator = std::unique_ptr<TessResultIterator, IteratorDeleter>;

// One Tesseract engine, made for one run and ended with it.
class Engine {
public:
    // The languages are checked before the engine is made: a constructor that throws has no
    // destructor to end it.
    Engine(const QStringList& languages, OCRService::RecognitionLevel level)
        : t_(tesseract()), dataPath_(OCRService::tessdataPath()),
          models_(tesseractLanguages(languages, dataPath_)), api_(t_.TessBaseAPICreate()) {
        limitOpenMPThreads(t_);
        const QString& dataPath = dataPath_;
        const QString& models = models_;
        t_.TessBaseAPISetVariable(api_, "debug_file", "/dev/null");
        if (t_.TessBaseAPIInit2(api_, QDir(dataPath).absolutePath().toUtf8().constData(),
                                models.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) != 0) {
            t_.TessBaseAPIDelete(api_);
            throw OCRService::OCRError::recognitionFailed(
                QString("Tesseract could not load the recognition model %1 from %2")
                    .arg(models, dataPath));
        }
        t_.TessBaseAPISetPageSegMode(api_, tesseract::PSM_AUTO);
        if (level == OCRService::RecognitionLevel::fast) {
            // Skips the second pass that retries doubtful lines as light-on-dark text.
            t_.TessBaseAPISetVariable(api_, "tessedit_do_invert", "0");
        }
    }
    ~Engine() {
        t_.TessBaseAPIEnd(api_);
        t_.TessBaseAPIDelete(api_);
    }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    QString recognize(const QImage& image, int pixelsPerInch, const base::CancelToken* cancel) {
        run(image, pixelsPerInch, cancel);
        return collectLines();
    }

    // The words of `image` line by line with their boxes, in display points.
    std::vector<pdf::TextLayerLine> recognizeLayout(const QImage& image, int pixelsPerInch,
                                                    const base::CancelToken* cancel) {
        run(image, pixelsPerInch, cancel);
        const double perPoint = pixelsPerInch / 72.0;
        std::vector<pdf::TextLayerLine> lines;
        if (ResultIterator it = results()) {
            do {
                // No text means no word here (an empty block or line).
                const EngineText text{
                    t_, t_.TessResultIteratorGetUTF8Text(it.get(), tesseract::RIL_WORD)};
                if (!text.text)
                    continue;
                const TessPageIterator* at = t_.TessResultIteratorGetPageIteratorConst(it.get());
                if (t_.TessPageIteratorIsAtBeginningOf(at, tesseract::RIL_TEXTLINE) ||
                    lines.empty())
                    lines.push_back(lineAt(at, perPoint));
                const QString word = text.trimmed();
                int left = 0, top = 0, right = 0, bottom = 0;
                if (!word.isEmpty() && t_.TessPageIteratorBoundingBox(at, tesseract::RIL_WORD,
                                                                      &left, &top, &right, &bottom))
                    lines.back().words.push_back(
                        {word, QRectF(QPointF(left / perPoint, top / perPoint),
                                      QPointF(right / perPoint, bottom / perPoint))});
            } while (t_.TessResultIteratorNext(it.get(), tesseract::RIL_WORD));
        }
        t_.TessBaseAPIClear(api_);
        std::erase_if(lines, [](const pdf::TextLayerLine& line) { return line.words.empty(); });
        return lines;
    }

private:
    ResultIterator results() {
        return ResultIterator(t_.TessBaseAPIGetIterator(api_), IteratorDeleter{&t_});
    }

    pdf::TextLayerLine lineAt(const TessPageIterator* it, double perPoint) const {
        pdf::TextLayerLine line;
        int left = 0, top = 0, right = 0, bottom = 0;
        t_.TessPageIteratorBoundingBox(it, tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
        int x1 = left, y1 = bottom, x2 = right, y2 = bottom;
        if (!t_.TessPageIteratorBaseline(it, tesseract::RIL_TEXTLINE, &x1, &y1, &x2, &y2) ||
            x2 <= x1) {
            x1 = left;
            x2 = right;
            y1 = y2 = bottom;
        }
        line.baseline = QLineF(x1 / perPoint, y1 / perPoint, x2 / perPoint, y2 / perPoint);
        // The row's own measures do not grow with the skew of the line, its box does.
        float rowHeight = 0, descenders = 0, ascenders = 0;
        if (t_.rowAttributes)
            t_.rowAttributes(it, &rowHeight, &descenders, &ascenders);
        const double boxHeight = bottom - top;
        if (rowHeight > 0 && rowHeight <= boxHeight * 1.5 && descenders <= 0) {
            line.ascent = (rowHeight + descenders) / perPoint;
            line.descent = -descenders / perPoint;
        } else {
            const double baselineY = (y1 + y2) / 2.0;
            line.ascent = std::max(0.0, baselineY - top) / perPoint;
            line.descent = std::max(0.0, bottom - baselineY) / perPoint;
        }
        return line;
    }

    void run(const QImage& image, int pixelsPerInch, const base::CancelToken* cancel) {
        if (image.isNull())
            throw OCRService::OCRError::renderFailed();
        // Tesseract reads grey levels; handing it grey saves its own conversion.
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        if (grey.isNull())
            throw OCRService::OCRError::renderFailed();
        t_.TessBaseAPISetImage(api_, grey.constBits(), grey.width(), grey.height(), 1,
                               int(grey.bytesPerLine()));
        t_.TessBaseAPISetSourceResolution(api_, pixelsPerInch);

        ETEXT_DESC* monitor = t_.TessMonitorCreate();
        t_.TessMonitorSetCancelFunc(monitor, &cancelRequested);
        t_.TessMonitorSetCancelThis(monitor, const_cast<base::CancelToken*>(cancel));
        const int status = t_.TessBaseAPIRecognize(api_, monitor);
        t_.TessMonitorDelete(monitor);
        if (cancel && cancel->isCancelled())
            throw OCRService::OCRError::cancelled();
        if (status != 0)
            throw OCRService::OCRError::recognitionFailed("Tesseract could not read the page");
    }

    QString collectLines() {
        QStringList lines;
        if (ResultIterator it = results()) {
            do {
                const EngineText text{
                    t_, t_.TessResultIteratorGetUTF8Text(it.get(), tesseract::RIL_TEXTLINE)};
                if (!text.text)
                    continue;
                const QString line = text.trimmed();
                if (!line.isEmpty())
                    lines << line;
            } while (t_.TessResultIteratorNext(it.get(), tesseract::RIL_TEXTLINE));
        }
        t_.TessBaseAPIClear(api_);
        return lines.join('\n');
    }

    const Tesseract& t_;
    const QString dataPath_;
    const QString models_; // "eng+deu"
    TessBaseAPI* api_;
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

OCRService::OCRError OCRService::OCRError::layerFailed(int pageNumber) {
    return OCRError(Kind::layerFailed,
                    QString("The text layer could not be added to page %1").arg(pageNumber));
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
                                  const base::CancelToken* cancel) {
    Engine engine(languages, recognitionLevel);
    return engine.recognize(image, pixelsPerInch, cancel);
}

QString OCRService::recognizeText(const pdf::PagePtr& page, const QStringList& languages,
                                  RecognitionLevel recognitionLevel,
                                  const base::CancelToken* cancel) {
    // The engine first: a missing model is reported before any rendering work.
    Engine engine(languages, recognitionLevel);
    const double scale = renderScale(recognitionLevel);
    return engine.recognize(renderPageToImage(page, scale), pixelsPerInch(scale), cancel);
}

std::map<int, QString> OCRService::recognizeText(const pdf::DocumentPtr& document,
                                                 const QStringList& languages,
                                                 const ProgressHandler& progressHandler,
                                                 const base::CancelToken* cancel,
                                                 RecognitionLevel recognitionLevel) {
    std::map<int, QString> pages;
    if (!document)
        return pages;
    Engine engine(languages, recognitionLevel);
    const double scale = renderScale(recognitionLevel);
    const int count = document->pageCount();
    for (int i = 0; i < count; ++i) {
        if (cancel && cancel->isCancelled())
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

QStringList OCRService::installedLanguages() {
    QStringList models;
    const QFileInfoList files =
        QDir(tessdataPath())
            .entryInfoList({QStringLiteral("*.traineddata")}, QDir::Files | QDir::Readable);
    for (const QFileInfo& file : files)
        if (file.completeBaseName() != QLatin1String("osd"))
            models << file.completeBaseName();
    models.sort();
    return models;
}

QString OCRService::languageDisplayName(const QString& model) {
    static const std::map<QString, QString> names{
        {"eng", "English"},
        {"deu", "German"},
        {"fra", "French"},
        {"spa", "Spanish"},
        {"ita", "Italian"},
        {"por", "Portuguese"},
        {"nld", "Dutch"},
        {"pol", "Polish"},
        {"ces", "Czech"},
        {"dan", "Danish"},
        {"swe", "Swedish"},
        {"nor", "Norwegian"},
        {"fin", "Finnish"},
        {"rus", "Russian"},
        {"ukr", "Ukrainian"},
        {"ell", "Greek"},
        {"tur", "Turkish"},
        {"chi_sim", "Chinese (Simplified)"},
        {"chi_tra", "Chinese (Traditional)"},
        {"jpn", "Japanese"},
        {"kor", "Korean"},
    };
    const auto found = names.find(model);
    return found == names.end() ? model : QString("%1 (%2)").arg(found->second, model);
}

OCRService::SearchableRun OCRService::recognizeForTextLayer(const pdf::DocumentPtr& document,
                                                            const SearchableOptions& options) {
    SearchableRun run;
    if (!document)
        return run;
    // A missing model is reported once, before any page is rendered or any thread started.
    tesseractLanguages(options.languages, tessdataPath());

    // Pages with text of their own already are what a searchable page is meant to be.
    std::vector<PageRecognition> todo;
    const auto texts = document->textPages();
    for (int i = 0; i < int(texts.size()); ++i) {
        const bool hasText = texts[size_t(i)] && !texts[size_t(i)]->isEmpty();
        if (hasText && !options.force) {
            ++run.pagesWithText;
            continue;
        }
        if (pdf::PagePtr page = document->page(i))
            todo.push_back({page, i, {}, {}});
    }

    const int total = int(todo.size());
    std::atomic<int> done{0};
    const double scale = renderScale(RecognitionLevel::accurate);
    base::ParallelOptions parallel;
    parallel.maxThreads = options.jobs;
    parallel.cancel = options.cancel;
    base::parallelWorkers(
        total,
        [&](const base::NextIndex& next) {
            int i = next();
            if (i < 0)
                return;
            // One engine per thread: Tesseract engines are not shared between threads.
            Engine engine(options.languages, RecognitionLevel::accurate);
            for (; i >= 0; i = next()) {
                PageRecognition& entry = todo[size_t(i)];
                const QImage image = entry.page->render(scale);
                if (image.isNull()) {
                    if (entry.page->isDetached())
                        continue; // removed while we were on our way to it
                    throw OCRError::renderFailed();
                }
                entry.lines = engine.recognizeLayout(image, pixelsPerInch(scale), options.cancel);
                QStringList lineTexts;
                for (const auto& line : entry.lines) {
                    QStringList words;
                    for (const auto& word : line.words)
                        words << word.text;
                    lineTexts << words.join(' ');
                }
                entry.text = lineTexts.join('\n');
                if (options.progressHandler)
                    options.progressHandler(++done, total);
            }
        },
        parallel);
    if (options.cancel && options.cancel->isCancelled())
        throw OCRError::cancelled();
    run.pages = std::move(todo);
    return run;
}

int OCRService::addTextLayers(const SearchableRun& run) {
    int added = 0;
    for (const PageRecognition& entry : run.pages) {
        if (entry.lines.empty() || !entry.page || entry.page->isDetached())
            continue;
        if (!pdf::addTextLayer(*entry.page, entry.lines))
            throw OCRError::layerFailed(entry.index + 1);
        ++added;
    }
    return added;
}

QString OCRService::searchableText(const SearchableRun& run) {
    std::map<int, QString> pages;
    for (const PageRecognition& entry : run.pages)
        if (!entry.text.isEmpty())
            pages.emplace(entry.index, entry.text);
    return sectionedText(pages);
}
