#include "ui/search/page/BusySearchingWC.h"

#include "platform/NotificationHub.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

BusySearchingWC::BusySearchingWC(const QRectF& parentViewRect, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint),
      parentViewRect_(parentViewRect),
      progressBar_(new QProgressBar(this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("BusySearchingWC"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    auto* label = new QLabel(QStringLiteral("Searching…"), this);
    layout->addWidget(label);
    progressBar_->setRange(0, 0); // running, without a known end
    progressBar_->setTextVisible(false);
    progressBar_->setFixedHeight(10);
    layout->addWidget(progressBar_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    row->addWidget(cancelButton_);
    layout->addLayout(row);
    setFixedSize(300, 104);
    connect(cancelButton_, &QPushButton::clicked, this, &BusySearchingWC::cancelButtonClicked);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) {
                                                     if (!windowIsClosing_) closeWindow();
                                                 });
}

BusySearchingWC::~BusySearchingWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

QPoint BusySearchingWC::centerWindow(const QRect& m, const QRectF& p, const QSize& w, const QRect& v)
{
    double x = m.x() + (m.width() + p.x() + 80) / 2.0 - w.width() / 2.0;
    double y = m.y() + p.height() / 2.0 + 65;
    y = std::min(y, double(v.y() + v.height() - w.height()));
    y = std::max(y, double(v.y()));
    x = std::min(x, double(v.x() + v.width() - w.width()));
    x = std::max(x, double(v.x()));
    return {int(x), int(y)};
}

void BusySearchingWC::showWindow()
{
    QWidget* main = QApplication::activeWindow();
    if (!main && !QApplication::topLevelWidgets().isEmpty()) main = QApplication::topLevelWidgets().first();
    const QRect mainFrame = main && main != this ? main->frameGeometry() : QRect();
    const QScreen* screen = QApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
    move(centerWindow(mainFrame, parentViewRect_, size(), visible));
    show();
    raise();
    activateWindow();
    cancelButton_->setFocus();
}

void BusySearchingWC::cancelButtonClicked()
{
    isCancelled_ = true;
    closeWindow();
}

void BusySearchingWC::closeWindow()
{
    if (windowIsClosing_) return;
    cancelButton_->setEnabled(false);
    progressBar_->setRange(0, 1); // stops the running bar
    windowIsClosing_ = true;
    close();
    Q_EMIT closing();
}

// Escape, like the button, cancels the search.
void BusySearchingWC::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        cancelButtonClicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Without a title bar the window needs an edge of its own.
void BusySearchingWC::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void BusySearchingWC::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!windowIsClosing_) closeWindow();
}
