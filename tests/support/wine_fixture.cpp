#include "support/wine_fixture.h"

#include "support/test_profile.h"

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

QByteArray wineEscape(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '"')
            out += '\\' + QByteArray(1, static_cast<char>(u));
        else if (u == '\n')
            out += "\\n";
        else if (u < 32 || u > 126)
            out += "\\x" + QByteArray::number(u, 16).rightJustified(4, '0');
        else
            out += static_cast<char>(u);
    }
    return out;
}

QByteArray regKey(const QString& keyPath)
{
    return "\n[" + wineEscape(keyPath) + "] 1700000000\n#time=1da1b2c3d4e5f60\n";
}

QByteArray regString(const QString& name, const QString& value)
{
    return "\"" + wineEscape(name) + "\"=\"" + wineEscape(value) + "\"\n";
}

QByteArray messengerKeys(const QString& messengerService, const QString& msnMessenger, bool wow64)
{
    const QString software =
        wow64 ? QStringLiteral("Software\\Wow6432Node\\") : QStringLiteral("Software\\");
    QByteArray body;
    body += regKey(software + QStringLiteral("Microsoft\\MessengerService"));
    body += regString(QStringLiteral("Version"), QStringLiteral("4.7.3001"));
    if (!messengerService.isNull())
        body += regString(QStringLiteral("InstallationDirectory"), messengerService);
    body += regKey(software + QStringLiteral("Microsoft\\MSNMessenger"));
    if (!msnMessenger.isNull())
        body += regString(QStringLiteral("InstallationDirectory"), msnMessenger);
    body += regString(QStringLiteral("AppCompatCheck"), QStringLiteral("1"));
    return body;
}
