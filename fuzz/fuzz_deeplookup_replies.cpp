// The search service's reply parsers: search results, a file's articles, a
// one-file result's parts, and the NZB export list.
#include "FuzzSupport.h"

#include "core/Utils.h"
#include "queue/Queue.h"
#include "search/DeepLookupChildsParser.h"
#include "search/DeepLookupContentParser.h"
#include "search/DeepLookupMidsParser.h"
#include "search/NZBExportParser.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<QString> text = Utils::textFromUtf8OrLatin1(fuzz::bytes(data, size));
    (void)DeepLookupContentParser().parseSearchResult(text);
    (void)NZBExportParser().parseSearchResult(text);
    const QueuePtr job = Queue::create();
    job->setTitle(QStringLiteral("fuzz"));
    (void)DeepLookupChildsParser().parseQueryResult(text, job);
    const QueuePtr part = Queue::create();
    part->setFid(QStringLiteral("1"));
    (void)DeepLookupMidsParser().parseQueryResult(text, FilepartsByFid{{QStringLiteral("1"), part}});
    fuzz::afterInput();
    return 0;
}
