#pragma once

#include "controls/TVLTextFieldDelegate.h"
#include "search/IndexedNG.h"
#include "search/Watchdog.h"
#include "ui/search/tools/BytesConverterDelegate.h"
#include "ui/search/tools/IndexedNewsGroupsDelegate.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;
class BytesConverterVC;
class IndexedNewsgroupSelectorVC;
class TVLTextField;
class WatchdogController;

// The Watchdog editor: the entry's name, the search fields of its query
// (words, newsgroups, poster, minimum and maximum size), whether passworded
// results are left out, the content type, the interval and what a match
// does. Save refuses when all five search fields are empty; otherwise it
// copies the fields into the entry and remembers them as recent values. A
// new entry is switched on, made due at once, added and all entries are
// stored; an edited entry's row is updated. Any close without a save leaves
// the entry as it was, and a new one is dropped without a word.
class WatchdogEditWC : public QWidget,
                       public TVLTextFieldDelegate,
                       public BytesConverterDelegate,
                       public IndexedNewsGroupsDelegate
{
    Q_OBJECT
public:
    WatchdogEditWC(const WatchdogPtr& entry, WatchdogController* controller, QWidget* parent = nullptr);
    ~WatchdogEditWC() override;

    // The one open editor, now showing `entry`.
    static WatchdogEditWC* showWindow(const WatchdogPtr& entry, WatchdogController* controller,
                                      QWidget* parent = nullptr);
    static WatchdogEditWC* openEditor();

    const WatchdogPtr& currentObject() const { return currentObject_; }
    TVLTextField* textFieldAlias() const { return textFieldAlias_; }
    TVLTextField* textFieldQuery() const { return textFieldQuery_; }
    TVLTextField* textFieldNewsgroups() const { return textFieldNewsgroups_; }
    TVLTextField* textFieldPoster() const { return textFieldPoster_; }
    TVLTextField* textFieldMinSize() const { return textFieldMinSize_; }
    TVLTextField* textFieldMaxSize() const { return textFieldMaxSize_; }
    QCheckBox* btnExcludePassword() const { return btnExcludePassword_; }
    QComboBox* btnContentType() const { return btnContentType_; }
    QComboBox* btnInterval() const { return btnInterval_; }
    QComboBox* btnOnMatchAction() const { return btnOnMatchAction_; }
    QPushButton* saveButton() const { return saveButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    void saveButtonClicked();
    void cancelButtonClicked();
    void helpButtonClicked();
    // Groups chosen in the newsgroup selector: "alt.binaries." is dropped
    // from each name, several are joined as ((a) OR (b)), and the content
    // type follows the last group.
    void addNewsgroups(const QList<IndexedNG>& groups) override;
    // The newsgroup selector opened from the newsgroups field, made on first use.
    IndexedNewsgroupSelectorVC* indexedNewsgroupSelectorVC() const { return indexedNewsgroupSelectorVC_; }
    // The size converter opened from either size field, made on first use.
    BytesConverterVC* bytesConverterVC() const { return bytesConverterVC_; }
    void extraButtonClicked(QAbstractButton* button, const QString& identifier) override;
    // A converted size goes into its field; no result or an empty one keeps it.
    void bytesConversionFinishedWithValue(const QString& value, TVLTextField* textField) override;
    // Closes the window once; a close without a save keeps the entry as it was.
    void closeWindow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildInterface();
    void updateFields();
    bool checkIfFieldsAreFilled();
    void saveChanges();
    void updateSearchHistory();
    TVLTextField* makeField(const QString& name, const QString& placeholder, const QString& historyKey);

    WatchdogPtr currentObject_;
    QPointer<WatchdogController> controller_;
    TVLTextField* textFieldAlias_;
    TVLTextField* textFieldQuery_;
    TVLTextField* textFieldNewsgroups_;
    TVLTextField* textFieldPoster_;
    TVLTextField* textFieldMinSize_;
    TVLTextField* textFieldMaxSize_;
    QCheckBox* btnExcludePassword_;
    QComboBox* btnContentType_;
    QComboBox* btnInterval_;
    QComboBox* btnOnMatchAction_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
    BytesConverterVC* bytesConverterVC_ = nullptr;
    IndexedNewsgroupSelectorVC* indexedNewsgroupSelectorVC_ = nullptr;
    bool saved_ = false;
    bool windowIsClosing_ = false;
};
