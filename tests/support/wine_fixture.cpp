#include "support/wine_fixture.h"

QByteArray systemReg(const QByteArray& arch, const QByteArray& body)
{
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n" +
           (arch.isEmpty() ? QByteArray() : "#arch=" + arch + "\n\n") + body;
}

QByteArray messengerKeys(const QString& messengerService, const QString& msnMessenger, bool wow64)
{
    QByteArray body;
    for (const auto& [key, value] : {std::pair{"MessengerService", messengerService},
                                     std::pair{"MSNMessenger", msnMessenger}}) {
        // Keys carry a time stamp; inside quotes backslashes are escaped.
        body += QByteArray("\n[Software\\\\") + (wow64 ? "Wow6432Node\\\\" : "") + "Microsoft\\\\" +
                key + "] 1700000000\n#time=1da1b2c3d4e5f60\n";
        if (!value.isNull())
            body +=
                "\"InstallationDirectory\"=\"" + value.toLatin1().replace("\\", "\\\\") + "\"\n";
        body += "\"Version\"=\"4.7.3001\"\n";
    }
    return body;
}
