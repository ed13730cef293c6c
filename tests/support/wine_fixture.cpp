#include "support/wine_fixture.h"

#include "support/test_platform.h"

#include <QDir>
#include <QFile>

WinePrefixFixture::WinePrefixFixture()
{
    QDir().mkpath(driveC());
    QDir().mkpath(path() + QStringLiteral("/dosdevices"));
    if (!QFile::link(QStringLiteral("../drive_c"), path() + QStringLiteral("/dosdevices/c:")))
        qFatal("cannot link the c: drive");
}

void WinePrefixFixture::writeSystemReg(const QByteArray& bytes) const
{
    writeFileBytes(path() + QStringLiteral("/system.reg"), bytes);
}

QString WinePrefixFixture::makeFolder(const QString& underDriveC) const
{
    const QString folder = driveC() + QLatin1Char('/') + underDriveC;
    if (!QDir().mkpath(folder))
        qFatal("cannot make %s", qPrintable(folder));
    return folder;
}

QByteArray systemReg(const QByteArray& arch, const QByteArray& body)
{
    QByteArray text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
    if (!arch.isEmpty())
        text += "#arch=" + arch + "\n\n";
    return text + body;
}

QByteArray messengerKeys(const QString& messengerService, const QString& msnMessenger, bool wow64)
{
    // Inside quotes Wine escapes backslashes (and quotes); keys carry a time stamp.
    const auto escaped = [](const QString& text) { return text.toLatin1().replace("\\", "\\\\"); };
    const QByteArray software = wow64 ? "Software\\\\Wow6432Node\\\\" : "Software\\\\";
    QByteArray body = "\n[" + software +
                      "Microsoft\\\\MessengerService] 1700000000\n"
                      "#time=1da1b2c3d4e5f60\n\"Version\"=\"4.7.3001\"\n";
    if (!messengerService.isNull())
        body += "\"InstallationDirectory\"=\"" + escaped(messengerService) + "\"\n";
    body += "\n[" + software + "Microsoft\\\\MSNMessenger] 1700000000\n#time=1da1b2c3d4e5f60\n";
    if (!msnMessenger.isNull())
        body += "\"InstallationDirectory\"=\"" + escaped(msnMessenger) + "\"\n";
    return body + "\"AppCompatCheck\"=\"1\"\n";
}
