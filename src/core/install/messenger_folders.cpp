#include "core/install/messenger_folders.h"

#include "core/app_error.h"
#include "core/services/registry_reader.h"

#include <QFileInfo>

QStringList MessengerFolders::valuePaths()
{
    return {QStringLiteral("HKLM\\Software\\Microsoft\\MessengerService\\InstallationDirectory"),
            QStringLiteral("HKLM\\Software\\Microsoft\\MSNMessenger\\InstallationDirectory")};
}

QString MessengerFolders::folderOf(const QString& valuePath) const
{
    QString folder = registry_.readValue(valuePath);
    // A Windows value ends in "\", the local path a Wine prefix maps it to in "/".
    if (folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QStringList MessengerFolders::existing() const
{
    QStringList folders;
    for (const QString& valuePath : valuePaths()) {
        const QString folder = folderOf(valuePath);
        if (!folder.isEmpty() && QFileInfo(folder + QLatin1Char('/')).isDir())
            folders << folder;
    }
    if (folders.isEmpty()) {
        qWarning("Messenger's folder was not found: no InstallationDirectory value in %s names "
                 "an existing folder",
                 qUtf8Printable(registry_.whereSearched()));
        throw AppError::messengerNotFound();
    }
    return folders;
}
