#include "platform/qt_bench.h"

#include <QImage>
#include <QPainter>
#include <QString>

#include "platform/qt/qt_draw.h"

namespace plat::qt {

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
        p.setFont(detail::qt_canvas_font());
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

}  // namespace plat::qt
