#include "gui/gallery_window.h"

#include "core/skin_controller.h"
#include "gui/gallery_model.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {
// Screens of thumbnails asked for beyond the one in view.
constexpr int ScreensAhead = 3;
constexpr int ScreensBehind = 1;
// A cell: the thumbnail and three lines (the name, a found skin's category, the mark).
constexpr int CellWidth = 116;
constexpr int CellHeight = ThumbnailLoader::Side + 54;
// Typing pauses this long before the search runs again.
constexpr int FindPauseMs = 60;

// Every cell the same size, room for three lines below the picture: with uniform sizes the view
// would otherwise size every cell as its first, and cut the lines the others have.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(CellWidth - 6, CellHeight - 6);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop; // lines close under the picture
    }
};
} // namespace

GalleryWindow::GalleryWindow(SkinController& controller, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(controller), names_(controller.catalogueNames()),
      loader_(controller.fetcher(), controller.cache().thumbnailFolder())
{
    setObjectName(QStringLiteral("galleryWindow"));
    buildControls();
    followCatalogue();
    wantSoon_.setSingleShot(true);
    wantSoon_.setInterval(10);
    connect(&wantSoon_, &QTimer::timeout, this, &GalleryWindow::wantVisible);
    findSoon_.setSingleShot(true);
    findSoon_.setInterval(FindPauseMs);
    connect(&findSoon_, &QTimer::timeout, this, &GalleryWindow::findTyped);
    connect(&loader_, &ThumbnailLoader::ready, this, [this](const QString& key, const QImage& t) {
        model_->setThumbnail(key, t);
        checkComplete();
    });
    connect(&loader_, &ThumbnailLoader::failed, this, [this](const QString& key) {
        model_->setFailed(key);
        checkComplete();
    });
    // A loading pass is a run of downloads of its own, which a given-up thumbnail must not end.
    loader_.setHeld(controller_.task() == SkinController::Task::Loading);
    connect(&controller_, &SkinController::taskChanged, this, [this](SkinController::Task task) {
        loader_.setHeld(task == SkinController::Task::Loading);
        if (task == SkinController::Task::None)
            markInstalled(); // an install may have ended
    });
    resize(4 * CellWidth + 36, 3 * CellHeight + 60);
    // Its captions are in force from the start, whatever the language.
    applyCaptions();
}

GalleryWindow::~GalleryWindow() = default;

void GalleryWindow::buildControls()
{
    categories_ = new QComboBox(this);
    categories_->setObjectName(QStringLiteral("galleryCategories"));
    categories_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    categories_->setMinimumContentsLength(16);
    find_ = new QLineEdit(this);
    find_->setObjectName(QStringLiteral("galleryFind"));
    find_->setClearButtonEnabled(true);

    model_ = new GalleryModel(names_, this);
    view_ = new QListView(this);
    view_->setObjectName(QStringLiteral("galleryView"));
    view_->setViewMode(QListView::IconMode);
    view_->setMovement(QListView::Static);
    view_->setResizeMode(QListView::Adjust);
    view_->setUniformItemSizes(true);
    view_->setGridSize(QSize(CellWidth, CellHeight));
    view_->setIconSize(QSize(ThumbnailLoader::Side, ThumbnailLoader::Side));
    view_->setWordWrap(true);
    view_->setTextElideMode(Qt::ElideRight);
    view_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view_->verticalScrollBar()->setSingleStep(CellHeight / 4);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setItemDelegate(new CellDelegate(view_));
    view_->setModel(model_);

    auto* top = new QHBoxLayout;
    top->addWidget(categories_);
    top->addWidget(find_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(view_, 1);

    auto* focusFind = new QShortcut(QKeySequence::Find, this);
    connect(focusFind, &QShortcut::activated, this, [this] {
        find_->setFocus(Qt::ShortcutFocusReason);
        find_->selectAll();
    });
    connect(categories_, &QComboBox::activated, this, &GalleryWindow::categoryPicked);
    connect(find_, &QLineEdit::textEdited, this, [this] { findSoon_.start(); });
    connect(find_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty()) // the clear button
            findSoon_.start();
    });
    connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, &wantSoon_,
            qOverload<>(&QTimer::start));
    connect(model_, &QAbstractItemModel::modelReset, &wantSoon_, qOverload<>(&QTimer::start));
    connect(view_, &QListView::clicked, this,
            [this](const QModelIndex& index) { Q_EMIT skinChosen(model_->skinAt(index.row())); });
    connect(view_, &QListView::activated, this, [this](const QModelIndex& index) {
        Q_EMIT skinActivated(model_->skinAt(index.row()));
    });
}

