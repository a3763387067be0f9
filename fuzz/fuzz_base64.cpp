// The NBBase64Decode decoder on a file part of one or more article bodies.
#include "FuzzSupport.h"

#include "codec/NBBase64Decode.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QList<QByteArray> bodies = fuzz::splitBodies(fuzz::bytes(data, size));
    (void)NBBase64Decode::decodeToFile(fuzz::request(bodies));
    fuzz::afterInput();
    return 0;
}
