#include "ui/logo.h"

#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ruz::ui {

namespace {
// The drawing is laid out on a 64 by 64 grid.
constexpr qreal kGrid = 64;
const QColor kTileTop(0x3a, 0x7b, 0xd5);
const QColor kTileBottom(0x1c, 0x3f, 0x73);

// The sizes the desktop is offered (window lists, the tray, the task switcher).
const QList<QSize> kIconSizes{{16, 16}, {22, 22}, {32, 32}, {48, 48}, {64, 64}, {128, 128}};

void drawNoteHead(QPainter& painter, QPointF centre) {
    painter.save();
    painter.translate(centre);
    painter.rotate(-20);
    painter.drawEllipse(QPointF(0, 0), 5, 3.8);
    painter.restore();
}
}  // namespace

QPixmap logoPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    painter.setPen(Qt::NoPen);

    QLinearGradient face(0, 0, 0, kGrid);
    face.setColorAt(0, kTileTop);
    face.setColorAt(1, kTileBottom);
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(8, 10, 48, 34), 6, 6);
    QPainterPath tail;
    tail.moveTo(17, 40);
    tail.lineTo(17, 54);
    tail.lineTo(32, 40);
    tail.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(bubble.united(tail));

    painter.setBrush(kTileBottom);
    drawNoteHead(painter, QPointF(25, 35));
    drawNoteHead(painter, QPointF(41, 32));
    painter.drawRect(QRectF(28.6, 18, 2.4, 17));
    painter.drawRect(QRectF(44.6, 15, 2.4, 17));
    painter.drawPolygon(
        QPolygonF({QPointF(28.6, 18), QPointF(47, 14.6), QPointF(47, 19.6), QPointF(28.6, 23)}));
    return pixmap;
}

namespace {
// The logo drawn at the size asked for, when it is asked for: an icon keeps no pictures of its
// own, however many windows carry it.
class LogoIconEngine final : public QIconEngine {
  public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->drawPixmap(rect, logoPixmap(std::min(rect.width(), rect.height())));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        return logoPixmap(std::min(size.width(), size.height()));
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return kIconSizes; }
    QIconEngine* clone() const override { return new LogoIconEngine; }  // owned by the caller
};
}  // namespace

QIcon logoIcon() {
    return QIcon(new LogoIconEngine);  // the icon owns its engine
}

QPixmap glyphPixmap(Glyph glyph, int size, const QColor& colour) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(static_cast<qreal>(size) / kGlyphGrid, static_cast<qreal>(size) / kGlyphGrid);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (const GlyphShape& shape : glyphShapes(glyph)) {
        if (shape.rectangle) {
            const GridPoint a = shape.points[0];
            const GridPoint b = shape.points[1];
            painter.drawRect(QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)));
            continue;
        }
        QPolygonF corners;
        for (int i = 0; i < shape.count; ++i) {
            const GridPoint p = shape.points[static_cast<std::size_t>(i)];
            corners << QPointF(p.x, p.y);
        }
        painter.drawPolygon(corners);
    }
    return pixmap;
}

}  // namespace ruz::ui
