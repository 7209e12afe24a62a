#pragma once
// The files embedded in the open document, as the sidebar lists them, and what can be done
// with one: write it where the person chooses, or hand it to the desktop's application for
// its kind after writing it to a private folder. Programs and scripts are never handed
// over (the desktop might run them): those can only be saved.
#include "pdf/document/Attachments.h"
#include "pdf/document/Document.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QTemporaryDir;

class AttachmentsViewModel : public QObject {
    Q_OBJECT
public:
    explicit AttachmentsViewModel(QObject* parent = nullptr);
    ~AttachmentsViewModel() override;

    void setDocument(const pdf::DocumentPtr& document);
    const std::vector<pdf::Attachment>& attachments() const { return attachments_; }

    // Asks where (proposing the attachment's own name, made safe) and writes it there.
    // False when cancelled or when it failed; a failure is told through the alerts.
    bool saveAs(int index);
    // Writes it to a private folder (readable by this user only) and hands that copy to
    // the desktop. False, with the reason told, when it is a program or could not be
    // written or opened. The path written is kept in lastOpened().
    bool open(int index);
    const QString& lastOpened() const { return lastOpened_; }

    // Whether a file of this name and these first bytes may be handed to the desktop.
    static bool mayHandToDesktop(const QString& fileName, const QByteArray& head);
    // "12 KB", "1.4 MB", "unknown size".
    static QString sizeText(qint64 bytes);

signals:
    void attachmentsChanged();

private:
    pdf::DocumentPtr document_;
    std::vector<pdf::Attachment> attachments_;
    std::unique_ptr<QTemporaryDir> folder_; // made on first open, gone with the window
    int opened_ = 0;
    QString lastOpened_;
};
