#include "ui/search/panes/SearchQueryFields.h"

#include "controls/TVLTextField.h"
#include "ui/search/SearchPopUpItems.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>

SearchQueryFields::SearchQueryFields(QWidget* parent) : QWidget(parent), form_(new QFormLayout(this))
{
    setObjectName(QStringLiteral("SearchQueryFields"));
    form_->setContentsMargins(0, 0, 0, 0);
    form_->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    sfAlias_ = makeField(QStringLiteral("sfAlias"), QStringLiteral("Name of this search"), false);
    sfTitle_ = makeField(QStringLiteral("sfTitle"), QStringLiteral("Search words"), false);
    sfNewsgroup_ = makeField(QStringLiteral("sfNewsgroup"), QStringLiteral("Any newsgroup"), false);
    sfPoster_ = makeField(QStringLiteral("sfPoster"), QStringLiteral("Any poster"), false);
    sfMinSize_ = makeField(QStringLiteral("sfMinSize"), QStringLiteral("Min. size (bytes)"), true);
    sfMaxSize_ = makeField(QStringLiteral("sfMaxSize"), QStringLiteral("Max. size (bytes)"), true);
    popupDays_ = new QComboBox(this);
    popupDays_->setObjectName(QStringLiteral("popupDays"));
    SearchPopUpItems::fill(popupDays_, SearchPopUpItems::daysBack());
    popupContent_ = new QComboBox(this);
    popupContent_->setObjectName(QStringLiteral("popupContent"));
    SearchPopUpItems::fill(popupContent_, SearchPopUpItems::content());

    auto* sizes = new QHBoxLayout;
    sizes->addWidget(sfMinSize_, 1);
    sizes->addWidget(sfMaxSize_, 1);
    form_->addRow(QStringLiteral("Name:"), sfAlias_);
    form_->addRow(QStringLiteral("Search for:"), sfTitle_);
    form_->addRow(QStringLiteral("Newsgroups:"), sfNewsgroup_);
    form_->addRow(QStringLiteral("Poster:"), sfPoster_);
    form_->addRow(QStringLiteral("Size from / to:"), sizes);
    form_->addRow(QStringLiteral("Posted within:"), popupDays_);
    form_->addRow(QStringLiteral("Content:"), popupContent_);
}

TVLTextField* SearchQueryFields::makeField(const QString& name, const QString& placeholder, bool numbersOnly)
{
    auto* field = new TVLTextField(this);
    field->setObjectName(name);
    field->setPlaceHolderString(placeholder);
    field->setNumbersOnly(numbersOnly);
    field->setMinimumHeight(24);
    field->setMinimumWidth(numbersOnly ? 130 : 280);
    // Configured: the parts are built now, so the field holds a value at once.
    field->awakeFromNib();
    return field;
}

qint64 SearchQueryFields::integerValue(const std::optional<QString>& text)
{
    if (!text) return 0;
    const QString t = text->trimmed();
    qsizetype end = (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) ? 1 : 0;
    while (end < t.size() && t[end].isDigit())
        ++end;
    return t.left(end).toLongLong();
}

void SearchQueryFields::updateSearchFields(const DeepLookupObject& entry)
{
    sfAlias_->setStringValue(entry.alias().value_or(QString()));
    sfTitle_->setStringValue(entry.title().value_or(QString()));
    sfNewsgroup_->setStringValue(entry.group().value_or(QString()));
    sfPoster_->setStringValue(entry.poster().value_or(QString()));
    sfMinSize_->setStringValue(entry.minsize().value_or(QString()));
    sfMaxSize_->setStringValue(entry.maxsize().value_or(QString()));
    if (!SearchPopUpItems::selectTag(popupDays_, integerValue(entry.startdate())))
        SearchPopUpItems::selectTag(popupDays_, SearchPopUpItems::kAllDaysTag);
    if (!SearchPopUpItems::selectTag(popupContent_, integerValue(entry.ero()))) popupContent_->setCurrentIndex(0);
}

void SearchQueryFields::saveChanges(DeepLookupObject& entry) const
{
    entry.setAlias(sfAlias_->stringValue());
    entry.setTitle(sfTitle_->stringValue());
    entry.setGroup(sfNewsgroup_->stringValue());
    entry.setPoster(sfPoster_->stringValue());
    entry.setMinsize(sfMinSize_->stringValue());
    entry.setMaxsize(sfMaxSize_->stringValue());
    entry.setStartdate(SearchPopUpItems::selectedTag(popupDays_));
    const QString ero = SearchPopUpItems::selectedTag(popupContent_);
    entry.setEro(ero);
    entry.setIcontype(ero);
}
