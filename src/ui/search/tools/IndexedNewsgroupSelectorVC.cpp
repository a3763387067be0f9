#include "ui/search/tools/IndexedNewsgroupSelectorVC.h"

#include "controls/Artwork.h"
#include "controls/TVLTextField.h"
#include "controls/TableRowViewDefault.h"
#include "core/DialogBoxes.h"
#include "platform/UserDefaults.h"
#include "search/IndexedNewsgroupSocket.h"
#include "ui/search/tools/IndexedNewsGroupsDelegate.h"
#include "ui/search/tools/IndexedNewsgroupListModel.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kContentFilterKey = QStringLiteral("indexedNGContentTypeFilter");

} // namespace

IndexedNewsgroupSelectorVC::IndexedNewsgroupSelectorVC(QWidget* parent) : QWidget(parent, Qt::Popup)
{
    setObjectName(QStringLiteral("IndexedNewsgroupSelectorVC"));

    contentFilterPopupButton_ = new QComboBox(this);
    contentFilterPopupButton_->setObjectName(QStringLiteral("contentFilterPopupButton"));
    contentFilterPopupButton_->addItem(Artwork::pixmap(QStringLiteral("img_searchhistory_id_gen"), QSize(16, 16)),
                                       QStringLiteral("General newsgroups"), qint64(0));
    contentFilterPopupButton_->addItem(Artwork::pixmap(QStringLiteral("img_searchhistory_id_ero"), QSize(16, 16)),
                                       QStringLiteral("Erotica newsgroups"), qint64(1));
    const int stored = contentFilterPopupButton_->findData(UserDefaults::standard().integerForKey(kContentFilterKey));
    contentFilterPopupButton_->setCurrentIndex(stored >= 0 ? stored : 0);
    connect(contentFilterPopupButton_, &QComboBox::activated, this, [this](int index) {
        UserDefaults::standard().setInteger(contentFilterPopupButton_->itemData(index).toLongLong(),
                                            kContentFilterKey);
        contentFilterChanged();
    });

    auto* menu = new QMenu(this);
    mnuItemRefresh_ = menu->addAction(QStringLiteral("Reload the newsgroup list"));
    mnuItemRefresh_->setObjectName(QStringLiteral("mnuItemRefresh"));
    connect(mnuItemRefresh_, &QAction::triggered, this, &IndexedNewsgroupSelectorVC::mnuRefreshClicked);
    actionButton_ = new QToolButton(this);
    actionButton_->setObjectName(QStringLiteral("actionButton"));
    actionButton_->setIcon(Artwork::pixmap(QStringLiteral("sf_icon_reload"), QSize(16, 16)));
    actionButton_->setToolTip(QStringLiteral("Newsgroup list"));
    actionButton_->setPopupMode(QToolButton::InstantPopup);
    actionButton_->setAutoRaise(true);
    actionButton_->setMenu(menu);

    searchField_ = new TVLTextField(this);
    searchField_->setObjectName(QStringLiteral("searchField"));
    searchField_->setPlaceHolderString(QStringLiteral("Filter newsgroups"));
    searchField_->setSearchImage(Artwork::pixmap(QStringLiteral("sf_icon_search_lightgray"), QSize(14, 14)));
    searchField_->setMinimumHeight(24);
    searchField_->awakeFromNib();

    progressIndicator_ = new QProgressBar(this);
    progressIndicator_->setObjectName(QStringLiteral("progressIndicator"));
    progressIndicator_->setRange(0, 0); // running, without a known end
    progressIndicator_->setTextVisible(false);
    progressIndicator_->setFixedHeight(6);
    progressIndicator_->hide();

    model_ = new IndexedNewsgroupListModel(this);
    arrayController_ = new QSortFilterProxyModel(this);
    arrayController_->setObjectName(QStringLiteral("arrayController"));
    arrayController_->setSourceModel(model_);
    arrayController_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    connect(searchField_, &TVLTextField::stringValueChanged, arrayController_,
            [this](const QString& text) { arrayController_->setFilterFixedString(text); });

    tableView_ = new QTableView(this);
    tableView_->setObjectName(QStringLiteral("tableView"));
    tableView_->setModel(arrayController_);
    tableView_->setItemDelegate(new TableRowViewDefault(tableView_));
    tableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tableView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView_->setShowGrid(false);
    tableView_->setWordWrap(false);
    tableView_->setIconSize(QSize(16, 16));
    tableView_->horizontalHeader()->hide();
    tableView_->horizontalHeader()->setStretchLastSection(true);
    tableView_->verticalHeader()->hide();
    // Fixed rows: a list of many thousand groups is laid out without
    // measuring each.
    tableView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableView_->verticalHeader()->setDefaultSectionSize(20);
    connect(tableView_, &QTableView::doubleClicked, this, &IndexedNewsgroupSelectorVC::btnSelectClicked);

    requestNewsgroupButton_ = new QPushButton(QStringLiteral("Request newsgroup…"), this);
    requestNewsgroupButton_->setObjectName(QStringLiteral("requestNewsgroupButton"));
    requestNewsgroupButton_->setToolTip(QStringLiteral("Ask for a newsgroup that is not indexed yet"));
    connect(requestNewsgroupButton_, &QPushButton::clicked, this,
            &IndexedNewsgroupSelectorVC::btnRequestNewsgroupClicked);
    selectButton_ = new QPushButton(QStringLiteral("Select"), this);
    selectButton_->setObjectName(QStringLiteral("selectButton"));
    selectButton_->setDefault(true);
    selectButton_->setToolTip(QStringLiteral("Put the selected newsgroups (at most %1) into the search")
                                  .arg(kMaxNewsgroupsHandedOver));
    connect(selectButton_, &QPushButton::clicked, this, &IndexedNewsgroupSelectorVC::btnSelectClicked);

    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(contentFilterPopupButton_, 1);
    top->addWidget(actionButton_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(requestNewsgroupButton_);
    bottom->addStretch(1);
    bottom->addWidget(selectButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    layout->addLayout(top);
    layout->addWidget(searchField_);
    layout->addWidget(progressIndicator_);
    layout->addWidget(tableView_, 1);
    layout->addLayout(bottom);
    resize(340, 420);
}

IndexedNewsgroupSelectorVC::~IndexedNewsgroupSelectorVC()
{
    // A request window without a parent window goes with its selector.
    if (requestNewsgroupWC_ && !requestNewsgroupWC_->parent()) delete requestNewsgroupWC_.data();
}

void IndexedNewsgroupSelectorVC::configureNewsgroupsField(TVLTextField* field)
{
    field->setExtraButtonImage(Artwork::pixmap(QStringLiteral("sf_icon_newsgroups"), QSize(14, 14)));
    field->setExtraButtonToolTip(QStringLiteral("Choose from the indexed newsgroups"));
    field->setTf_id(newsgroupsIdentifier());
}

const QList<IndexedNG>& IndexedNewsgroupSelectorVC::arrayFilteredNewsgroups() const
{
    return model_->items();
}

QList<IndexedNG> IndexedNewsgroupSelectorVC::sortedNewsgroupsFromList(const QString& text)
{
    QList<IndexedNG> groups = IndexedNewsgroupSocket::newsgroupsFromList(text);
    // Two icons, shared by every row.
    const QIcon ero(Artwork::pixmap(QStringLiteral("img_searchhistory_id_ero"), QSize(16, 16)));
    const QIcon general(Artwork::pixmap(QStringLiteral("img_searchhistory_id_gen"), QSize(16, 16)));
    for (IndexedNG& group : groups) group.setIcon(group.ero() ? ero : general);
    // The plain comparison of UTF-16 code units: upper-case names first.
    std::stable_sort(groups.begin(), groups.end(), [](const IndexedNG& a, const IndexedNG& b) {
        return QString::compare(a.newsgroup(), b.newsgroup(), Qt::CaseSensitive) < 0;
    });
    return groups;
}

void IndexedNewsgroupSelectorVC::showRelativeTo(QWidget* anchor)
{
    if (anchor) {
        const QPoint below = anchor->mapToGlobal(QPoint(anchor->width() / 2 - width() / 2, anchor->height()));
        QRect frame(below, size());
        if (const QScreen* screen = anchor->screen()) {
            const QRect area = screen->availableGeometry();
            frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - width())));
            frame.moveTop(std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - height())));
        }
        move(frame.topLeft());
    }
    show();
    searchField_->textField()->setFocus(Qt::PopupFocusReason);
}

