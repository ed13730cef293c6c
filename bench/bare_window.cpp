// The limit for start-up and memory: a plain Qt window process holding a tree of the same
// nodes. Prints "shown" at the tree's first paint; with --stay it then waits to be ended.
// With --gallery count side: a list of count icons of side x side pixels instead.
#include "bench_support.h"

#include <QApplication>
#include <QEvent>
#include <QListWidget>
#include <QMainWindow>
#include <QPainter>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

namespace {
class FirstPaint : public QObject {
public:
    FirstPaint(QObject* viewport, bool stay) : viewport_(viewport), stay_(stay) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == viewport_ && event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            if (!stay_)
                std::_Exit(0);
        }
        return false;
    }

private:
    QObject* viewport_;
    bool stay_;
    bool seen_ = false;
};
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fputs("usage: drapello-bare-window categories skins-per-category [--stay]\n", stderr);
        return 2;
    }
    if (args[1] == QLatin1String("--gallery") && args.size() >= 4) {
        const int side = args[3].toInt();
        QListWidget list;
        list.setViewMode(QListView::IconMode);
        list.setUniformItemSizes(true);
        list.setIconSize(QSize(side, side));
        for (int i = 0; i < args[2].toInt(); ++i) {
            QPixmap icon(side, side);
            icon.fill(QColor::fromHsv(i % 360, 200, 200));
            QPainter(&icon).drawText(icon.rect(), Qt::AlignCenter, QString::number(i));
            list.addItem(new QListWidgetItem(QIcon(icon), QString::number(i)));
        }
        list.resize(500, 500);
        FirstPaint watcher(list.viewport(), args.contains(QStringLiteral("--stay")));
        list.viewport()->installEventFilter(&watcher);
        list.show();
        return app.exec();
    }
    const bench::Catalogue catalogue =
        bench::makeCatalogue(args[1].toInt(), args[2].toInt(), QString());
    QMainWindow window;
    auto* tree = new QTreeWidget(&window);
    tree->setHeaderHidden(true);
    window.setCentralWidget(tree);
    window.resize(428, 373);
    FirstPaint watcher(tree->viewport(), args.contains(QStringLiteral("--stay")));
    tree->viewport()->installEventFilter(&watcher);
    bench::fillBareTree(tree, catalogue);
    window.show();
    return app.exec();
}
