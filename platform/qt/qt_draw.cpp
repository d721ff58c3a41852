#include "platform/qt/qt_draw.h"

#include <QGuiApplication>
#include <QStringList>
#include <cmath>

namespace plat::detail {

QFont qt_canvas_font() {
    QFont f = QGuiApplication::font();
    f.setPixelSize(13);
    return f;
}

QString qt_name_filter(const std::string& name, const std::string& patterns) {
    QString spaced = QString::fromStdString(patterns);
    spaced.replace(';', ' ');
    const QString n = QString::fromStdString(name);
    // Qt takes the patterns from the last parenthesis of the text; when the shown
    // text already names exactly our patterns, it can stand alone.
    if (n.endsWith(QStringLiteral("(") + spaced + QStringLiteral(")"))) return n;
    return n + QStringLiteral(" (") + spaced + QStringLiteral(")");
}

namespace {
QColor qcolor(Color c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

QPen qt_pen(const PenInfo& info) {
    if (info.style == PenStyle::Null) return QPen(Qt::NoPen);
    const int width = std::max(info.width, 1);
    QPen pen(qcolor(info.color));
    pen.setWidth(width);
    // Styled pens are styled only when thin, as on the original platform; its
    // patterns are 3 on, 3 off (dot) and 18 on, 6 off (dash).
    if (width == 1 && info.style == PenStyle::Dot) pen.setDashPattern({3, 3});
    if (width == 1 && info.style == PenStyle::Dash) pen.setDashPattern({18, 6});
    // Wide pens get square ends and mitred corners: round ones would differ by a
    // corner pixel at the widths the viewers use, and halve the raster speed of a
    // scene of thousands of outlined boxes.
    pen.setCapStyle(width == 1 ? Qt::FlatCap : Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

namespace {
std::uint32_t rgb_key(Color c) {
    return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}
}  // namespace

QtDc::QtDc(const QFont& font) : font_(font), metrics_(font) {}

QtDc::~QtDc() {
    end();
}

bool QtDc::begin(QImage* target) {
    end();
    target_ = target && !target->isNull() ? target : nullptr;
    return target_ != nullptr;
}

void QtDc::end() {
    if (painter_.isActive()) painter_.end();
}

bool QtDc::ready() {
    if (painter_.isActive()) return true;
    if (!target_ || !painter_.begin(target_)) return false;
    painter_.setFont(font_);
    pen_use_ = PenUse::None;
    brush_valid_ = false;
    bg_mode_ = painter_.backgroundMode();
    return true;
}

void QtDc::use_bg_mode(Qt::BGMode mode) {
    if (bg_mode_ == mode) return;
    painter_.setBackgroundMode(mode);
    bg_mode_ = mode;
}

void QtDc::use_pen(const DrawLook& look) {
    if (pen_use_ == PenUse::Lines && pen_ == look.pen && pen_bk_mode_ == look.bk_mode &&
        pen_bk_color_ == look.bk_color)
        return;
    const std::uint64_t key = (std::uint64_t(static_cast<unsigned>(look.pen.style)) << 56) |
                              (std::uint64_t(static_cast<std::uint32_t>(look.pen.width)) << 24) |
                              rgb_key(look.pen.color);
    auto it = pen_cache_.find(key);
    if (it == pen_cache_.end()) {
        if (pen_cache_.size() > 4096) pen_cache_.clear();
        it = pen_cache_.emplace(key, qt_pen(look.pen)).first;
    }
    painter_.setPen(it->second);
    // In opaque mode the gaps of a styled pen take the background colour.
    use_bg_mode(look.bk_mode == BkMode::Opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    if (pen_use_ == PenUse::None || pen_bk_color_ != look.bk_color)
        painter_.setBackground(qcolor(look.bk_color));
    pen_ = look.pen;
    pen_bk_mode_ = look.bk_mode;
    pen_bk_color_ = look.bk_color;
    pen_use_ = PenUse::Lines;
}

void QtDc::use_brush(const DrawLook& look) {
    if (brush_valid_ && brush_ == look.brush) return;
    if (look.brush.null)
        painter_.setBrush(Qt::NoBrush);
    else
        painter_.setBrush(solid_brush(look.brush.color));
    brush_ = look.brush;
    brush_valid_ = true;
}

void QtDc::line(const DrawLook& look, Point from, Point to) {
    if (look.pen.style == PenStyle::Null || !ready()) return;
    use_pen(look);
    painter_.drawLine(from.x, from.y, to.x, to.y);
}

// A convex polygon outlined with a solid pen wider than one pixel and filled with a
// brush is drawn as two fills: the polygon grown by half the pen's width in the
// pen's colour, then the polygon shrunk by it in the brush's. That covers the
// pixels the pen's mitred outline and the fill cover, without Qt's stroker, which
// is most of the time of a scene of thousands of outlined boxes. Anything else,
// and corners sharper than the miter limit, is left to the stroker.
bool QtDc::fill_outlined(const DrawLook& look, const Point* points, int count) {
    constexpr int kMaxPoints = 16;
    constexpr double kMiterLimit = 2.0;  // Qt's, in pen widths
    if (look.pen.style != PenStyle::Solid || look.pen.width < 2 || look.brush.null || count < 3 ||
        count > kMaxPoints)
        return false;
    // Edge i runs from point i to point i + 1.
    double ex[kMaxPoints], ey[kMaxPoints];
    double area2 = 0;
    for (int i = 0; i < count; ++i) {
        const Point& a = points[i];
        const Point& b = points[i + 1 < count ? i + 1 : 0];
        ex[i] = static_cast<double>(b.x) - a.x;
        ey[i] = static_cast<double>(b.y) - a.y;
        area2 += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    if (area2 == 0) return false;
    const double sense =
        area2 > 0 ? 1.0 : -1.0;  // outward normal of edge (dx, dy): sense·(dy, -dx)
    double nx[kMaxPoints], ny[kMaxPoints];
    for (int i = 0, prev = count - 1; i < count; prev = i++) {
        // Convex: every turn goes the same way.
        if ((ex[prev] * ey[i] - ey[prev] * ex[i]) * sense < 0) return false;
        const double len = std::sqrt(ex[i] * ex[i] + ey[i] * ey[i]);
        if (len == 0) return false;
        const double scale = sense / len;
        nx[i] = ey[i] * scale;
        ny[i] = -ex[i] * scale;
    }
    const double half = look.pen.width / 2.0;
    const double limit2 = kMiterLimit * kMiterLimit * look.pen.width * look.pen.width;
    QPointF outer[kMaxPoints], inner[kMaxPoints];
    for (int i = 0, prev = count - 1; i < count; prev = i++) {
        const double c = 1 + nx[prev] * nx[i] + ny[prev] * ny[i];
        if (c <= 0) return false;
        const double k = half / c;
        const double mx = (nx[prev] + nx[i]) * k, my = (ny[prev] + ny[i]) * k;
        if (mx * mx + my * my > limit2) return false;
        outer[i] = QPointF(points[i].x + mx, points[i].y + my);
        inner[i] = QPointF(points[i].x - mx, points[i].y - my);
    }
    if (pen_use_ != PenUse::Fill) {
        painter_.setPen(Qt::NoPen);
        pen_use_ = PenUse::Fill;
    }
    painter_.setBrush(solid_brush(look.pen.color));
    painter_.drawConvexPolygon(outer, count);
    // A polygon narrower than the pen is all outline: its shrunk copy turns over.
    for (int i = 0; i < count; ++i) {
        const QPointF d = inner[i + 1 < count ? i + 1 : 0] - inner[i];
        if (d.x() * ex[i] + d.y() * ey[i] <= 0) {
            brush_valid_ = false;
            return true;
        }
    }
    painter_.setBrush(solid_brush(look.brush.color));
    painter_.drawConvexPolygon(inner, count);
    brush_valid_ = false;
    return true;
}

const QBrush& QtDc::solid_brush(Color c) {
    auto it = brush_cache_.find(rgb_key(c));
    if (it == brush_cache_.end()) {
        if (brush_cache_.size() > 4096) brush_cache_.clear();
        it = brush_cache_.emplace(rgb_key(c), QBrush(qcolor(c))).first;
    }
    return it->second;
}

void QtDc::polygon(const DrawLook& look, const Point* points, int count) {
    if (!ready()) return;
    if (fill_outlined(look, points, count)) return;
    use_pen(look);
    use_brush(look);
    points_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        points_[static_cast<std::size_t>(i)] = QPoint(points[i].x, points[i].y);
    painter_.drawPolygon(points_.data(), count, Qt::OddEvenFill);
}

void QtDc::ellipse(const DrawLook& look, const Rect& b) {
    if (!ready()) return;
    use_pen(look);
    use_brush(look);
    painter_.drawEllipse(QRect(b.left, b.top, b.right - b.left - 1, b.bottom - b.top - 1));
}

void QtDc::text(const DrawLook& look, Point at, std::string_view text) {
    if (!ready()) return;
    const QString s = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    if (look.bk_mode == BkMode::Opaque)
        painter_.fillRect(QRect(at.x, at.y, metrics_.horizontalAdvance(s), metrics_.height()),
                          qcolor(look.bk_color));
    if (pen_use_ != PenUse::Text || text_pen_color_ != look.text_color) {
        painter_.setPen(qcolor(look.text_color));
        text_pen_color_ = look.text_color;
        pen_use_ = PenUse::Text;
    }
    use_bg_mode(Qt::TransparentMode);  // the box, if any, is filled above
    painter_.drawText(at.x, at.y + metrics_.ascent(), s);
}

void QtDc::fill(const Rect& r, const BrushInfo& brush) {
    if (brush.null || !ready()) return;
    painter_.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top),
                      qcolor(brush.color));
}

void QtDc::blit(Point at, Size size, const QImage& source, Point from) {
    if (!ready()) return;
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.drawImage(QPoint(at.x, at.y), source, QRect(from.x, from.y, size.width, size.height));
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace plat::detail
