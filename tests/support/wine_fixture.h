#pragma once

#include "support/test_profile.h"

#include <QDir>

// A Wine prefix of one's own, as wineboot lays it out (dosdevices/c: -> ../drive_c), with a
// system.reg written by the test.
class WinePrefixFixture {
public:
    WinePrefixFixture()
    {
        QDir().mkpath(driveC());
        QDir().mkpath(path() + QStringLiteral("/dosdevices"));
        QFile::link(QStringLiteral("../drive_c"), path() + QStringLiteral("/dosdevices/c:"));
    }
    QString path() const { return dir_.path() + QStringLiteral("/prefix"); }
    QString driveC() const { return path() + QStringLiteral("/drive_c"); }
    void writeSystemReg(const QByteArray& bytes) const
    {
        writeFileBytes(path() + QStringLiteral("/system.reg"), bytes);
    }
    QString makeFolder(const QString& underDriveC) const // returns its local path
    {
        QDir().mkpath(driveC() + u'/' + underDriveC);
        return driveC() + u'/' + underDriveC;
    }

private:
    QTemporaryDir dir_;
};

// system.reg as Wine writes it: the header, "#arch=" unless arch is empty, then body.
QByteArray systemReg(const QByteArray& arch, const QByteArray& body);
// Both of Messenger's keys, each with InstallationDirectory unless that is null; with wow64 under
// Software\Wow6432Node.
QByteArray messengerKeys(const QString& messengerService, const QString& msnMessenger,
                         bool wow64 = false);
