#include "ui/search/SearchHistoryVC.h"

#include "controls/Artwork.h"
#include "platform/UserDefaults.h"
#include "search/SearchHistoryController.h"
#include "ui/search/SearchHistoryContentImage.h"

#include <QListWidget>
#include <QVBoxLayout>

SearchHistoryVC::SearchHistoryVC(QWidget* parent) : QWidget(parent), table_(new QListWidget(this))
{
    setObjectName(QStringLiteral("SearchHistoryVC"));
    table_->setObjectName(QStringLiteral("tableView"));
    table_->setFrameShape(QFrame::NoFrame);
    table_->setIconSize(QSize(16, 16));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
}

void SearchHistoryVC::setHistoryController(SearchHistoryController* controller)
{
    if (controller_) disconnect(controller_, nullptr, this, nullptr);
    controller_ = controller;
    if (controller_) {
        connect(controller_, &SearchHistoryController::historyInserted, this, &SearchHistoryVC::reloadTable);
        connect(controller_, &SearchHistoryController::historyRemoved, this, &SearchHistoryVC::reloadTable);
        connect(controller_, &SearchHistoryController::historyReplaced, this, &SearchHistoryVC::reloadTable);
        connect(controller_, &SearchHistoryController::historyReset, this, &SearchHistoryVC::reloadTable);
    }
    reloadTable();
}

std::optional<QString> SearchHistoryVC::makeSearchAlias(const DeepLookupObject& query)
{
    for (const std::optional<QString>& text : {query.title(), query.poster(), query.group()})
        if (text && !text->isEmpty()) return text;
    return std::nullopt;
}

qsizetype SearchHistoryVC::getRowNumberForObject(const DeepLookupObject& query) const
{
    if (!controller_) return -1;
    const QList<DeepLookupObjectPtr>& list = controller_->arraySearchHistory();
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i]->alias().value_or(QString()) == query.alias().value_or(QString()) &&
            list[i]->ero().value_or(QString()) == query.ero().value_or(QString()))
            return i;
    return -1;
}

void SearchHistoryVC::addSearchToHistory(const DeepLookupObjectPtr& query)
{
    if (!query || !controller_) return;
    query->setAlias(makeSearchAlias(*query));
    if (!query->alias()) return;
    query->setIcontype(query->ero());
    if (const qsizetype row = getRowNumberForObject(*query); row >= 0) {
        controller_->replaceHistoryObjectAtIndex(row, query);
        table_->setCurrentRow(int(row));
    } else {
        controller_->insertHistoryObject(query);
    }
    const qint64 limit = UserDefaults::standard().integerForKey(QStringLiteral("maxSearchHistoryDatabase"));
    if (controller_->arraySearchHistory().size() > limit)
        controller_->replaceHistoryArrayWithArray(controller_->arraySearchHistory().mid(0, limit));
}

void SearchHistoryVC::enableTableview()
{
    table_->setEnabled(true);
}

void SearchHistoryVC::disableTableview()
{
    table_->setEnabled(false);
}

void SearchHistoryVC::reloadTable()
{
    const int current = table_->currentRow();
    table_->clear();
    if (!controller_) return;
    const SearchHistoryContentImage image;
    for (const DeepLookupObjectPtr& entry : controller_->arraySearchHistory()) {
        auto* row = new QListWidgetItem(entry->alias().value_or(QString()), table_);
        const QVariant icontype = entry->icontype() ? QVariant(*entry->icontype()) : QVariant();
        if (const QString name = image.transformedValue(icontype).toString(); !name.isEmpty())
            row->setIcon(Artwork::pixmap(name, QSize(16, 16)));
    }
    if (current >= 0 && current < table_->count()) table_->setCurrentRow(current);
}
