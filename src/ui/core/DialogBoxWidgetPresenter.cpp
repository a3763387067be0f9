#include "ui/core/DialogBoxWidgetPresenter.h"

#include "controls/Artwork.h"
#include "core/Logger.h"
#include "platform/Dispatch.h"
#include "ui/core/DialogBox.h"

#include <QLabel>

long DialogBoxWidgetPresenter::runModal(const DialogRequest& request)
{
    if (!Dispatch::isMainThread()) {
        BLOG(4, "Dialog requested off the main thread, shown without an answer: %@", request.title);
        Dispatch::onMain([request] { present(request); });
        return 0;
    }
    return present(request);
}

long DialogBoxWidgetPresenter::present(const DialogRequest& request)
{
    DialogBox box(request.title, request.info);
    box.setSelfClosing(request.selfClosing);
    for (const DialogRequest::Button& b : request.buttons) {
        if (b.isLink)
            box.addInfoButtonWithUrl(QUrl(request.link), b.title);
        else
            box.addButtonWithTitle(b.title);
    }
    box.activeButton(request.activeButton);
    if (!request.imageName.isEmpty()) {
        if (Artwork::contains(request.imageName))
            box.image(Artwork::pixmap(request.imageName, box.imageView()->size()));
        else
            BLOG(4, "No image named %@", request.imageName);
    }
    return box.runModal();
}
