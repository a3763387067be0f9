#include "controls/NntpArtwork.h"

#include "controls/Artwork.h"
#include "nntp/ServerTestPresenter.h"

namespace {

// Round badges on a 32-unit grid: grey with a bar (no test), green with a
// tick (passed), red with a cross (failed).
const char kIdleSvg[] =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <circle cx="16" cy="16" r="14" fill="#c9c9c9" stroke="#9a9a9a" stroke-width="1.5"/>
  <rect x="9" y="14.5" width="14" height="3" rx="1.5" fill="#ffffff"/>
</svg>)";

const char kFinishedSvg[] =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <circle cx="16" cy="16" r="14" fill="#3dae4a" stroke="#23802e" stroke-width="1.5"/>
  <path d="M9.5 16.5 L14 21 L23 11.5" fill="none" stroke="#ffffff" stroke-width="3.2"
        stroke-linecap="round" stroke-linejoin="round"/>
</svg>)";

const char kErrorSvg[] =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <circle cx="16" cy="16" r="14" fill="#e0463c" stroke="#a92b23" stroke-width="1.5"/>
  <path d="M11 11 L21 21 M21 11 L11 21" fill="none" stroke="#ffffff" stroke-width="3.2"
        stroke-linecap="round"/>
</svg>)";

} // namespace

void NntpArtwork::registerImages()
{
    Artwork::addSvg(QString::fromLatin1(ServerTestPresenter::kImageIdle), QByteArray(kIdleSvg));
    Artwork::addSvg(QString::fromLatin1(ServerTestPresenter::kImageFinished), QByteArray(kFinishedSvg));
    Artwork::addSvg(QString::fromLatin1(ServerTestPresenter::kImageError), QByteArray(kErrorSvg));
}
