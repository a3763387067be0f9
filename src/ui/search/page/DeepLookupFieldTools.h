#pragma once

#include "ui/search/tools/BytesConverterDelegate.h"
#include "ui/search/tools/IndexedNewsGroupsDelegate.h"

#include <QString>

class BytesConverterVC;
class DeepLookupVC;
class IndexedNewsgroupSelectorVC;
class QAbstractButton;
class TVLTextField;

// The tools behind the extra buttons of the search page's query fields: the
// indexed-newsgroup selector for the newsgroups field and the size converter
// for the two size fields. Each popup is made on first use and kept. The
// groups chosen become the newsgroups field and set the content type; a
// converted size goes into the field it was asked for. Owned by the page.
class DeepLookupFieldTools : public IndexedNewsGroupsDelegate, public BytesConverterDelegate
{
public:
    explicit DeepLookupFieldTools(DeepLookupVC* page) : page_(page) {}
    // The popups outlive their tools by a moment (the page deletes its
    // children last): they must not report to them then.
    ~DeepLookupFieldTools() override;

    IndexedNewsgroupSelectorVC* indexedNewsgroupSelectorVC() const { return indexedNewsgroupSelectorVC_; }
    BytesConverterVC* bytesConverterVC() const { return bytesConverterVC_; }

    // Opens the tool of the field whose extra button reported `identifier`;
    // other identifiers open nothing.
    void extraButtonClicked(QAbstractButton* button, const QString& identifier);

    // IndexedNewsGroupsDelegate: closes the selector; the groups, when any
    // has a name, become the newsgroups field, and the content type (the
    // setting "contentTag" and its pop-up) follows the last of them.
    void addNewsgroups(const QList<IndexedNG>& groups) override;
    // BytesConverterDelegate: closes the converter; no result or an empty
    // one keeps what the field held.
    void bytesConversionFinishedWithValue(const QString& value, TVLTextField* textField) override;

private:
    void showNewsgroupListForButton(QAbstractButton* button);
    void showBytesConverterForButton(QAbstractButton* button, TVLTextField* field);

    DeepLookupVC* page_;
    // Children of the page.
    IndexedNewsgroupSelectorVC* indexedNewsgroupSelectorVC_ = nullptr;
    BytesConverterVC* bytesConverterVC_ = nullptr;
};
