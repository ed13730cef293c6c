// A later start's message to the running copy: taken whole or not at all, and what is taken
// says the same when it is handed on again.
#include "core/command_line.h"
#include "platform/common/instance_message.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<InstanceMessage> message = InstanceMessage::decoded(bytes);
    if (!message)
        return 0;
    if (bytes.size() > InstanceMessage::MaxBytes)
        __builtin_trap(); // more than a message may hold
    // Empty when bytes that are no UTF-8 came back longer than a message may be.
    const QByteArray again = message->encoded();
    const std::optional<InstanceMessage> back = InstanceMessage::decoded(again);
    if (!again.isEmpty() &&
        (!back || back->folder != message->folder || back->arguments != message->arguments))
        __builtin_trap();
    (void)pictureNamedBy(message->arguments, message->folder);
    return 0;
}
