#pragma once

#include "nntp/NNTPServerObject.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The sheet that edits a server's upload endpoint. While "use the download
// server" is on, the upload fields take the download endpoint's values each
// time the sheet opens and each time the box is clicked, and cannot be
// edited apart.
class PrefsUploadSettingsWC : public QDialog
{
    Q_OBJECT
public:
    PrefsUploadSettingsWC(const NNTPServerObjectPtr& server, QWidget* parent = nullptr);
    ~PrefsUploadSettingsWC() override;

    void updateFields();
    void useDownloadSettingsButtonClicked();
    void sslButtonClicked();
    void closeWindow();

    NNTPServerObjectPtr nntpserver() const { return nntpserver_.lock(); }
    QLabel* headerTitleTextfield() const { return headerTitleTextfield_; }

public Q_SLOTS:
    void reject() override { closeWindow(); }

private:
    QLineEdit* addLineEdit(const char* name);
    void showFields();
    void fieldEdited();

    std::weak_ptr<NNTPServerObject> nntpserver_;
    QLabel* headerTitleTextfield_ = nullptr;
    QCheckBox* uploadIsDownloadServer_ = nullptr;
    QCheckBox* upEnabled_ = nullptr;
    QLineEdit* upAddress_ = nullptr;
    QSpinBox* upPort_ = nullptr;
    QCheckBox* upSSL_ = nullptr;
    QCheckBox* upRequiresLogin_ = nullptr;
    QLineEdit* upUsername_ = nullptr;
    QLineEdit* upPassword_ = nullptr;
    bool loadingFields_ = false;
    bool windowIsClosing_ = false;
};
