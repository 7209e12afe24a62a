#include "desktop/FileDialogs.h"

#include <QFileInfo>

#include <mutex>

QString ContentType::nameFilter() const {
    QStringList patterns;
    for (const QString& e : extensions) {
        patterns << QStringLiteral("*.") + e;
        if (e.toUpper() != e)
            patterns << QStringLiteral("*.") + e.toUpper();
    }
    return QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
}

bool ContentType::matches(const QString& fileName) const {
    return extensions.contains(QFileInfo(fileName).suffix().toLower());
}

ContentType ContentType::pdf() {
    return {QStringLiteral("PDF Document"), {QStringLiteral("pdf")}};
}
ContentType ContentType::png() {
    return {QStringLiteral("PNG Image"), {QStringLiteral("png")}};
}
ContentType ContentType::jpeg() {
    return {QStringLiteral("JPEG Image"), {QStringLiteral("jpg"), QStringLiteral("jpeg")}};
}
ContentType ContentType::tiff() {
    return {QStringLiteral("TIFF Image"), {QStringLiteral("tif"), QStringLiteral("tiff")}};
}
ContentType ContentType::bmp() {
    return {QStringLiteral("BMP Image"), {QStringLiteral("bmp")}};
}
ContentType ContentType::gif() {
    return {QStringLiteral("GIF Image"), {QStringLiteral("gif")}};
}
ContentType ContentType::plainText() {
    return {QStringLiteral("Plain Text"), {QStringLiteral("txt")}};
}
ContentType ContentType::image() {
    QStringList all;
    for (const ContentType& t : {png(), jpeg(), tiff(), bmp(), gif()})
        all << t.extensions;
    return {QStringLiteral("Image"), all};
}

QString FileDialogs::openFile(OpenFileRequest request) {
    request.allowsMultipleSelection = false;
    const QStringList files = openFiles(request);
    return files.isEmpty() ? QString() : files.first();
}

QString FileDialogs::openPdf(const QString& directory) {
    OpenFileRequest request;
    request.contentTypes = {ContentType::pdf()};
    request.directory = directory;
    return openFile(request);
}

QString FileDialogs::savePdf(const QString& proposedName, const QString& directory) {
    SaveFileRequest request;
    request.contentTypes = {ContentType::pdf()};
    request.proposedName = proposedName;
    request.directory = directory;
    return saveFile(request);
}

QString FileDialogs::folderOf(const QString& filePath) {
    if (filePath.isEmpty())
        return {};
    return QFileInfo(filePath).absolutePath();
}

namespace {

class CancellingFileDialogs final : public FileDialogs {
public:
    QStringList openFiles(const OpenFileRequest&) override { return {}; }
    QString chooseFolder(const ChooseFolderRequest&) override { return {}; }
    QString saveFile(const SaveFileRequest&) override { return {}; }
};

std::mutex& installMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<FileDialogs>& installed() {
    static std::shared_ptr<FileDialogs> dialogs = std::make_shared<CancellingFileDialogs>();
    return dialogs;
}

} // namespace

std::shared_ptr<FileDialogs> FileDialogs::current() {
    std::lock_guard lock(installMutex());
    return installed();
}

std::shared_ptr<FileDialogs> FileDialogs::install(std::shared_ptr<FileDialogs> dialogs) {
    std::lock_guard lock(installMutex());
    if (!dialogs)
        dialogs = std::make_shared<CancellingFileDialogs>();
    std::swap(installed(), dialogs);
    return dialogs;
}
