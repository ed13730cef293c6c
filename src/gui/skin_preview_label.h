#pragma once

#include <QImage>
#include <QLabel>

class QBuffer;
class QMovie;
struct Picture;

// The preview: shows a decoded still or animated picture, scaled down (never up) to fit, or
// the placeholder.
class SkinPreviewLabel : public QLabel {
    Q_OBJECT
public:
    explicit SkinPreviewLabel(QWidget* parent = nullptr);

    // A null picture shows the placeholder.
    void showPicture(const Picture& picture);

private:
    void showImage(const QImage& image);
    void dropMovie();
    QSize fitted(QSize size) const;

    QMovie* movie_ = nullptr;
    QBuffer* movieData_ = nullptr;
};