void GalleryWindow::followCatalogue()
{
    connect(&names_, &CatalogueNames::cleared, this, [this] {
        // Nothing of the old catalogue may stay in view or be fetched for it.
        loader_.stop();
        model_->clear();
        categories_->clear();
    });
    connect(&names_, &CatalogueNames::categoryAdded, this, [this](int category) {
        categories_->addItem(names_.categories().at(category).text.trimmed());
    });
    connect(&names_, &CatalogueNames::skinsAdded, this, [this](int category) {
        if (!find_->text().isEmpty())
            findSoon_.start();
        else if (category == categories_->currentIndex())
            model_->showCategory(category);
    });
    for (const CatalogueNames::Category& category : names_.categories())
        categories_->addItem(category.text.trimmed());
}

void GalleryWindow::showCategory(int category)
{
    if (category >= 0 && category < categories_->count()) {
        categories_->setCurrentIndex(category);
        find_->clear();
    }
    if (find_->text().isEmpty())
        categoryPicked(categories_->currentIndex());
    markInstalled();
    if (!std::exchange(placed_, true))
        placeBesideOwner();
    show();
    raise();
    activateWindow();
    view_->setFocus();
    wantSoon_.start(); // what was given up when the window closed is asked for again
}

// Beside the main window where the screen has room, so that the preview a click asks for is
// seen; else at the screen's left edge, over the tree rather than the preview.
void GalleryWindow::placeBesideOwner()
{
    const QWidget* owner = parentWidget();
    const QScreen* screen = owner ? owner->screen() : nullptr;
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QRect main = owner->frameGeometry();
    const QSize size = frameGeometry().size();
    int x = room.left();
    if (main.right() + size.width() <= room.right())
        x = main.right() + 1;
    else if (main.left() - size.width() >= room.left())
        x = main.left() - size.width();
    const int y = qBound(room.top(), main.top(), qMax(room.top(), room.bottom() - size.height()));
    move(x, y);
}

void GalleryWindow::categoryPicked(int index)
{
    if (!find_->text().isEmpty())
        find_->clear();
    if (model_->shownCategory() != index || model_->rowCount() == 0)
        model_->showCategory(index);
    view_->scrollToTop();
}

void GalleryWindow::findTyped()
{
    const QString part = find_->text().trimmed();
    if (part.isEmpty())
        model_->showCategory(categories_->currentIndex());
    else
        model_->showFound(names_.find(part));
}

QPair<int, int> GalleryWindow::visibleRows() const
{
    const int rows = model_->rowCount();
    const QSize grid = view_->gridSize();
    const int columns = qMax(1, view_->viewport()->width() / grid.width());
    const int top = view_->verticalScrollBar()->value();
    const int firstLine = top / grid.height();
    const int lastLine = (top + qMax(1, view_->viewport()->height()) - 1) / grid.height();
    return {qMin(rows, firstLine * columns), qMin(rows, (lastLine + 1) * columns)};
}

void GalleryWindow::wantVisible()
{
    if (!isVisible())
        return;
    const int rows = model_->rowCount();
    const auto [first, end] = visibleRows();
    const int screen = qMax(1, end - first);
    QList<SkinPicture> wanted;
    auto add = [&](int from, int to) {
        for (int row = qMax(0, from); row < qMin(rows, to); ++row) {
            if (model_->waiting(row))
                wanted.append(model_->pictureAt(row));
        }
    };
    add(first, end);
    add(end, end + ScreensAhead * screen);
    add(first - ScreensBehind * screen, first);
    // A refresh may have brought the catalogue from another server.
    loader_.setServer(controller_.baseUrl());
    loader_.want(wanted);
    checkComplete();
}

void GalleryWindow::checkComplete()
{
    const bool complete = viewComplete();
    if (complete && !std::exchange(completeSignalled_, true))
        Q_EMIT viewCompleted();
    else if (!complete)
        completeSignalled_ = false;
}

bool GalleryWindow::viewComplete() const
{
    const auto [first, end] = visibleRows();
    for (int row = first; row < end; ++row) {
        if (model_->waiting(row))
            return false;
    }
    return true;
}

void GalleryWindow::markInstalled()
{
    const std::optional<CatalogueSkin> installed = controller_.settings().installedSkin();
    const QString caption = controller_.language().text(UiText::GalleryInstalled);
    if (installed)
        model_->setInstalled(installed->category.trimmed(), installed->name, caption);
    else
        model_->setInstalled({}, {}, caption);
}

void GalleryWindow::applyCaptions()
{
    const LanguageManager& language = controller_.language();
    setWindowTitle(language.text(UiText::GalleryItem).remove(QLatin1Char('&')));
    find_->setPlaceholderText(language.text(UiText::GalleryFind));
    markInstalled();
}

void GalleryWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    wantSoon_.start();
}

void GalleryWindow::closeEvent(QCloseEvent* event)
{
    // Nothing is fetched for a window no one sees.
    loader_.stop();
    wantSoon_.stop();
    QWidget::closeEvent(event);
}
