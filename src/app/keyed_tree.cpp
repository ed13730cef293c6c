#include "app/keyed_tree.h"

#include "app/app_error.h"

#include <QHeaderView>

namespace {
constexpr int KeyRole = Qt::UserRole + 1;

// A skin's key is its text; storing it again would cost every one of thousands of items an
// extra list of item data. Only a key that differs from the text is stored.
QTreeWidgetItem* newItem(const QString& key, const QString& text)
{
    auto* item = new QTreeWidgetItem(QStringList(text));
    if (key != text)
        item->setData(0, KeyRole, key);
    return item;
}
} // namespace

KeyedTree::KeyedTree(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(true);
    setUniformRowHeights(true); // large catalogues lay out far faster
    settle_.setSingleShot(true);
    settle_.setInterval(SettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        if (currentItem())
            Q_EMIT currentSettled(currentItem());
    });
}

void KeyedTree::keyPressEvent(QKeyEvent* event)
{
    const QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    if (currentItem() != before)
        settle_.start();
}

void KeyedTree::mousePressEvent(QMouseEvent* event)
{
    settle_.stop(); // a click previews by itself
    QTreeWidget::mousePressEvent(event);
}

bool KeyedTree::takePendingMove()
{
    const bool pending = settle_.isActive();
    settle_.stop();
    return pending;
}

QTreeWidgetItem* KeyedTree::addNode(const QString& parentKey, const QString& key,
                                    const QString& text)
{
    QTreeWidgetItem* parentItem = nullptr;
    if (!parentKey.isEmpty()) {
        parentItem = byKey_.value(parentKey);
        if (!parentItem)
            throw AppError::elementNotFound();
    }
    if (!key.isEmpty() && byKey_.contains(key))
        throw AppError::keyNotUnique();

    QTreeWidgetItem* item = newItem(key, text);
    if (parentItem)
        parentItem->addChild(item);
    else
        addTopLevelItem(item);
    if (!key.isEmpty())
        byKey_.insert(key, item);
    nodes_.push_back(item);
    return item;
}

void KeyedTree::addLeaves(const QString& parentKey, const QStringList& names)
{
    QTreeWidgetItem* parentItem = nullptr;
    if (!parentKey.isEmpty()) {
        parentItem = byKey_.value(parentKey);
        if (!parentItem)
            throw AppError::elementNotFound();
    }
    QList<QTreeWidgetItem*> items;
    items.reserve(names.size());
    bool duplicate = false;
    for (const QString& name : names) {
        if (!name.isEmpty() && byKey_.contains(name)) {
            duplicate = true;
            break;
        }
        QTreeWidgetItem* item = newItem(name, name);
        if (!name.isEmpty())
            byKey_.insert(name, item);
        nodes_.push_back(item);
        items.append(item);
    }
    if (parentItem)
        parentItem->addChildren(items);
    else
        addTopLevelItems(items);
    if (duplicate)
        throw AppError::keyNotUnique();
}

void KeyedTree::clearNodes()
{
    settle_.stop();
    byKey_.clear();
    nodes_.clear();
    QTreeWidget::clear();
}

QTreeWidgetItem* KeyedTree::node(int index) const
{
    if (index < 1 || index > nodeCount())
        throw AppError(35600, QStringLiteral("Index out of bounds"));
    return nodes_[static_cast<size_t>(index - 1)];
}

QString KeyedTree::keyOf(const QTreeWidgetItem* item)
{
    if (!item)
        return {};
    const QVariant key = item->data(0, KeyRole);
    return key.isValid() ? key.toString() : item->text(0);
}
