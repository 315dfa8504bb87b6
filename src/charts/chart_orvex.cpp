#include "charts/chart_orvex.h"

namespace orvex::qt {

namespace {

const std::array<QColor, ChartOrvex::kAnonymousCount> kAnonymousColors{{
    {255, 127, 80},
    {0, 191, 255},
    {154, 205, 50},
    {46, 139, 87},
    {210, 180, 140},
    {138, 43, 226},
    {123, 104, 238},
    {255, 20, 147},
    {139, 69, 19},
    {255, 140, 0},
}};

const std::array<QColor, ChartOrvex::kNamedCount> kNamedColors{{
    {255, 0, 0},
    {50, 150, 50},
    {50, 50, 200},
    {0, 0, 0},
    {0, 128, 128},
    {150, 150, 150},
    {100, 100, 100},
    {200, 200, 200},
    {255, 127, 80},
    {255, 200, 175},
    {10, 191, 255},
    {156, 237, 255},
    {143, 0, 255},
}};

constexpr double kChannelLineWidth = 2.0;

} // namespace

ChartOrvex::ChartOrvex(QWidget* parent) : ChartWidget(parent)
{
    for (std::size_t i = 0; i < anonymous_.size(); ++i)
        anonymous_[i] = make_channel(kAnonymousColors[i]);
    for (std::size_t i = 0; i < named_.size(); ++i)
        named_[i] = make_channel(kNamedColors[i]);
    // The red channel's segment set is the last one, so it is drawn on top
    // of the other sets.
    ChartSegmentSet& red = add_segment_set();
    red.color = kNamedColors[Red];
    named_[Red].segments = &red;
}

ChartOrvex::Channel ChartOrvex::make_channel(const QColor& color)
{
    Channel ch;
    ch.curve = &add_curve();
    ch.curve->color = color;
    ch.lines = &add_line_series();
    ch.lines->color = color;
    ch.lines->line_width = kChannelLineWidth;
    ch.segments = &add_segment_set();
    ch.segments->color = color;
    return ch;
}

} // namespace orvex::qt
