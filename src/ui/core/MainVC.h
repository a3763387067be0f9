#pragma once

#include <QStringList>
#include <QWidget>

// The main window's controller: it owns the pages and, once the user
// interface has started, imports the files the user opened with the program.
class MainVC : public QWidget
{
    Q_OBJECT
public:
    explicit MainVC(QWidget* parent = nullptr);
    ~MainVC() override;

    // Files opened with the program or dropped on its window. Held until the
    // user interface has started, then imported in the order given.
    void addOpenFiles(const QStringList& files);

    // The start banner of the log.
    static void logAppInformation();

    bool guiDidStart() const { return guiStarted_; }
    const QStringList& heldOpenFiles() const { return heldOpenFiles_; }

Q_SIGNALS:
    // The files to import now, in order.
    void importOpenFiles(const QStringList& files);

private:
    void applicationDidStartGUI();

    bool guiStarted_ = false;
    QStringList heldOpenFiles_;
};
