#include "core/catalogue/catalogue_names.h"

#include "core/catalogue/catalogue_loader.h"

#include <QStringMatcher>
#include <algorithm>

CatalogueNames::CatalogueNames(QObject* parent) : QObject(parent) {}

void CatalogueNames::follow(const CatalogueLoader& loader)
{
    connect(&loader, &CatalogueLoader::catalogueCleared, this, &CatalogueNames::clear);
    connect(&loader, &CatalogueLoader::categoryAdded, this, &CatalogueNames::addCategory);
    connect(&loader, &CatalogueLoader::skinsAdded, this, &CatalogueNames::addSkins);
}

void CatalogueNames::clear()
{
    categories_.clear();
    byKey_.clear();
    folded_.clear();
    starts_.clear();
    refs_.clear();
    Q_EMIT cleared();
}

void CatalogueNames::addCategory(const QString& key, const QString& text)
{
    byKey_.insert(key, int(categories_.size()));
    categories_.append({key, text, {}});
    Q_EMIT categoryAdded(int(categories_.size() - 1));
}

void CatalogueNames::addSkins(const QString& categoryKey, const QStringList& names)
{
    const int category = categoryIndex(categoryKey);
    if (category < 0)
        return;
    QStringList& skins = categories_[category].skins;
    for (const QString& name : names) {
        starts_.append(folded_.size());
        refs_.append({category, int(skins.size())});
        folded_ += name.toCaseFolded();
        folded_ += QChar(u'\0');
        skins.append(name);
    }
    Q_EMIT skinsAdded(category);
}

QList<SkinRef> CatalogueNames::find(const QString& part) const
{
    QList<SkinRef> found;
    if (part.isEmpty() || part.contains(QChar(u'\0')))
        return found;
    const QStringMatcher matcher(part.toCaseFolded(), Qt::CaseSensitive);
    qsizetype at = matcher.indexIn(folded_, 0);
    while (at >= 0) {
        // The name the match lies in; the search goes on after it.
        const auto next = std::upper_bound(starts_.cbegin(), starts_.cend(), at);
        found.append(refs_.at(std::distance(starts_.cbegin(), next) - 1));
        if (next == starts_.cend())
            break;
        at = matcher.indexIn(folded_, *next);
    }
    return found;
}
