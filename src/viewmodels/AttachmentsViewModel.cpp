#include "viewmodels/AttachmentsViewModel.h"

#include "desktop/Alerts.h"
#include "desktop/FileDialogs.h"
#include "desktop/FileLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QTemporaryDir>

namespace {

// Kinds the desktop may start rather than show.
const char* const kRunnableTypes[] = {
    "application/x-executable",
    "application/x-sharedlib",
    "application/x-shellscript",
    "application/x-desktop",
    "application/x-ms-dos-executable",
    "application/x-msdownload",
    "application/x-msi",
    "application/java-archive",
    "application/x-java-jnlp-file",
    "text/x-python",
    "text/x-python3",
    "application/x-perl",
    "application/x-ruby",
    "application/javascript",
    "application/x-object",
    "application/vnd.appimage",
    "application/x-executable-script",
    "application/x-mach-binary",
    "application/x-elf",
    "application/x-sh",
    "application/x-csh",
    "application/x-bat",
    "application/vnd.microsoft.portable-executable",
};
const char* const kRunnableSuffixes[] = {
    "desktop", "sh", "bash", "run", "bin", "exe", "com", "bat",      "cmd",     "msi",
    "jar",     "py", "pl",   "rb",  "js",  "vbs", "ps1", "appimage", "command", "elf"};

} // namespace

AttachmentsViewModel::AttachmentsViewModel(QObject* parent) : QObject(parent) {}

AttachmentsViewModel::~AttachmentsViewModel() = default;

void AttachmentsViewModel::setDocument(const pdf::DocumentPtr& document) {
    document_ = document;
    attachments_ = document ? pdf::attachments(*document) : std::vector<pdf::Attachment>();
    emit attachmentsChanged();
}

QString AttachmentsViewModel::sizeText(qint64 bytes) {
    if (bytes < 0)
        return tr("unknown size");
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

bool AttachmentsViewModel::mayHandToDesktop(const QString& fileName, const QByteArray& head) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (const char* runnable : kRunnableSuffixes)
        if (suffix == QLatin1String(runnable))
            return false;
    // A script or program without a telling name is still found by its first bytes.
    if (head.startsWith("#!") ||
        head.startsWith("\x7f"
                        "ELF") ||
        head.startsWith("MZ"))
        return false;
    const QMimeDatabase types;
    for (const QMimeType& type :
         {types.mimeTypeForFileNameAndData(fileName, head), types.mimeTypeForData(head)})
        for (const char* runnable : kRunnableTypes)
            if (type.inherits(QLatin1String(runnable)))
                return false;
    return true;
}

bool AttachmentsViewModel::saveAs(int index) {
    if (!document_ || index < 0 || index >= int(attachments_.size()))
        return false;
    SaveFileRequest request;
    request.proposedName = pdf::safeFileName(attachments_[size_t(index)].name);
    request.title = tr("Save Attachment");
    request.prompt = tr("Save");
    request.directory = FileDialogs::folderOf(document_->path());
    const QString path = FileDialogs::current()->saveFile(request);
    if (path.isEmpty())
        return false;
    QString error;
    if (!pdf::saveAttachment(*document_, index, path, &error)) {
        Alerts::current()->inform(tr("Attachment Not Saved"), error);
        return false;
    }
    return true;
}

bool AttachmentsViewModel::open(int index) {
    if (!document_ || index < 0 || index >= int(attachments_.size()))
        return false;
    const QString name = pdf::safeFileName(attachments_[size_t(index)].name);
    if (!folder_) {
        // QTemporaryDir makes its folder for this user alone (0700).
        folder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                  QStringLiteral("/vellumark-attachments-XXXXXX"));
        if (!folder_->isValid()) {
            folder_.reset();
            Alerts::current()->inform(tr("Attachment Not Opened"),
                                      tr("No private folder could be made for it."));
            return false;
        }
    }
    // One folder per opening: two attachments of one name never meet.
    const QString place = folder_->filePath(QString::number(++opened_));
    QDir().mkpath(place);
    QFile::setPermissions(place,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString path = place + u'/' + name;
    QString error;
    if (!pdf::saveAttachment(*document_, index, path, &error)) {
        Alerts::current()->inform(tr("Attachment Not Opened"), error);
        return false;
    }
    // Readable by this user only, and never executable.
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    QFile written(path);
    const QByteArray head = written.open(QIODevice::ReadOnly) ? written.read(4096) : QByteArray();
    written.close();
    if (!mayHandToDesktop(name, head)) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(path);
        Alerts::current()->inform(
            tr("Attachment Not Opened"),
            tr("\u201c%1\u201d is a program or a script, which could run on this computer. "
               "Use Save As to keep it, and open it yourself only if you trust it.")
                .arg(name));
        return false;
    }
    lastOpened_ = path;
    if (!FileLauncher::current()->openWithDesktop(path)) {
        Alerts::current()->inform(tr("Attachment Not Opened"),
                                  tr("No application on this computer opens \u201c%1\u201d. "
                                     "Use Save As to keep it.")
                                      .arg(name));
        return false;
    }
    return true;
}
