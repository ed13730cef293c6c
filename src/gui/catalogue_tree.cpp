#include "gui/catalogue_tree.h"

#include <QHeaderView>

namespace {
// A skin's node: its name is its only data. A plain item keeps its text in two lists of its
// own (the display values and the per-role values), two allocations per skin that a catalogue
// of 32,767 skins pays in megabytes; this one keeps the name and answers for it.
class SkinNode : public QTreeWidgetItem {
public:
    explicit SkinNode(const QString& name) : name_(name) {}
    QVariant data(int column, int role) const override
    {
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
            return name_;
        return QTreeWidgetItem::data(column, role);
    }

private:
    QString name_;
};
} // namespace

CatalogueTree::CatalogueTree(QWidget* parent) : QTreeWidget(parent)
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

void CatalogueTree::keyPressEvent(QKeyEvent* event)
{
    const QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    if (currentItem() != before)
        settle_.start();
}

void CatalogueTree::mousePressEvent(QMouseEvent* event)
{
    settle_.stop(); // a click previews by itself
    QTreeWidget::mousePressEvent(event);
}

bool CatalogueTree::takePendingMove()
{
    const bool pending = settle_.isActive();
    settle_.stop();
    return pending;
}

std::optional<CatalogueNode> CatalogueTree::nodeOf(const QTreeWidgetItem* item)
{
    if (!item)
        return std::nullopt;
    CatalogueNode node;
    node.text = item->text(0);
    if (!item->parent()) {
        node.kind = CatalogueNode::Kind::Root;
    } else if (!item->parent()->parent()) {
        node.kind = CatalogueNode::Kind::Category;
    } else {
        node.kind = CatalogueNode::Kind::Skin;
        node.categoryText = item->parent()->text(0);
    }
    return node;
}

std::optional<CatalogueNode> CatalogueTree::currentNode() const
{
    return nodeOf(currentItem());
}

int CatalogueTree::categoryIndexOf(const QTreeWidgetItem* item) const
{
    return item && root_ && item->parent() == root_
               ? root_->indexOfChild(const_cast<QTreeWidgetItem*>(item))
               : -1;
}

QTreeWidgetItem* CatalogueTree::selectSkin(int category, int skin)
{
    QTreeWidgetItem* categoryNode = root_ ? root_->child(category) : nullptr;
    QTreeWidgetItem* node = categoryNode ? categoryNode->child(skin) : nullptr;
    if (!node)
        return nullptr;
    settle_.stop();
    setCurrentItem(node);
    scrollToItem(node);
    return node;
}

void CatalogueTree::clearToRoot(const QString& rootKey, const QString& rootText)
{
    settle_.stop();
    categories_.clear();
    QTreeWidget::clear();
    root_ = new QTreeWidgetItem(QStringList(rootText));
    addTopLevelItem(root_);
    categories_.insert(rootKey, root_);
    root_->setExpanded(true);
}

void CatalogueTree::addCategory(const QString& key, const QString& text)
{
    // New categories are collapsed: laying out thousands of visible rows at every repaint
    // during the downloads would cost far more than the fill.
    auto* item = new QTreeWidgetItem(QStringList(text));
    root_->addChild(item);
    categories_.insert(key, item);
}

void CatalogueTree::addSkins(const QString& categoryKey, const QStringList& names)
{
    QList<QTreeWidgetItem*> items;
    items.reserve(names.size());
    for (const QString& name : names)
        items.append(new SkinNode(name));
    categories_.value(categoryKey)->addChildren(items);
}

template <class Change> void CatalogueTree::forEachNode(int fromTopLevel, Change&& change)
{
    // In the order the nodes were added: the root, then each category and its skins.
    if (!root_)
        return;
    if (fromTopLevel == 0)
        change(root_);
    for (int c = 0; c < root_->childCount(); ++c) {
        QTreeWidgetItem* category = root_->child(c);
        change(category);
        for (int s = 0; s < category->childCount(); ++s)
            change(category->child(s));
    }
}

void CatalogueTree::expandEveryNode()
{
    forEachNode(0, [](QTreeWidgetItem* item) { item->setExpanded(true); });
}

void CatalogueTree::collapseBelowRoot()
{
    forEachNode(1, [](QTreeWidgetItem* item) { item->setExpanded(false); });
}
