#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// The catalogue's node keys: unique across the whole tree (a duplicate is error 35602), and
// the number of nodes, which the loading pass bounds. An empty key never collides.
class CatalogueIndex {
public:
    void clear();
    // parentKey empty: a top-level node. Throws AppError 35602 for a duplicate key and 35601
    // when no node has parentKey.
    void addNode(const QString& parentKey, const QString& key);
    // One node per name below parentKey, each keyed by its name. Returns how many were added:
    // fewer than names.size() when a name's key was taken (the names before it are in).
    // Throws AppError 35601 when no node has parentKey.
    qsizetype addLeaves(const QString& parentKey, const QStringList& names);
    int nodeCount() const { return nodeCount_; }

private:
    QSet<QString> keys_;
    int nodeCount_ = 0;
};
