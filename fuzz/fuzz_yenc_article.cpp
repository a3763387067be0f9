// One yEnc article body: the header reader, the CRC check on arrival and
// the decoder.
#include "FuzzSupport.h"

#include "codec/DeYenc.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QList<QByteArray> bodies{fuzz::bytes(data, size)};
    (void)DeYenc::checkArticle(bodies.front());
    (void)DeYenc::identityOf(bodies.front());
    (void)DeYenc::decodeToFile(fuzz::request(bodies));
    fuzz::afterInput();
    return 0;
}
