// The toolbar pictures: anti-aliased line drawings on a 24-unit grid, one ink colour
// for outlines and one accent per meaning, so that the nine buttons read apart at a
// glance. The disabled set is computed from the normal one, so both always match.

#include "mainwindow/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

const QColor kInk(0x33, 0x3d, 0x4c);
const QColor kBlue(0x1f, 0x6f, 0xd6);
const QColor kRed(0xc8, 0x3a, 0x32);
const QColor kGold(0xe8, 0xa8, 0x1c);
const QColor kGreen(0x2e, 0x9a, 0x4c);
const QColor kPaper(0xfb, 0xfc, 0xfe);
const QColor kSky(0xd6, 0xe6, 0xfa);

QPen LinePen(const QColor& color, qreal width = 1.8) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A small photo: a frame with a mountain and a sun, standing for "the picture".
void DrawPhoto(QPainter& p, const QRectF& r) {
    p.setPen(LinePen(kInk, 1.5));
    p.setBrush(kPaper);
    p.drawRoundedRect(r, 1.5, 1.5);
    QPainterPath hill;
    hill.moveTo(r.left() + 1.5, r.bottom() - 1.5);
    hill.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.45);
    hill.lineTo(r.left() + r.width() * 0.65, r.top() + r.height() * 0.70);
    hill.lineTo(r.left() + r.width() * 0.78, r.top() + r.height() * 0.58);
    hill.lineTo(r.right() - 1.5, r.bottom() - 1.5);
    hill.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kSky);
    p.drawPath(hill);
    p.setBrush(kGold);
    p.drawEllipse(QPointF(r.right() - r.width() * 0.27, r.top() + r.height() * 0.3),
                  r.width() * 0.1, r.width() * 0.1);
}

// An arrow head at `tip`, pointing along `angleDeg` (0 = right, counter-clockwise
// positive, y axis downwards on screen).
void DrawArrowHead(QPainter& p, QPointF tip, qreal angleDeg, const QColor& color,
                   qreal size = 4.2) {
    const qreal a = qDegreesToRadians(angleDeg);
    const QPointF dir(qCos(a), -qSin(a));
    const QPointF normal(-dir.y(), dir.x());
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - dir * size + normal * size * 0.58);
    head.lineTo(tip - dir * size - normal * size * 0.58);
    head.closeSubpath();
    p.setPen(LinePen(color, 1.0));
    p.setBrush(color);
    p.drawPath(head);
}

// A circular arrow around `c` of radius `r`, from `startDeg` sweeping `spanDeg`
// (positive: counter-clockwise on screen), with its head at the end.
void DrawArcArrow(QPainter& p, QPointF c, qreal r, qreal startDeg, qreal spanDeg,
                  const QColor& color) {
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    // The line stops where the head's base begins, so that the head stays sharp.
    const qreal headSize = 5.2;
    const qreal shorten = (spanDeg > 0 ? -1 : 1) * qRadiansToDegrees(headSize * 0.8 / r);
    p.setPen(LinePen(color, 2.0));
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.arcMoveTo(box, startDeg);
    arc.arcTo(box, startDeg, spanDeg + shorten);
    p.drawPath(arc);
    const qreal endDeg = startDeg + spanDeg;
    const qreal e = qDegreesToRadians(endDeg);
    const QPointF tip(c.x() + r * qCos(e), c.y() - r * qSin(e));
    // Aim the head along the chord from the line's end to the tip, which follows the
    // curve better than the tangent at the tip.
    const qreal b = qDegreesToRadians(endDeg + shorten);
    const QPointF base(c.x() + r * qCos(b), c.y() - r * qSin(b));
    const QPointF chord = tip - base;
    const qreal aim = qRadiansToDegrees(qAtan2(-chord.y(), chord.x()));
    DrawArrowHead(p, tip, aim, color, headSize);
}

void DrawRotate(QPainter& p, bool clockwise) {
    DrawPhoto(p, QRectF(7, 12, 10, 8.5));
    // An arc over the photo, its head coming down on the side the photo turns to.
    if (clockwise)
        DrawArcArrow(p, QPointF(12, 12), 8, 200, -220, kBlue);
    else
        DrawArcArrow(p, QPointF(12, 12), 8, -20, 220, kBlue);
}

