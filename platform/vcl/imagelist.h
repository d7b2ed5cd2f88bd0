#pragma once
// TImageList: a numbered list of images of one size (Width x Height, 16 x 16 unless
// set). Toolbars, menus and actions refer to an image by its index; -1 means none.

#include "platform/vcl/component.h"

#include <QImage>
#include <QPixmap>
#include <vector>

class QPainter;

class TImageList : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)

public:
    explicit TImageList(TComponent* AOwner);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Changing the size empties the list (its images were made for the old size).
    void SetWidth(int width);
    void SetHeight(int height);

    // Appends an image, scaled to Width x Height when it has another size; returns
    // its index. A null image is stored as a transparent one.
    int Add(const QImage& image);
    int Add(const QPixmap& pixmap);
    // Replaces image `index`; raises EInvalidOperation "Invalid image index" outside
    // 0 .. Count-1.
    void Replace(int index, const QImage& image);
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(images_.size()); }

    // Image `index`, or a null pixmap for an index outside 0 .. Count-1 (-1 included).
    QPixmap Pixmap(int index) const;
    QImage Image(int index) const;
    // Draws image `index` with its top-left corner at (x, y); nothing for a bad index.
    void Draw(QPainter* painter, int x, int y, int index) const;

signals:
    // The images or the size changed; users of the list show the new images.
    void Changed();

private:
    int width_ = 16;
    int height_ = 16;
    std::vector<QPixmap> images_;
};
