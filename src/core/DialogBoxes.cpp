#include "core/DialogBoxes.h"

#include "core/Logger.h"
#include "platform/Dispatch.h"

#include <atomic>

namespace {

std::atomic<DialogPresenter*> registered{nullptr};

DialogRequest makeRequest(const QString& title, const QString& info, std::initializer_list<const char*> buttons,
                          int activeButton)
{
    DialogRequest r;
    r.title = title;
    r.info = info;
    for (const char* b : buttons)
        r.buttons.append({QString::fromUtf8(b), false});
    r.activeButton = activeButton;
    return r;
}

} // namespace

void DialogBoxes::setPresenter(DialogPresenter* presenter)
{
    registered.store(presenter);
}

DialogPresenter* DialogBoxes::presenter()
{
    return registered.load();
}

long DialogBoxes::run(const DialogRequest& request)
{
    DialogPresenter* p = registered.load();
    if (!p) {
        BLOG(1, "%@: %@", request.title, request.info);
        return 0;
    }
    return p->runModal(request);
}

void DialogBoxes::alertBoxDefault(const QString& title, const QString& info)
{
    run(makeRequest(title, info, {"OK"}, 1));
}

void DialogBoxes::alertBoxDefault(const QString& title, const QString& info, const QString& imageName)
{
    DialogRequest r = makeRequest(title, info, {"OK"}, 1);
    r.imageName = imageName;
    run(r);
}

void DialogBoxes::alertBoxDefaultWithButtonTitle(const QString& title, const QString& info,
                                                 const QString& buttonTitle)
{
    DialogRequest r = makeRequest(title, info, {}, 1);
    r.buttons.append({buttonTitle.isEmpty() ? QStringLiteral("OK") : buttonTitle, false});
    run(r);
}

bool DialogBoxes::alertBoxDefaultWithInfoLink(const QString& title, const QString& info, const QString& link,
                                              const QString& linkTitle, const QString& imageName)
{
    DialogRequest r = makeRequest(title, info, {"OK"}, 1);
    r.buttons.append({linkTitle, true});
    r.link = link;
    r.imageName = imageName;
    return run(r) != kFirstButton;
}

bool DialogBoxes::alertBoxDefaultWithNotShowAgain(const QString& title, const QString& info)
{
    return run(makeRequest(title, info, {"OK", "Don't show again"}, 1)) == kSecondButton;
}

int DialogBoxes::alertBoxYesNoWithNotShowAgain(const QString& title, const QString& info, bool yesIsActive)
{
    switch (run(makeRequest(title, info, {"Yes", "No", "Don't show again"}, yesIsActive ? 1 : 2))) {
    case kFirstButton:
        return 0;
    case kThirdButton:
        return 2;
    default:
        return 1;
    }
}

bool DialogBoxes::alertBoxOpenPreferences(const QString& title, const QString& info, bool forced)
{
    DialogRequest r = forced ? makeRequest(title, info, {"Open Preferences"}, 1)
                             : makeRequest(title, info, {"Open Preferences", "Cancel"}, 1);
    return run(r) == kFirstButton;
}

bool DialogBoxes::alertBoxRetry(const QString& title, const QString& info)
{
    return run(makeRequest(title, info, {"Retry", "Cancel"}, 1)) == kFirstButton;
}

bool DialogBoxes::alertBoxYesNo(const QString& title, const QString& info, bool yesIsActive)
{
    return alertBoxYesNo(title, info, yesIsActive, false);
}

bool DialogBoxes::alertBoxYesNo(const QString& title, const QString& info, bool yesIsActive, bool selfClosing)
{
    DialogRequest r = makeRequest(title, info, {"Yes", "No"}, yesIsActive ? 1 : 2);
    r.selfClosing = selfClosing;
    return run(r) == kFirstButton;
}

int DialogBoxes::alertBoxRemoveFiles(const QString& title, const QString& info)
{
    switch (run(makeRequest(title, info, {"No", "Yes", "Yes and remove all related files"}, 1))) {
    case kSecondButton:
        return 1;
    case kThirdButton:
        return 2;
    default:
        return 0;
    }
}

void DialogBoxes::alertBoxDefaultAsync(const QString& title, const QString& info)
{
    Dispatch::onMain([title, info] { alertBoxDefault(title, info); });
}
