#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A Wine prefix of one's own: dosdevices/c: linking to ../drive_c, as wineboot makes it, and a
// system.reg written by the test.
class WinePrefixFixture {
public:
    WinePrefixFixture();

    QString path() const { return dir_.path() + QStringLiteral("/prefix"); }
    QString driveC() const { return path() + QStringLiteral("/drive_c"); }
    void writeSystemReg(const QByteArray& bytes) const;
    // Creates a folder under drive_c ("Program Files/MSN Messenger"), returns its local path.
    QString makeFolder(const QString& underDriveC) const;

private:
    QTemporaryDir dir_;
};

// system.reg text as Wine writes it: the header, an "#arch=" line unless arch is empty, then body.
QByteArray systemReg(const QByteArray& arch, const QByteArray& body);

// Both of Messenger's keys with an InstallationDirectory value each (ASCII); a null value leaves
// that value out. With wow64 the keys go under Software\Wow6432Node.
QByteArray messengerKeys(const QString& messengerService, const QString& msnMessenger,
                         bool wow64 = false);
