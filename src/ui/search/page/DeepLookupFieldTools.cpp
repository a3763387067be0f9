#include "ui/search/page/DeepLookupFieldTools.h"

#include "controls/TVLTextField.h"
#include "platform/UserDefaults.h"
#include "ui/search/page/DeepLookupVC.h"
#include "ui/search/tools/BytesConverterVC.h"
#include "ui/search/tools/IndexedNewsgroupQuery.h"
#include "ui/search/tools/IndexedNewsgroupSelectorVC.h"

#include <QAbstractButton>
#include <QComboBox>

DeepLookupFieldTools::~DeepLookupFieldTools()
{
    if (indexedNewsgroupSelectorVC_) indexedNewsgroupSelectorVC_->setDelegate(nullptr);
    if (bytesConverterVC_) bytesConverterVC_->setDelegate(nullptr);
}

void DeepLookupFieldTools::extraButtonClicked(QAbstractButton* button, const QString& identifier)
{
    if (identifier == IndexedNewsgroupSelectorVC::newsgroupsIdentifier())
        showNewsgroupListForButton(button);
    else if (identifier == BytesConverterVC::minSizeIdentifier())
        showBytesConverterForButton(button, page_->searchFieldMinSize());
    else if (identifier == BytesConverterVC::maxSizeIdentifier())
        showBytesConverterForButton(button, page_->searchFieldMaxSize());
}

void DeepLookupFieldTools::showNewsgroupListForButton(QAbstractButton* button)
{
    if (!indexedNewsgroupSelectorVC_) {
        indexedNewsgroupSelectorVC_ = new IndexedNewsgroupSelectorVC(page_);
        indexedNewsgroupSelectorVC_->setDelegate(this);
    }
    indexedNewsgroupSelectorVC_->showRelativeTo(button ? static_cast<QWidget*>(button) : page_->searchFieldGroups());
}

void DeepLookupFieldTools::showBytesConverterForButton(QAbstractButton* button, TVLTextField* field)
{
    if (!bytesConverterVC_) {
        bytesConverterVC_ = new BytesConverterVC(page_);
        bytesConverterVC_->setDelegate(this);
    }
    bytesConverterVC_->setTextField(field);
    bytesConverterVC_->showRelativeTo(button ? static_cast<QWidget*>(button) : field);
}

void DeepLookupFieldTools::addNewsgroups(const QList<IndexedNG>& groups)
{
    if (indexedNewsgroupSelectorVC_) indexedNewsgroupSelectorVC_->hide();
    const std::optional<IndexedNewsgroupQuery::Result> query = IndexedNewsgroupQuery::fromNewsgroups(groups);
    if (!query) return;
    page_->searchFieldGroups()->setStringValue(query->text);
    const qint64 contentTag = query->ero ? 1 : 0;
    UserDefaults::standard().setInteger(contentTag, QStringLiteral("contentTag"));
    QComboBox* content = page_->buttonContent();
    if (const int at = content->findData(contentTag); at >= 0) content->setCurrentIndex(at);
}

void DeepLookupFieldTools::bytesConversionFinishedWithValue(const QString& value, TVLTextField* textField)
{
    if (bytesConverterVC_) bytesConverterVC_->hide();
    if (!value.isEmpty() && textField) textField->setStringValue(value);
}