// The photo upside down: what a half turn gives.
void DrawPhotoUpsideDown(QPainter& p, const QRectF& r) {
    p.save();
    p.translate(r.center());
    p.rotate(180);
    p.translate(-r.center());
    DrawPhoto(p, r);
    p.restore();
}

void DrawRotate180(QPainter& p) {
    DrawPhotoUpsideDown(p, QRectF(3, 12.5, 9.5, 8.5));
    // A U-turn over the top: up the right side, over, and down to the left.
    p.setPen(LinePen(kBlue, 2.0));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(19.5, 20.5);
    path.lineTo(19.5, 9.5);
    path.arcTo(QRectF(8.5, 3.5, 11, 12), 0, 180);
    p.drawPath(path);
    DrawArrowHead(p, QPointF(8.5, 12), -90, kBlue);
}

void DrawView(QPainter& p) {
    QPainterPath eye;
    eye.moveTo(2, 12);
    eye.cubicTo(6, 5, 18, 5, 22, 12);
    eye.cubicTo(18, 19, 6, 19, 2, 12);
    p.setPen(LinePen(kInk, 1.8));
    p.setBrush(kPaper);
    p.drawPath(eye);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(12, 12), 4.2, 4.2);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(12, 12), 1.9, 1.9);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(13.6, 10.4), 1.0, 1.0);
}

void DrawDelete(QPainter& p) {
    p.setPen(LinePen(kInk, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4, 6.5), QPointF(20, 6.5));       // lid
    p.drawLine(QPointF(9.5, 6.5), QPointF(10, 3.5));     // handle
    p.drawLine(QPointF(10, 3.5), QPointF(14, 3.5));
    p.drawLine(QPointF(14, 3.5), QPointF(14.5, 6.5));
    QPainterPath can;
    can.moveTo(6, 6.5);
    can.lineTo(7.2, 20.5);
    can.lineTo(16.8, 20.5);
    can.lineTo(18, 6.5);
    p.setBrush(QColor(0xfb, 0xe9, 0xe7));
    p.drawPath(can);
    p.setPen(LinePen(kRed, 1.3));
    for (qreal x : {9.6, 14.4}) p.drawLine(QPointF(x, 9.5), QPointF(x, 17.5));
}

void DrawOptions(QPainter& p) {
    // A gear: eight teeth around a ring with a hole.
    const QPointF c(12, 12);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal a0 = (i * 180.0 / teeth) - 90.0 / teeth * 0.55;
        const qreal a1 = a0 + 180.0 / teeth;
        const qreal r = (i % 2 == 0) ? 9.6 : 7.2;
        for (qreal a : {a0, a1}) {
            const qreal rad = qDegreesToRadians(a);
            const QPointF pt(c.x() + r * qCos(rad), c.y() + r * qSin(rad));
            if (gear.elementCount() == 0)
                gear.moveTo(pt);
            else
                gear.lineTo(pt);
        }
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 3.0, 3.0);
    p.setPen(LinePen(kInk, 1.5));
    p.setBrush(QColor(0xc9, 0xd3, 0xe0));
    p.drawPath(gear.subtracted(hole));
}

void DrawExif(QPainter& p) {
    // A document with a folded corner and an "i" badge: information about the photo.
    QPainterPath doc;
    doc.moveTo(5, 2.5);
    doc.lineTo(14, 2.5);
    doc.lineTo(18.5, 7);
    doc.lineTo(18.5, 21.5);
    doc.lineTo(5, 21.5);
    doc.closeSubpath();
    p.setPen(LinePen(kInk, 1.5));
    p.setBrush(kPaper);
    p.drawPath(doc);
    p.drawLine(QPointF(14, 2.5), QPointF(14, 7));
    p.drawLine(QPointF(14, 7), QPointF(18.5, 7));
    p.setPen(LinePen(kInk, 1.3));
    for (qreal y : {8.0, 11.0, 14.0}) p.drawLine(QPointF(7.5, y), QPointF(11.5, y));
    p.setPen(LinePen(Qt::white, 1.2));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(16.5, 17), 5.2, 5.2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16.5, 14.4), 1.0, 1.0);
    p.drawRoundedRect(QRectF(15.6, 16.0, 1.8, 4.4), 0.6, 0.6);
}

