// ChartOrvex: a ChartWidget with a fixed palette of ready-made colour
// channels, so that a page only fills series. Each channel is one curve, one
// straight-line series (2 px wide) and one segment set in the channel's
// colour. Ten anonymous channels come first, then thirteen named ones; pages
// address them by position.
#pragma once

#include "charts/chart_widget.h"

#include <array>

namespace orvex::qt {

class ChartOrvex : public ChartWidget {
    Q_OBJECT
public:
    /// The named channels, in palette order.
    enum Named {
        Red,
        Green,
        Blue,
        Black,
        Teal,
        Grey,
        DarkGrey,
        LightGrey,
        Coral,
        Peach,
        Sky,
        PaleSky,
        Violet,
    };
    static constexpr int kAnonymousCount = 10;
    static constexpr int kNamedCount = 13;

    struct Channel {
        ChartCurve* curve = nullptr;
        ChartLineSeries* lines = nullptr;
        ChartSegmentSet* segments = nullptr;
    };

    explicit ChartOrvex(QWidget* parent = nullptr);

    /// Anonymous channel 0..9; throws std::out_of_range otherwise.
    const Channel& anonymous(int i) const { return anonymous_.at(static_cast<std::size_t>(i)); }
    /// Named channel; throws std::out_of_range for a value outside the enum.
    const Channel& named(Named n) const { return named_.at(static_cast<std::size_t>(n)); }

private:
    Channel make_channel(const QColor& color);

    std::array<Channel, kAnonymousCount> anonymous_;
    std::array<Channel, kNamedCount> named_;
};

} // namespace orvex::qt
