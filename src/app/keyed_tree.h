#pragma once

#include <QHash>
#include <QString>
#include <QTimer>
#include <QTreeWidget>
#include <vector>

// A tree view whose nodes carry string keys: a node is added by its parent's key as the parent's
// last child, keys are unique across the whole tree, and a duplicate is a failure (35602).
// An empty key means a node without a key, which never collides.
class KeyedTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit KeyedTree(QWidget* parent = nullptr);

    // parentKey empty: a top-level node. Throws AppError 35602 for a duplicate key and 35601
    // when no node has parentKey.
    QTreeWidgetItem* addNode(const QString& parentKey, const QString& key, const QString& text);
    // Adds one node per name below parentKey, key and text both the name, in one insertion:
    // thousands of nodes one at a time cost the view a notification each. On a failure the
    // nodes before the failing name are in the tree, as if added one by one, and the failure
    // (as addNode's) is thrown.
    void addLeaves(const QString& parentKey, const QStringList& names);
    // Removes every node and every key.
    void clearNodes();

    int nodeCount() const { return static_cast<int>(nodes_.size()); }
    // Nodes in the order they were added, counted from 1.
    QTreeWidgetItem* node(int index) const;
    QTreeWidgetItem* find(const QString& key) const { return byKey_.value(key); }
    static QString keyOf(const QTreeWidgetItem* item);

    // After the keyboard moves the current node (arrows, type-ahead...), currentSettled follows
    // once the keys have rested this long, so a run of presses yields one signal.
    static constexpr int SettleMs = 300;
    // Whether a keyboard move still waits for its signal; the wait ends either way.
    bool takePendingMove();

Q_SIGNALS:
    void currentSettled(QTreeWidgetItem* current);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QTimer settle_;
    QHash<QString, QTreeWidgetItem*> byKey_;
    std::vector<QTreeWidgetItem*> nodes_;
};
