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
    // The line under the placeholder's name, in the language in use.
    void setPlaceholderCaption(const QString& caption);
    // The picture shown (first frame of an animation).
    const QImage& currentImage() const { return image_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showPlaceholder();
    void drawPlaceholder();
    void showImage(const QImage& image);
    void dropMovie();
    QSize fitted(QSize size) const;

    QImage image_;
    QString placeholderCaption_;
    bool placeholderShown_ = false;
    bool placeholderPending_ = false; // shown but not yet drawn: the label was never visible
    QMovie* movie_ = nullptr;
    QBuffer* movieData_ = nullptr;
};
