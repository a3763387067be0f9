#pragma once

#include "search/DeepLookupObject.h"

#include <QWidget>

class QComboBox;
class QFormLayout;
class TVLTextField;

// The form the two edit windows share: the entry's name, the five search
// fields, the days-back and the content pop-ups. It reads an entry into the
// fields and writes them back; a window adds its own rows below.
class SearchQueryFields : public QWidget
{
    Q_OBJECT
public:
    explicit SearchQueryFields(QWidget* parent = nullptr);

    TVLTextField* sfAlias() const { return sfAlias_; }
    TVLTextField* sfTitle() const { return sfTitle_; }
    TVLTextField* sfNewsgroup() const { return sfNewsgroup_; }
    TVLTextField* sfPoster() const { return sfPoster_; }
    TVLTextField* sfMinSize() const { return sfMinSize_; }
    TVLTextField* sfMaxSize() const { return sfMaxSize_; }
    QComboBox* popupDays() const { return popupDays_; }
    QComboBox* popupContent() const { return popupContent_; }
    QFormLayout* form() const { return form_; }

    // Copies the six texts into the fields (a missing one as empty) and
    // selects the pop-up items of the integer values of `startdate` and
    // `ero`. A days value no item carries (below 1 or missing among them)
    // shows "any age"; a content value no item carries shows the first item.
    void updateSearchFields(const DeepLookupObject& entry);
    // Writes the six texts, `startdate` and `ero` (the selected tags as
    // decimal text) and `icontype` (= `ero`) into the entry.
    void saveChanges(DeepLookupObject& entry) const;

    // The integer value of a stored text: its leading digits, 0 without.
    static qint64 integerValue(const std::optional<QString>& text);

private:
    TVLTextField* makeField(const QString& name, const QString& placeholder, bool numbersOnly);

    QFormLayout* form_;
    TVLTextField* sfAlias_;
    TVLTextField* sfTitle_;
    TVLTextField* sfNewsgroup_;
    TVLTextField* sfPoster_;
    TVLTextField* sfMinSize_;
    TVLTextField* sfMaxSize_;
    QComboBox* popupDays_;
    QComboBox* popupContent_;
};
