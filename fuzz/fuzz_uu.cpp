// The NBUUDecode decoder on a file part of one or more article bodies.
#include "FuzzSupport.h"

#include "codec/NBUUDecode.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QList<QByteArray> bodies = fuzz::splitBodies(fuzz::bytes(data, size));
    (void)NBUUDecode::decodeToFile(fuzz::request(bodies));
    fuzz::afterInput();
    return 0;
}
