// A file part of several yEnc articles, decoded whole and, as on arrival,
// one article at a time held to the first one's identity.
#include "FuzzSupport.h"

#include "codec/DeYenc.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    QList<QByteArray> bodies = fuzz::splitBodies(input);
    DecodeRequest whole = fuzz::request(bodies);
    whole.partBytes = qint64(size);
    (void)DeYenc::decodeToFile(whole);

    if (!bodies.isEmpty()) {
        const std::optional<YencPartIdentity> identity = DeYenc::identityOf(bodies.front());
        for (const QByteArray& body : bodies) {
            QList<QByteArray> one{body};
            DecodeRequest r = fuzz::request(one);
            r.yencIdentity = identity;
            r.articleCount = bodies.size();
            r.largestBodyBefore = qint64(size);
            (void)DeYenc::decodeToFile(r);
        }
    }
    fuzz::afterInput();
    return 0;
}
