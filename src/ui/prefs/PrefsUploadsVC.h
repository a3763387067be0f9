#pragma once

#include "ui/prefs/PrefsContext.h"
#include "ui/prefs/PrefsPage.h"

#include <QWidget>

class PrefsFolderField;
class PrefsSubPages;
class QCheckBox;
class QLabel;
class SignatureTextView;

// The Post page of the settings window: the poster's identity and
// signature, and where the NZB files of uploads are written. The signature
// is stored when the page is hidden, not while it is typed.
class PrefsUploadsVC : public PrefsPage
{
    Q_OBJECT
public:
    static constexpr int kFolderNZBExport = 1;

    explicit PrefsUploadsVC(const PrefsContext& context, QWidget* parent = nullptr);

    PrefsSubPages* subPages() const { return subPages_; }
    SignatureTextView* signatureTextView() const { return signatureTextView_; }
    QLabel* remainingTextSizeTextField() const { return remainingTextSizeTextField_; }

    void changeFolderToUrl(const QString& path, int tag);
    void updateRemainingTextSizeTextField();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    QWidget* makeIdentityView();
    QWidget* makeAdvancedView();
    void applySignatureSetting();

    PrefsSubPages* subPages_;
    SignatureTextView* signatureTextView_ = nullptr;
    QLabel* remainingTextSizeTextField_ = nullptr;
    QCheckBox* enableUserSignature_ = nullptr;
    PrefsFolderField* exportFolder_ = nullptr;
};
