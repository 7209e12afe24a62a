#pragma once
// The password sheet's state and its one action: writing a protected copy of the open
// document to a file the user picks. The open document is never changed. The passwords
// live only here, for as long as the sheet does; nothing stores or logs them.
#include <QObject>
#include <QString>

#include <chrono>

class DocumentViewModel;

class PasswordProtectionViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        QString ownerPassword READ ownerPassword WRITE setOwnerPassword NOTIFY ownerPasswordChanged)
    Q_PROPERTY(
        QString userPassword READ userPassword WRITE setUserPassword NOTIFY userPasswordChanged)
    Q_PROPERTY(
        bool allowPrinting READ allowPrinting WRITE setAllowPrinting NOTIFY allowPrintingChanged)
    Q_PROPERTY(bool allowCopying READ allowCopying WRITE setAllowCopying NOTIFY allowCopyingChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusChanged)
    Q_PROPERTY(bool isSuccess READ isSuccess NOTIFY statusChanged)
    Q_PROPERTY(bool canSave READ canSave NOTIFY ownerPasswordChanged)

public:
    explicit PasswordProtectionViewModel(DocumentViewModel& documentVM, QObject* parent = nullptr);

    const QString& ownerPassword() const { return ownerPassword_; }
    const QString& userPassword() const { return userPassword_; }
    bool allowPrinting() const { return allowPrinting_; }
    bool allowCopying() const { return allowCopying_; }
    // Empty while there is no result line.
    const QString& statusMessage() const { return statusMessage_; }
    bool isSuccess() const { return isSuccess_; }
    bool canSave() const { return !ownerPassword_.isEmpty(); }

    void setOwnerPassword(const QString& password);
    void setUserPassword(const QString& password);
    void setAllowPrinting(bool on);
    void setAllowCopying(bool on);

    // The file name the save panel proposes.
    QString proposedFileName() const;

    // Asks where to save and writes the copy; reports the outcome in the status line and,
    // after a success, asks for the sheet to close once closeDelay has passed.
    void saveProtectedPDF();

    static constexpr std::chrono::milliseconds closeDelay{1500};

signals:
    void ownerPasswordChanged();
    void userPasswordChanged();
    void allowPrintingChanged();
    void allowCopyingChanged();
    void statusChanged();
    void dismissRequested();

private:
    void setStatus(const QString& message, bool success);

    DocumentViewModel& documentVM_;
    QString ownerPassword_;
    QString userPassword_;
    bool allowPrinting_ = true;
    bool allowCopying_ = true;
    QString statusMessage_;
    bool isSuccess_ = false;
};
