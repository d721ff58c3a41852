#include "bench/qt_direct.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>

namespace bench_qt {

QFont canvas_font() {
    QFont f = QGuiApplication::font();
    f.setPixelSize(13);
    return f;
}

QPen pen(const plat::PenInfo& info) {
    if (info.style == plat::PenStyle::Null) return QPen(Qt::NoPen);
    const int width = std::max(info.width, 1);
    QPen p(QColor(info.color.r, info.color.g, info.color.b));
    p.setWidth(width);
    if (width == 1 && info.style == plat::PenStyle::Dot) p.setDashPattern({3, 3});
    if (width == 1 && info.style == plat::PenStyle::Dash) p.setDashPattern({18, 6});
    p.setCapStyle(width == 1 ? Qt::FlatCap : Qt::SquareCap);
    p.setJoinStyle(Qt::MiterJoin);
    return p;
}

void paint_direct(int width, int height, const std::vector<BenchLine>& lines,
                  const std::vector<BenchText>& texts) {
    static QImage backing;
    if (backing.width() != width || backing.height() != height) {
        backing = QImage(width, height, QImage::Format_RGB32);
        backing.fill(Qt::black);
    }
    QImage off(width, height, QImage::Format_RGB32);
    off.fill(Qt::black);
    {
        QPainter p(&off);
        p.setFont(canvas_font());
        p.fillRect(QRect(0, 0, width, height), Qt::black);
        QPen grid(QColor(0, 0, 255));
        grid.setWidth(1);
        grid.setDashPattern({3, 3});
        grid.setCapStyle(Qt::FlatCap);
        QPen axis(QColor(128, 128, 128));
        axis.setWidth(2);
        axis.setCapStyle(Qt::RoundCap);
        axis.setJoinStyle(Qt::RoundJoin);
        int current = -1;
        for (const BenchLine& l : lines) {
            if (current != static_cast<int>(l.grid)) {
                p.setPen(l.grid ? grid : axis);
                current = static_cast<int>(l.grid);
            }
            p.drawLine(l.x1, l.y1, l.x2, l.y2);
        }
        p.setPen(QColor(128, 128, 128));
        const int ascent = QFontMetrics(p.font()).ascent();
        for (const BenchText& t : texts)
            p.drawText(t.x, t.y + ascent,
                       QString::fromUtf8(t.text.data(), static_cast<int>(t.text.size())));
    }
    QPainter window(&backing);
    window.setCompositionMode(QPainter::CompositionMode_Source);
    window.drawImage(0, 0, off);
}

}  // namespace bench_qt