void DrawFavorites(QPainter& p) {
    QPainterPath star;
    const QPointF c(12, 12.6);
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? 10.0 : 4.3;
        const qreal a = qDegreesToRadians(-90.0 + i * 36.0);
        const QPointF pt(c.x() + r * qCos(a), c.y() + r * qSin(a));
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    p.setPen(LinePen(QColor(0xa8, 0x6e, 0x0a), 1.4));
    p.setBrush(kGold);
    p.drawPath(star);
}

void DrawAutomatic(QPainter& p) {
    // A magic wand with sparkles: every photo put upright at once.
    p.setPen(LinePen(kInk, 3.0));
    p.drawLine(QPointF(4, 20), QPointF(14, 10));
    p.setPen(LinePen(kGold, 3.0));
    p.drawLine(QPointF(14, 10), QPointF(16.5, 7.5));
    auto sparkle = [&p](QPointF c, qreal r, const QColor& color) {
        QPainterPath s;
        s.moveTo(c.x(), c.y() - r);
        s.quadTo(c, QPointF(c.x() + r, c.y()));
        s.quadTo(c, QPointF(c.x(), c.y() + r));
        s.quadTo(c, QPointF(c.x() - r, c.y()));
        s.quadTo(c, QPointF(c.x(), c.y() - r));
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPath(s);
    };
    sparkle(QPointF(18.5, 5), 4.0, kGold);
    sparkle(QPointF(20, 13), 2.6, kGreen);
    sparkle(QPointF(11, 4), 2.6, kBlue);
}

void DrawToolbarImage(QPainter& p, int index) {
    switch (index) {
    case tiRotateLeft: DrawRotate(p, false); break;
    case tiView: DrawView(p); break;
    case tiRotateRight: DrawRotate(p, true); break;
    case tiRotate180: DrawRotate180(p); break;
    case tiDelete: DrawDelete(p); break;
    case tiOptions: DrawOptions(p); break;
    case tiExif: DrawExif(p); break;
    case tiFavorites: DrawFavorites(p); break;
    case tiAutomatic: DrawAutomatic(p); break;
    default: break;
    }
}

QImage NewCanvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void DrawFolder(QPainter& p) {
    // 16-unit grid: a folder with a round "back" arrow on it.
    QPainterPath folder;
    folder.moveTo(1.5, 3.5);
    folder.lineTo(6, 3.5);
    folder.lineTo(7.5, 5);
    folder.lineTo(14.5, 5);
    folder.lineTo(14.5, 13.5);
    folder.lineTo(1.5, 13.5);
    folder.closeSubpath();
    p.setPen(LinePen(QColor(0x9a, 0x6b, 0x12), 1.1));
    p.setBrush(QColor(0xf4, 0xc8, 0x5a));
    p.drawPath(folder);
    // A "back" arrow over the front of the folder.
    p.setPen(LinePen(kBlue, 1.5));
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    const QRectF box(5.5, 7.5, 6, 6);
    arc.arcMoveTo(box, -30);
    arc.arcTo(box, -30, 185);
    p.drawPath(arc);
    DrawArrowHead(p, QPointF(5.6, 12.2), -95, kBlue, 2.8);
}

}  // namespace

QImage GreyedImage(const QImage& image) {
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb px = line[x];
            const int alpha = qAlpha(px);
            if (alpha == 0) continue;
            // Lift the luminance towards a light grey, so the shape stays readable but
            // clearly inactive on the button face.
            const int lum = qGray(px);
            const int g = 120 + lum * 100 / 255;
            line[x] = qRgba(g, g, g, qMax(1, alpha * 3 / 5));
        }
    }
    return grey;
}

QImage ToolbarImage(int index, bool disabled) {
    QImage image = NewCanvas(kToolbarImageSize, kToolbarImageSize);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        DrawToolbarImage(p, index);
    }
    return disabled ? GreyedImage(image) : image.convertToFormat(QImage::Format_ARGB32);
}

QImage RecentFolderGlyph() {
    QImage single = NewCanvas(kRecentGlyphSize, kRecentGlyphSize);
    {
        QPainter p(&single);
        p.setRenderHint(QPainter::Antialiasing);
        DrawFolder(p);
    }
    QImage glyph = NewCanvas(kRecentGlyphSize * 2, kRecentGlyphSize);
    {
        QPainter p(&glyph);
        p.drawImage(0, 0, single);
        p.drawImage(kRecentGlyphSize, 0, GreyedImage(single));
    }
    return glyph.convertToFormat(QImage::Format_ARGB32);
}
