#include "platform/vcl/imagelist.h"

#include "platform/vcl/controls.h"

#include <QPainter>
#include <algorithm>

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}

void TImageList::SetWidth(int width) {
    width = std::max(width, 1);
    if (width == width_) return;
    width_ = width;
    images_.clear();
    emit Changed();
}

void TImageList::SetHeight(int height) {
    height = std::max(height, 1);
    if (height == height_) return;
    height_ = height;
    images_.clear();
    emit Changed();
}

namespace {
QPixmap Fit(const QImage& image, int width, int height) {
    if (image.isNull()) {
        QPixmap empty(width, height);
        empty.fill(Qt::transparent);
        return empty;
    }
    if (image.width() == width && image.height() == height) return QPixmap::fromImage(image);
    return QPixmap::fromImage(
        image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
}  // namespace

int TImageList::Add(const QImage& image) {
    images_.push_back(Fit(image, width_, height_));
    emit Changed();
    return Count() - 1;
}

int TImageList::Add(const QPixmap& pixmap) { return Add(pixmap.toImage()); }

void TImageList::Replace(int index, const QImage& image) {
    if (index < 0 || index >= Count())
        throw EInvalidOperation(QStringLiteral("Invalid image index"));
    images_[static_cast<size_t>(index)] = Fit(image, width_, height_);
    emit Changed();
}

void TImageList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw EInvalidOperation(QStringLiteral("Invalid image index"));
    images_.erase(images_.begin() + index);
    emit Changed();
}

void TImageList::Clear() {
    if (images_.empty()) return;
    images_.clear();
    emit Changed();
}

QPixmap TImageList::Pixmap(int index) const {
    if (index < 0 || index >= Count()) return {};
    return images_[static_cast<size_t>(index)];
}

QImage TImageList::Image(int index) const { return Pixmap(index).toImage(); }

void TImageList::Draw(QPainter* painter, int x, int y, int index) const {
    if (!painter || index < 0 || index >= Count()) return;
    painter->drawPixmap(x, y, images_[static_cast<size_t>(index)]);
}
