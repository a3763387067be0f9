#pragma once

#include <QComboBox>

// The applications that open NZB files, the default one chosen. Choosing
// another makes it the desktop's default; "Not set" (no default among them)
// does nothing. Rebuilt each time the settings page is shown, since another
// program may have changed the default meanwhile.
class PopupButtonDefaultNZBApp : public QComboBox
{
    Q_OBJECT
public:
    explicit PopupButtonDefaultNZBApp(QWidget* parent = nullptr);

    // Asks the desktop again and refills the list; with no application for
    // NZB files the list stays as it was.
    void setupPopupDefaultNZBApp();

    // "org.example.Viewer.desktop" -> "Viewer": the desktop id without
    // ".desktop", its last dot-separated part, capitalised.
    static QString titleForDesktopId(const QString& desktopId);

private:
    void itemChosen(int index);
};
