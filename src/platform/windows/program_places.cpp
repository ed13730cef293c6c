#include "platform/windows/program_places.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {
// Asked of the folder itself: permissions on Windows live in access lists that the file's
// attributes do not show.
bool folderTakesFiles(const QString& folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.drapello-probe-XXXXXX"));
    return probe.open();
}
} // namespace

WindowsPlaces windowsPlaces(const QString& programFolder, const QString& localData,
                            const QString& roamingData)
{
    const QString data = localData + QStringLiteral("/Drapello");
    const bool installed = QFileInfo::exists(programFolder + u'/' + uninstallerName());
    if (!installed && folderTakesFiles(programFolder))
        return {programFolder + QStringLiteral("/Cache"), {programFolder}, data};
    // The user's own files come first, so that a corrected copy replaces a shipped one.
    return {data + QStringLiteral("/Cache"),
            {roamingData + QStringLiteral("/Drapello/languages"), programFolder},
            data};
}
