#include "core/catalogue/catalogue_index.h"

#include "core/app_error.h"

void CatalogueIndex::clear()
{
    keys_.clear();
    nodeCount_ = 0;
}

void CatalogueIndex::addNode(const QString& parentKey, const QString& key)
{
    if (!parentKey.isEmpty() && !keys_.contains(parentKey))
        throw AppError::elementNotFound();
    if (!key.isEmpty() && keys_.contains(key))
        throw AppError::keyNotUnique();
    if (!key.isEmpty())
        keys_.insert(key);
    ++nodeCount_;
}

qsizetype CatalogueIndex::addLeaves(const QString& parentKey, const QStringList& names)
{
    if (!parentKey.isEmpty() && !keys_.contains(parentKey))
        throw AppError::elementNotFound();
    qsizetype added = 0;
    for (const QString& name : names) {
        if (!name.isEmpty()) {
            // One look-up per name: a key already there leaves the size as it was.
            const qsizetype before = keys_.size();
            keys_.insert(name);
            if (keys_.size() == before)
                break;
        }
        ++nodeCount_;
        ++added;
    }
    return added;
}
