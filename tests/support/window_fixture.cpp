#include "support/window_fixture.h"

#include "app/keyed_tree.h"
#include "platform/network_fetcher.h"

#include <QDir>
#include <QDirIterator>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

WindowFixture::WindowFixture(const QString& baseUrl, bool updateAtStart, int idleTimeoutMs,
                             qint64 maxBytes)
{
    profile.setSetting(QStringLiteral("base"), baseUrl);
    profile.setSetting(QStringLiteral("updatelist"),
                       updateAtStart ? QStringLiteral("1") : QStringLiteral("0"));
    platform = profile.makePlatform();
    platform.fetcher = std::make_unique<NetworkFetcher>(idleTimeoutMs, maxBytes);
    form = std::make_unique<Form1>(platform);
}

void WindowFixture::start(const QString& commandLine)
{
    form->setCommandLine(commandLine);
    form->LoadDefaultLanguage();
}

bool WindowFixture::waitForPass(int timeoutMs)
{
    return QTest::qWaitFor([this] { return !form->loading->isActive(); }, timeoutMs);
}

bool WindowFixture::runPass(const QString& commandLine)
{
    start(commandLine);
    return waitForPass();
}

void WindowFixture::seedCache(const QMap<QString, QByteArray>& files)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        profile.writeFile(QStringLiteral("program/Cache/") + it.key(), it.value());
}

QByteArray WindowFixture::cached(const QString& name) const
{
    return readFileBytes(profile.cacheFolder() + QLatin1Char('/') + name);
}

QStringList WindowFixture::cacheFiles() const
{
    return QDir(profile.cacheFolder()).entryList(QDir::Files | QDir::Hidden);
}

void WindowFixture::click(const QString& key)
{
    QTreeWidgetItem* node = form->TV1->find(key);
    QVERIFY(node);
    Q_EMIT form->TV1->itemClicked(node, 0);
}

void serveFiles(HttpTestServer& server, const QMap<QString, QByteArray>& files)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        server.setFile(QLatin1Char('/') + it.key(), it.value());
}

namespace {
void describe(const QTreeWidgetItem* item, QString& out)
{
    out += item->text(0);
    if (item->childCount() == 0)
        return;
    out += QLatin1Char('(');
    for (int i = 0; i < item->childCount(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        describe(item->child(i), out);
    }
    out += QLatin1Char(')');
}
} // namespace

QString WindowFixture::treeShape() const
{
    QString out;
    for (int i = 0; i < form->TV1->topLevelItemCount(); ++i) {
        if (i > 0)
            out += QLatin1Char('|');
        describe(form->TV1->topLevelItem(i), out);
    }
    return out;
}

int WindowFixture::progress() const
{
    return form->ProgressBar1->value();
}

QStringList WindowFixture::filesInProfile() const
{
    QStringList files;
    QDirIterator it(profile.root(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(profile.root().size() + 1);
    files.sort();
    return files;
}
