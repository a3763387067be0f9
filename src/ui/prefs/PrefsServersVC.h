#pragma once

#include "nntp/NNTPServerObject.h"
#include "ui/prefs/PrefsContext.h"

#include <QPointer>
#include <QWidget>

class PrefsUploadSettingsWC;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class ServerTestWC;
class TableViewNewsServers;

// The news-server page of the settings window: the servers in the order the
// engine uses them, an editor of the selected server, and buttons to add,
// remove, test and reorder servers, delete a server's statistics and edit
// its upload endpoint. It edits the engine's servers in place; the window
// decides at closing whether the list is saved.
class PrefsServersVC : public QWidget
{
    Q_OBJECT
public:
    explicit PrefsServersVC(const PrefsContext& context, QWidget* parent = nullptr);
    ~PrefsServersVC() override;

    void addNewNNTPServer();
    void removeNNTPServer();
    void sslButtonClicked();
    void resetStatisticsForNNTPServer();
    void openServerTestWindow();
    void openUploadSettingsWindow();
    // The colour chosen for the selected server (from the colour dialog).
    void setSelectedServerColor(const QColor& color);

    TableViewNewsServers* tableviewNewsServers() const { return table_; }
    ServerTestWC* serverTestWC() const;
    PrefsUploadSettingsWC* prefsUploadSettingsWC() const;
    NNTPServerObjectPtr selectedServer() const;

private:
    void buildEditor(QWidget* editor);
    QLineEdit* addLineEdit(const char* name);
    QCheckBox* addCheckBox(const char* name, const QString& title);
    QSpinBox* addSpinBox(const char* name, int minimum, int maximum);
    void showSelectedServer();
    void serverEdited();
    void chooseColor();
    void deleteStatistics(const NNTPServerObjectPtr& server) const;

    PrefsContext context_;
    TableViewNewsServers* table_ = nullptr;
    QWidget* editor_ = nullptr;
    QLineEdit* alias_ = nullptr;
    QLineEdit* address_ = nullptr;
    QSpinBox* port_ = nullptr;
    QCheckBox* ssl_ = nullptr;
    QCheckBox* requiresLogin_ = nullptr;
    QLineEdit* username_ = nullptr;
    QLineEdit* password_ = nullptr;
    QSpinBox* maxConnections_ = nullptr;
    QCheckBox* enabled_ = nullptr;
    QCheckBox* isbackupServerOnly_ = nullptr;
    QCheckBox* showStats_ = nullptr;
    QPushButton* color_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPointer<ServerTestWC> serverTestWC_;
    QPointer<PrefsUploadSettingsWC> prefsUploadSettingsWC_;
    bool loadingFields_ = false;
};