void IndexedNewsgroupSelectorVC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (arrayNewsgroups_.isEmpty())
        refreshNewsgroups();
    else if (contentFilterPopupButton_->currentData().toLongLong() !=
             UserDefaults::standard().integerForKey(kContentFilterKey))
        buildContentFilterArray(); // another selector changed the content filter meanwhile
}

void IndexedNewsgroupSelectorVC::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---- downloading

void IndexedNewsgroupSelectorVC::refreshNewsgroups()
{
    progressIndicator_->show();
    setComponentsEnabled(false);
    downloadNewsgroups();
}

void IndexedNewsgroupSelectorVC::downloadNewsgroups()
{
    if (socket_) return;
    socket_ = new IndexedNewsgroupSocket(this);
    socket_->setDelegate(this);
    socket_->downloadNewsGroupList();
}

void IndexedNewsgroupSelectorVC::releaseSocket()
{
    // The request may still hand over the reply text after reporting a
    // failure (a reply of an unknown kind): it keeps its delegate and goes
    // once it has returned.
    if (socket_) {
        socket_->deleteLater();
        socket_ = nullptr;
    }
    progressIndicator_->hide();
    setComponentsEnabled(true);
}

void IndexedNewsgroupSelectorVC::setComponentsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{contentFilterPopupButton_, searchField_, selectButton_,
                                                      requestNewsgroupButton_})
        w->setEnabled(enabled);
    mnuItemRefresh_->setEnabled(enabled);
}

