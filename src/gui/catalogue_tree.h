#pragma once

#include "core/skin_controller.h"

#include <QHash>
#include <QTimer>
#include <QTreeWidget>

// The catalogue as the core reports it: the root, its categories, each category's skins.
// Keyboard moves are reported once the keys rest, so a run of presses previews once.
class CatalogueTree : public QTreeWidget, public CatalogueSelection {
    Q_OBJECT
public:
    static constexpr int SettleMs = 300;

    explicit CatalogueTree(QWidget* parent = nullptr);

    void clearToRoot(const QString& rootKey, const QString& rootText);
    void addCategory(const QString& key, const QString& text);
    void addSkins(const QString& categoryKey, const QStringList& names);
    // Every node expanded; every node but the root collapsed.
    void expandEveryNode();
    void collapseBelowRoot();

    bool takePendingMove() override;
    std::optional<CatalogueNode> currentNode() const override;
    static std::optional<CatalogueNode> nodeOf(const QTreeWidgetItem* item);
    // Categories and skins are in the order they were added, as the catalogue's names are.
    // -1 when item is no category.
    int categoryIndexOf(const QTreeWidgetItem* item) const;
    // Makes the skin the current node, in view; nullptr when there is no such node.
    QTreeWidgetItem* selectSkin(int category, int skin);

Q_SIGNALS:
    void currentSettled(QTreeWidgetItem* current);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    template <class Change> void forEachNode(int fromTopLevel, Change&& change);

    QTimer settle_;
    QTreeWidgetItem* root_ = nullptr;
    QHash<QString, QTreeWidgetItem*> categories_;
};
