#include "platform/common/instance_message.h"

#include <QList>

namespace {
// A later version names itself otherwise; an older copy reads nothing at all. Neither a path
// nor an argument can hold a NUL, so it parts them.
constexpr char Version[] = "drapello-open/1";
} // namespace

QByteArray InstanceMessage::encoded() const
{
    const QByteArray bytes =
        QByteArray(Version) + '\0' + folder.toUtf8() + '\0' + arguments.toUtf8();
    return bytes.size() > MaxBytes ? QByteArray() : bytes;
}

std::optional<InstanceMessage> InstanceMessage::decoded(const QByteArray& bytes)
{
    const QList<QByteArray> parts = bytes.split('\0');
    if (bytes.size() > MaxBytes || parts.size() != 3 || parts.at(0) != Version)
        return std::nullopt;
    return InstanceMessage{QString::fromUtf8(parts.at(1)), QString::fromUtf8(parts.at(2))};
}
