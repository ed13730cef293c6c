// Picture files as the preview loads them: recognised by content, decoded from memory.
#include "core/app_error.h"
#include "core/preview/picture_decoder.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Image plugins are found through the application's library paths.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const Picture picture = PictureDecoder::decode(bytes);
        if (picture.first.isNull() || picture.format.isEmpty())
            __builtin_trap();
    } catch (const AppError& e) {
        if (e.number() != 481)
            __builtin_trap();
    }
    return 0;
}