void IndexedNewsgroupSelectorVC::newsgroupsDownloaded(const QString& text)
{
    releaseSocket();
    arrayNewsgroups_ = sortedNewsgroupsFromList(text);
    buildContentFilterArray();
}

void IndexedNewsgroupSelectorVC::downloadFailed(const QString& title, const QString& subtitle)
{
    // The earlier list, if any, stays.
    releaseSocket();
    DialogBoxes::alertBoxDefault(title, subtitle);
}

// ---- filtering and choosing

void IndexedNewsgroupSelectorVC::contentFilterChanged()
{
    buildContentFilterArray();
}

void IndexedNewsgroupSelectorVC::buildContentFilterArray()
{
    const qint64 filter = UserDefaults::standard().integerForKey(kContentFilterKey);
    const int at = contentFilterPopupButton_->findData(filter);
    if (at >= 0) contentFilterPopupButton_->setCurrentIndex(at);
    QList<IndexedNG> filtered;
    if (filter == 0 || filter == 1) {
        filtered.reserve(arrayNewsgroups_.size());
        for (const IndexedNG& group : std::as_const(arrayNewsgroups_))
            if (group.ero() == (filter == 1)) filtered.append(group);
    }
    model_->setItems(std::move(filtered));
}

void IndexedNewsgroupSelectorVC::btnSelectClicked()
{
    QModelIndexList rows = tableView_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QList<IndexedNG> chosen;
    chosen.reserve(rows.size());
    for (const QModelIndex& row : std::as_const(rows))
        chosen.append(model_->item(arrayController_->mapToSource(row).row()));
    tableView_->clearSelection();
    addNewsgroupsDelegate(std::move(chosen));
}

void IndexedNewsgroupSelectorVC::addNewsgroupsDelegate(QList<IndexedNG> groups)
{
    if (groups.size() > kMaxNewsgroupsHandedOver) groups.resize(kMaxNewsgroupsHandedOver);
    if (delegate_) delegate_->addNewsgroups(groups);
}

void IndexedNewsgroupSelectorVC::btnRequestNewsgroupClicked()
{
    openRequestNewsgroupWindow();
}

void IndexedNewsgroupSelectorVC::openRequestNewsgroupWindow()
{
    // The popup gives way to the window, as it does to any other.
    hide();
    if (!requestNewsgroupWC_) {
        // Placed over the host's window, not over the popup.
        requestNewsgroupWC_ = new RequestNewsgroupWC(parentWidget() ? parentWidget()->window() : nullptr);
        connect(requestNewsgroupWC_, &RequestNewsgroupWC::windowWillClose, this, [this] {
            RequestNewsgroupWC* window = requestNewsgroupWC_;
            requestNewsgroupWC_ = nullptr;
            if (!window) return;
            window->hide();
            window->deleteLater();
        });
    }
    requestNewsgroupWC_->showWindow();
}

void IndexedNewsgroupSelectorVC::mnuRefreshClicked()
{
    refreshNewsgroups();
}
