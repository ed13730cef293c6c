// Drags the files named on its command line away at the first press of a mouse button on its
// window, through the X server's own drag protocol, and prints what the target did. It stays to
// hand the target the files' names, asked for once the drag has ended.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <cstdio>

class DragSource : public QWidget {
    void mousePressEvent(QMouseEvent*) override
    {
        auto* drag = new QDrag(this);
        drag->setMimeData(new QMimeData);
        for (const QString& file : QApplication::arguments().mid(1))
            urls_ << QUrl::fromLocalFile(file);
        drag->mimeData()->setUrls(urls_);
        std::puts(drag->exec(Qt::CopyAction) == Qt::CopyAction ? "copied" : "ignored");
        std::fflush(stdout);
    }
    QList<QUrl> urls_;
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    DragSource source;
    source.setWindowTitle("drag source");
    source.setGeometry(0, 0, 60, 60);
    source.show();
    return app.exec();
}
