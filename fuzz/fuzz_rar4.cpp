// The RAR 4 header reader behind the password probe.
#include "FuzzSupport.h"

#include "core/FileUtils.h"
#include "postprocess/Rar4Info.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    (void)FileUtils::getArchiveTypeFor(input.left(64));
    Rar4Info info;
    info.setFiledata(input);
    (void)info.isPasswordProtected();
    Rar4Info walk;
    walk.setFiledata(input);
    walk.analyze();
    fuzz::afterInput();
    return 0;
}
