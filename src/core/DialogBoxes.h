#pragma once

#include <QList>
#include <QString>

#include <functional>

// What one modal question shows: the buttons in adding order (tags 1, 2, 3),
// the one that answers the Return key, an optional link button and image.
struct DialogRequest
{
    struct Button
    {
        QString title;
        bool isLink = false; // opens `link` and ends the dialog with code 0
    };

    QString title;
    QString info;
    QList<Button> buttons;
    int activeButton = 1; // number of the Return-key button, from 1
    QString link;         // address opened by the link button
    QString imageName;    // a named image, or empty
    bool selfClosing = false;
};

// Shows one DialogRequest modally and returns its response code: 1000, 1001
// or 1002 for the button with tag 1, 2 or 3; 0 when the dialog ended without
// one (the link button, lost focus while self-closing, termination).
class DialogPresenter
{
public:
    virtual ~DialogPresenter() = default;
    virtual long runModal(const DialogRequest& request) = 0;
};

// The family of modal questions. The engine asks through these operations;
// the user interface registers the window that shows them, tests a scripted
// answerer. Each operation blocks until answered and belongs on the main
// thread; callers on other threads use the Async forms, which post the
// question to the main thread and never wait for it.
class DialogBoxes
{
public:
    static constexpr long kFirstButton = 1000;
    static constexpr long kSecondButton = 1001;
    static constexpr long kThirdButton = 1002;

    // The presenter stays owned by the caller. With none registered, every
    // question is logged and answered with 0.
    static void setPresenter(DialogPresenter* presenter);
    static DialogPresenter* presenter();

    static void alertBoxDefault(const QString& title, const QString& info);
    static void alertBoxDefault(const QString& title, const QString& info, const QString& imageName);
    static void alertBoxDefaultWithButtonTitle(const QString& title, const QString& info,
                                               const QString& buttonTitle);
    static bool alertBoxDefaultWithInfoLink(const QString& title, const QString& info, const QString& link,
                                            const QString& linkTitle, const QString& imageName = QString());
    // YES for "Don't show again". No answer at all (termination, lost focus)
    // counts as "OK": the caller's switch stays as it was.
    static bool alertBoxDefaultWithNotShowAgain(const QString& title, const QString& info);
    // 0 "Yes", 1 "No", 2 "Don't show again". No answer counts as "No".
    static int alertBoxYesNoWithNotShowAgain(const QString& title, const QString& info, bool yesIsActive);
    static bool alertBoxOpenPreferences(const QString& title, const QString& info, bool forced);
    static bool alertBoxRetry(const QString& title, const QString& info);
    static bool alertBoxYesNo(const QString& title, const QString& info, bool yesIsActive);
    static bool alertBoxYesNo(const QString& title, const QString& info, bool yesIsActive, bool selfClosing);
    // 0 "No" (or no answer), 1 "Yes", 2 "Yes and remove all related files".
    static int alertBoxRemoveFiles(const QString& title, const QString& info);

    static void alertBoxDefaultAsync(const QString& title, const QString& info);

private:
    static long run(const DialogRequest& request);
};
