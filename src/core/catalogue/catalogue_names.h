#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class CatalogueLoader;

// A skin of the loaded catalogue: its category's place and its own place there.
struct SkinRef {
    int category = -1;
    int skin = -1;
    friend bool operator==(SkinRef a, SkinRef b)
    {
        return a.category == b.category && a.skin == b.skin;
    }
};

// The catalogue as loaded, without a tree: each category's text and its skins' names, in the
// order they came. Follows a loader's signals, so that whatever shows the catalogue apart from
// the tree never holds names a refresh has thrown away.
class CatalogueNames : public QObject {
    Q_OBJECT
public:
    struct Category {
        QString key;
        QString text; // as the tree shows it, leading blank included
        QStringList skins;
    };

    explicit CatalogueNames(QObject* parent = nullptr);
    void follow(const CatalogueLoader& loader);

    void clear();
    void addCategory(const QString& key, const QString& text);
    void addSkins(const QString& categoryKey, const QStringList& names);

    const QList<Category>& categories() const { return categories_; }
    // -1 when no category has that key.
    int categoryIndex(const QString& key) const { return byKey_.value(key, -1); }
    const QString& name(SkinRef skin) const
    {
        return categories_.at(skin.category).skins.at(skin.skin);
    }
    qsizetype skinCount() const { return refs_.size(); }
    // Every skin whose name holds part, whatever the case of either, in catalogue order; none
    // for an empty part.
    QList<SkinRef> find(const QString& part) const;

Q_SIGNALS:
    void cleared();
    void categoryAdded(int category);
    void skinsAdded(int category);

private:
    QList<Category> categories_;
    QHash<QString, int> byKey_;
    // Every name case-folded, each followed by a NUL, in catalogue order: one pass of a string
    // search over it finds every name at once, far faster than a compare per name.
    QString folded_;
    QList<qsizetype> starts_;
    QList<SkinRef> refs_;
};
