// Drawing with QPainter in the terms of our device contexts (Qt back end only).
#pragma once

#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/detail.h"

namespace plat::detail {

// The font text_out draws with.
QFont qt_canvas_font();
// The QPen that draws like a pen of our device contexts.
QPen qt_pen(const PenInfo& info);
// A QFileDialog name filter showing `name` and matching `patterns` (';'-separated).
QString qt_name_filter(const std::string& name, const std::string& patterns);

// One QPainter on one image, with the pen, brush and background last applied
// remembered so that repeated calls with the same selection cost no state change.
class QtDc {
  public:
    explicit QtDc(const QFont& font);
    ~QtDc();
    QtDc(const QtDc&) = delete;
    QtDc& operator=(const QtDc&) = delete;

    // Aims at a new image (ending work on the previous one); the painter starts on
    // it with the first drawing call, so a DC whose bitmap is swapped before it
    // draws never paints on the first one.
    bool begin(QImage* target);
    void end();

    void line(const DrawLook& look, Point from, Point to);
    void polygon(const DrawLook& look, const Point* points, int count);
    void ellipse(const DrawLook& look, const Rect& box);
    void fill(const Rect& rect, const BrushInfo& brush);
    void text(const DrawLook& look, Point at, std::string_view text);
    void blit(Point at, Size size, const QImage& source, Point from);

  private:
    void use_pen(const DrawLook& look);
    void use_brush(const DrawLook& look);
    bool fill_outlined(const DrawLook& look, const Point* points, int count);
    const QBrush& solid_brush(Color c);
    bool ready();  // the painter is active on the target
    void use_bg_mode(Qt::BGMode mode);

    QPainter painter_;
    QImage* target_ = nullptr;
    QFont font_;
    QFontMetrics metrics_;
    std::vector<QPoint> points_;                    // reused for polygons
    enum class PenUse { None, Lines, Text, Fill };  // Fill: no pen, for outlines drawn as fills
    PenUse pen_use_ = PenUse::None;                 // what the painter's pen was last set for
    PenInfo pen_;
    Color text_pen_color_;
    Qt::BGMode bg_mode_ = Qt::TransparentMode;
    BkMode pen_bk_mode_ = BkMode::Opaque;
    Color pen_bk_color_;
    bool brush_valid_ = false;
    BrushInfo brush_;
    // Qt pens and brushes made once per look: a scene switches pens for nearly
    // every box, and making a QPen or QBrush allocates.
    std::unordered_map<std::uint64_t, QPen> pen_cache_;
    std::unordered_map<std::uint32_t, QBrush> brush_cache_;
};

}  // namespace plat::detail
