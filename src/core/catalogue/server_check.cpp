#include "core/catalogue/server_check.h"

#include "core/app_error.h"
#include "core/catalogue/cache_folder.h"
#include "core/catalogue/catalogue_loader.h"
#include "core/catalogue/list_format.h"
#include "core/catalogue/server_list.h"
#include "core/catalogue/skin_picture_url.h"
#include "core/services/url_fetcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

ServerCheck::ServerCheck(UrlFetcher& fetcher, QString scratchFile, QObject* parent)
    : QObject(parent), fetcher_(fetcher), scratch_(std::move(scratchFile))
{
    limit_.setSingleShot(true);
    limit_.setInterval(TimeLimitMs);
    connect(&limit_, &QTimer::timeout, this, [this] {
        cancel();
        Q_EMIT finished(url_, Outcome::NoCategoryList);
    });
}

ServerCheck::~ServerCheck()
{
    cancel();
}

void ServerCheck::start(const QString& url)
{
    cancel();
    url_ = url;
    if (!ServerList::isServerUrl(url)) {
        Q_EMIT finished(url, Outcome::WrongForm);
        return;
    }
    QDir().mkpath(QFileInfo(scratch_).path());
    QFile::remove(scratch_);
    running_ = true;
    limit_.start();
    // Outside any loading pass: a pass that gave up on its own server must not refuse this
    // one, nor this one's failure end that pass.
    fetch_ =
        fetcher_.fetchAlone(listUrl(url, QString::fromLatin1(CatalogueLoader::RootKey)), scratch_,
                            listformat::MaxListBytes, this, [this, check = ++checks_](bool ok) {
                                if (check == checks_ && running_)
                                    arrived(ok);
                            });
}

void ServerCheck::cancel()
{
    if (!running_)
        return;
    running_ = false;
    ++checks_;
    limit_.stop();
    fetcher_.cancel(fetch_);
}

void ServerCheck::arrived(bool ok)
{
    running_ = false;
    limit_.stop();
    bool listed = false;
    if (ok) {
        try {
            listed = isCategoryList(CacheFolder::readList(scratch_));
        } catch (const AppError&) {
            // Unreadable or too large: no list, which is what the outcome says.
        }
    }
    QFile::remove(scratch_);
    Q_EMIT finished(url_, listed ? Outcome::Answered : Outcome::NoCategoryList);
}

bool ServerCheck::isCategoryList(const QString& text)
{
    if (listformat::isNotFoundMarker(text))
        return false;
    QStringList names;
    try {
        names = listformat::splitList(text);
    } catch (const AppError&) {
        return false; // too many names, or one too long: the pass would refuse it too
    }
    bool named = false;
    for (const QString& name : std::as_const(names)) {
        if (!listformat::isSafeCategoryName(name))
            return false;
        named = named || !name.isEmpty();
    }
    return named;
}
