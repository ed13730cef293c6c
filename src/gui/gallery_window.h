#pragma once

#include "core/catalogue/catalogue_names.h"
#include "core/preview/thumbnail_loader.h"

#include <QTimer>
#include <QWidget>

class GalleryModel;
class QComboBox;
class QLineEdit;
class QListView;
class SkinController;

// A category's skins as thumbnails, or the skins whose names hold what is typed in the find
// field, across all categories. Thumbnails come as they are seen, a few screens ahead; a click
// asks for the skin's preview, Enter or a double-click for its install. Fetching thumbnails is
// no task of the program: it greys nothing and reports nothing.
class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    explicit GalleryWindow(SkinController& controller, QWidget* parent = nullptr);
    ~GalleryWindow() override;

    // Shows the window on a category (by its place in the catalogue), or on the one chosen
    // last for -1.
    void showCategory(int category);
    void applyCaptions();
    // Whether every skin in view has its thumbnail, or is known to have none.
    bool viewComplete() const;

Q_SIGNALS:
    void skinChosen(SkinRef skin);
    void skinActivated(SkinRef skin);
    // Every thumbnail in view is painted.
    void viewCompleted();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void followCatalogue();
    void categoryPicked(int index);
    void findTyped();
    // Asks for the thumbnails in view first, then a few screens below and one above.
    void wantVisible();
    void checkComplete();
    void markInstalled();
    void placeBesideOwner();
    // The rows whose cells are in view, if only in part: the first and one past the last.
    QPair<int, int> visibleRows() const;

    SkinController& controller_;
    const CatalogueNames& names_;
    ThumbnailLoader loader_;
    GalleryModel* model_ = nullptr;
    QComboBox* categories_ = nullptr;
    QLineEdit* find_ = nullptr;
    QListView* view_ = nullptr;
    QTimer wantSoon_;
    QTimer findSoon_;
    bool completeSignalled_ = false;
    bool placed_ = false;
};
