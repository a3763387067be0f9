#pragma once

#include <QUrl>
#include <QWidget>

class QLineEdit;
class QProgressBar;
class QPushButton;
class WebViewHelp;

// The help window: the documentation page of a topic, a spinner while a
// page loads and a find bar (Ctrl+F) that searches the page without
// wrapping around. Made once; closing hides it and the next request shows
// it again. Setting the topic is the way to change the page. Main thread
// only.
class HelpWC : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWC(QWidget* parent = nullptr);
    ~HelpWC() override;

    // The page name of a topic: "deeplookup", "queue", "watchdog",
    // "posting", "preferences" for 1 to 5, else empty.
    static QString pageNameForTopic(qint64 topic);
    // "appdocs_%@.html#" with the topic's page name, resolved against the
    // setting htmlLinkDocumentRootFolder.
    static QUrl helpPageUrl(qint64 topic);

    qint64 topic() const { return topic_; }
    // Once the window has loaded, every setting loads the topic's page,
    // later on the main thread.
    void setTopic(qint64 topic);

    // Shows the window and brings it to the front; the first time it also
    // places it and loads the current topic.
    void showWindow();
    void closeWindow();

    void loadWebPage(qint64 topic);
    void topicChanged();
    void startSpinner();
    void stopSpinner();
    void startAllObservers();
    void removeAllObservers();

    // Finds the find bar's text forward or backward from the current match,
    // case-insensitive and without wrapping. Returns whether it found it.
    bool searchForward(bool forward);
    void showSearchView();
    void hideSearchView();
    void enableSearchButtons();
    void disableSearchButtons();
    void focusOnSearchField();

    void btnSearchPreviousClicked() { searchForward(false); }
    void btnSearchNextClicked() { searchForward(true); }
    void btnCancelSearchClicked() { hideSearchView(); }

    WebViewHelp* webView() const { return webView_; }
    QProgressBar* spinner() const { return spinner_; }
    QWidget* searchView() const { return searchView_; }
    QLineEdit* searchField() const { return searchField_; }
    QPushButton* btnSearchPrevious() const { return btnSearchPrevious_; }
    QPushButton* btnSearchNext() const { return btnSearchNext_; }
    QPushButton* btnCancelSearch() const { return btnCancelSearch_; }
    bool windowIsClosing() const { return windowIsClosing_; }
    bool observersRunning() const { return observersRunning_; }
    bool isLoaded() const { return loaded_; }

Q_SIGNALS:
    void windowWillClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();
    void didFailLoad(const QUrl& url, const QString& errorDescription);
    void searchFieldTextChanged(const QString& text);

    WebViewHelp* webView_;
    QProgressBar* spinner_;
    QWidget* searchView_;
    QLineEdit* searchField_;
    QPushButton* btnSearchPrevious_;
    QPushButton* btnSearchNext_;
    QPushButton* btnCancelSearch_;
    bool windowIsClosing_ = false;
    bool observersRunning_ = false;
    bool loaded_ = false;
    qint64 topic_ = 0;
};
