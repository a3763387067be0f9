#pragma once

#include "nntp/NNTPServerObject.h"
#include "ui/prefs/PrefsContext.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QPointer>

#include <optional>

class QPropertyAnimation;
class QToolButton;

// The settings window: a row of page buttons, the current page's title and
// one area that shows one settings page at a time. Pages are made the first
// time they are shown and stay for the life of the window. When the window
// closes it compares the server list with the copies taken when it opened,
// saves the list when the engine says so and remembers the page shown.
//
// Every window gets the same engine references, whoever opens it. Main
// thread only.
class PrefsWC : public QDialog
{
    Q_OBJECT
public:
    // Space between the top of the main window and the top of this one.
    static constexpr int kWindowDistance = 120;
    static constexpr int kAnimationMs = 400;
    static constexpr int kToolbarHeight = 52;

    // Opens on the remembered page, or on `forcedVCTag` when given.
    explicit PrefsWC(const PrefsContext& context, std::optional<int> forcedVCTag = std::nullopt,
                     QWidget* parent = nullptr);
    ~PrefsWC() override;

    // Shows page `tag` (0 means 1; 8 means the Download page on its advanced
    // sub-page); a number outside the pages changes nothing shown.
    void changeViewController(int tag);
    void updateToolbarButtonImage(int tag);
    // Compares and saves the server list, remembers the page. Once only.
    void closeWindow();

    static qint64 loadcurrentVCTag();
    void savecurrentVCTag() const;

    int currentVCTag() const { return currentVCTag_; }
    QWidget* topVC() const { return topVC_; }
    QWidget* page(int tag) const { return pages_.value(tag); }
    QToolButton* pageButton(int tag) const { return buttons_.value(tag); }
    QString titleBarText() const { return windowTitle(); }
    QWidget* topContainer() const { return topContainer_; }
    // The frame change of the last page switch, while it runs.
    QPropertyAnimation* frameAnimation() const;
    const PrefsContext& context() const { return context_; }
    // The window frame for a page of `contentSize`: the top edge kept, the
    // centre kept (the shift rounded up).
    static QRect newFrameForContent(const QRect& current, const QSize& contentSize);

public Q_SLOTS:
    // Escape, the title bar and close() all end here.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();
    void makeCopyOfCurrentServerSettings();
    void setContentView(QWidget* view, QWidget* previous);

    PrefsContext context_;
    std::optional<int> forcedVCTag_;
    QList<NNTPServerObjectPtr> oldNNTPServerSettingsArray_;
    QHash<int, QToolButton*> buttons_;
    QHash<int, QWidget*> pages_;
    QWidget* topContainer_ = nullptr;
    QPointer<QWidget> topVC_;
    QPointer<QPropertyAnimation> animation_;
    int currentVCTag_ = 0;
    bool loaded_ = false;
    bool windowIsClosing_ = false;
};
