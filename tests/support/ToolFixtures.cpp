#include "support/ToolFixtures.h"

#include "support/PdfFixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

namespace fixtures {

QByteArray unnamedFieldPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int page = pdf.reserve();
    const int helv = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    const QByteArray p = QByteArray::number(page) + " 0 R";
    const int square =
        pdf.add("<< /Type /Annot /Subtype /Square /Rect [300 300 400 400] /C [1 0 0] "
                "/P " +
                p + " >>");
    const int text = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Tx /V (untitled value) "
                             "/Rect [72 680 300 700] /DA (/Helv 12 Tf 0 g) /F 4 /P " +
                             p + " >>");
    const int sig = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Sig /T (signature) "
                            "/Rect [72 480 272 530] /F 4 /P " +
                            p + " >>");
    const int push = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Btn /Ff 65536 /T (send) "
                             "/Rect [72 400 150 430] /F 4 /P " +
                             p + " >>");
    const int content = pdf.addStream("<< >>", "BT /Helv 12 Tf 72 720 Td (Loose widgets) Tj ET");
    auto ref = [](int n) { return QByteArray::number(n) + " 0 R "; };
    pdf.set(page, "<< /Type /Page /Parent " + ref(pagesObj) +
                      "/MediaBox [0 0 612 792] "
                      "/Resources << /Font << /Helv " +
                      ref(helv) + ">> >> /Contents " + ref(content) + "/Annots [" + ref(square) +
                      ref(text) + ref(sig) + ref(push) + "] >>");
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + ref(page) + "] /Count 1 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + "/AcroForm << /Fields [" +
                         ref(text) + ref(sig) + ref(push) +
                         "] /DA (/Helv 0 Tf 0 g) "
                         "/DR << /Font << /Helv " +
                         ref(helv) + ">> >> >> >>");
    return pdf.build(catalog);
}

QImage popplerRegion(const QString& path, int page, const QRectF& area) {
    QTemporaryDir dir;
    const QString base = dir.filePath("region");
    int code = -1;
    // Every fixture page is 792 points tall; pdftoppm counts y from the top.
    const int top = int(792 - area.y() - area.height());
    runTool("pdftoppm",
            {"-r", "72", "-png", "-singlefile", "-f", QString::number(page), "-l",
             QString::number(page), "-x", QString::number(int(area.x())), "-y",
             QString::number(top), "-W", QString::number(int(area.width())), "-H",
             QString::number(int(area.height())), path, base},
            &code);
    if (code != 0)
        return {};
    return QImage(base + ".png");
}

int darkPixels(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++dark;
    return dark;
}

void saveScreenshot(QWidget* widget, const QString& name) {
    const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    widget->grab().save(QDir(dir).filePath(name + ".png"));
}

} // namespace fixtures
