// Rendering, layout and line-chart arithmetic of the image window.
#include "imaging/image_render.h"
#include "settings/qz3p_settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orvex::imaging;

namespace {

std::vector<std::uint8_t> blank_frame()
{
    return std::vector<std::uint8_t>(std::size_t(frame_width) * frame_height, 0);
}

std::uint32_t at(const image_renderer::result& r, int row, int col)
{
    return r.pixels[std::size_t(r.width) * row + col];
}

} // namespace

TEST(ImageRender, ColumnWindowCropsFromTheFirstByteAndPlacesResultPoints)
{
    orvex::k7::qz3p_settings s;
    s.window_x_start = 10; // blocks 10..19: sensor columns 80..159
    s.window_x_end = 19;
    s.window_y_start = 0;
    s.window_y_end = 9;
    const frame_window w = window_of(s);
    ASSERT_EQ(w.x_first, 80);
    ASSERT_EQ(w.x_last, 159);

    auto frame = blank_frame();
    for (int c = 0; c < frame_width; ++c)
        frame[std::size_t(frame_width) * 3 + c] = std::uint8_t(c); // row 3: value = byte index
    std::vector<double> lines(1024, 0.0);
    lines[3] = 100.4; // sensor column 100 = image column 20
    lines[4] = 80.0;  // image column 0: no neighbour on the left
    lines[5] = 80.0 + 1278;

    image_renderer renderer;
    render_options o;
    o.window = w;
    o.line_data = lines.data();
    const auto r = renderer.render(frame.data(), o);
    ASSERT_EQ(r.width, 80);
    ASSERT_EQ(r.height, 10);
    EXPECT_EQ(at(r, 3, 18), 0xFF121212u); // byte 18 of the line, not byte 98
    for (int c = 19; c <= 21; ++c)
        EXPECT_EQ(at(r, 3, c), argb_green) << c;
    EXPECT_EQ(at(r, 3, 22), 0xFF161616u);
    for (int c = 0; c < 80; ++c) {
        EXPECT_EQ(at(r, 4, c), 0xFF000000u) << c;
        EXPECT_EQ(at(r, 5, c), 0xFF000000u) << c;
    }

    const auto cropped = crop_frame(frame.data(), w);
    ASSERT_EQ(cropped.size(), 800u);
    EXPECT_EQ(cropped[80 * 3 + 0], 0);
    EXPECT_EQ(cropped[80 * 3 + 79], 79);

    // A damaged record never reaches beyond the frame.
    s.window_x_start = 200;
    s.window_x_end = 3;
    s.window_y_start = 2000;
    s.window_y_end = 5;
    const frame_window bad = window_of(s);
    EXPECT_EQ(bad.width(), 1);
    EXPECT_EQ(bad.height(), 1);
    EXPECT_EQ(bad.x_last, 1279);
    EXPECT_EQ(bad.y_last, 1023);
}

TEST(ImageRender, RotationMirrorAndOverlaysAfterTheCrop)
{
    auto frame = blank_frame();
    frame[0] = 1;                              // row 0, column 0
    frame[std::size_t(frame_width) * 511] = 2; // last row of the window, column 0
    frame[1279] = 3;                           // row 0, last column
    image_renderer renderer;
    render_options o;
    o.window = {0, 1279, 0, 511};
    o.rotate = true;
    auto r = renderer.render(frame.data(), o);
    ASSERT_EQ(r.width, 512);
    ASSERT_EQ(r.height, 1280);
    // Clockwise: the bottom-left corner goes to the top-left, the top-left to the top-right.
    EXPECT_EQ(at(r, 0, 0), 0xFF020202u);
    EXPECT_EQ(at(r, 0, 511), 0xFF010101u);
    EXPECT_EQ(at(r, 1279, 511), 0xFF030303u);

    o.mirror_x = true; // after the rotation: reverses the rotated rows
    r = renderer.render(frame.data(), o);
    EXPECT_EQ(at(r, 0, 0), 0xFF010101u);
    EXPECT_EQ(at(r, 0, 511), 0xFF020202u);
    o.mirror_y = true;
    r = renderer.render(frame.data(), o);
    EXPECT_EQ(at(r, 1279, 0), 0xFF010101u);
    EXPECT_EQ(at(r, 0, 0), 0xFF030303u);

    o = render_options{};
    o.window = {0, 1279, 0, 511};
    o.grid = true;
    o.chart_row = 100;
    r = renderer.render(frame.data(), o);
    EXPECT_EQ(at(r, 256, 5), argb_red);
    EXPECT_EQ(at(r, 7, 640), argb_red);
    EXPECT_EQ(at(r, 100, 7), argb_red);
    EXPECT_EQ(at(r, 101, 7), 0xFF000000u);
}

TEST(ImageRender, LayoutPlacesTheWindowWithFlipsAndRotation)
{
    const frame_window w{80, 159, 100, 611}; // 80 x 512
    auto l = layout_image(w, true, 2, false, false, false);
    EXPECT_EQ(l.frame_w, 1280);
    EXPECT_EQ(l.frame_h, 1024);
    EXPECT_EQ(l.scroll_w, 80);
    EXPECT_EQ(l.label_w, 160);
    EXPECT_EQ(l.label_h, 1024);
    EXPECT_EQ(l.scroll_x, 80);
    EXPECT_EQ(l.scroll_y, 100);

    l = layout_image(w, true, 1, false, true, true);
    EXPECT_EQ(l.scroll_x, 1280 - 159);
    EXPECT_EQ(l.scroll_y, 1024 - 611);

    l = layout_image(w, false, 1, true, false, false); // half view, rotated
    EXPECT_EQ(l.frame_w, 512);
    EXPECT_EQ(l.frame_h, 640);
    EXPECT_EQ(l.scroll_w, 256);
    EXPECT_EQ(l.scroll_h, 40);
    EXPECT_EQ(l.scroll_x, (1024 - 611) / 2); // rotated without mirror X: rows from the right
    EXPECT_EQ(l.scroll_y, 40);
    l = layout_image(w, false, 1, true, true, true);
    EXPECT_EQ(l.scroll_x, 50);
    EXPECT_EQ(l.scroll_y, int(0.5 * (1280 - 159)));

    // Rows under the pointer, zoom limits and the point kept under the cursor.
    l = layout_image({0, 1279, 0, 1023}, false, 2, false, false, false);
    EXPECT_EQ(row_at(10, 300, l, false, 2, false, false, false), 300);
    EXPECT_EQ(row_at(10, 0, l, false, 2, false, false, true), (2 * (1024 - 1) + 1) / 2);
    EXPECT_EQ(zoom_step(8, true), 8);
    EXPECT_EQ(zoom_step(1, false), 1);
    EXPECT_EQ(zoom_step(2, true), 4);
    EXPECT_EQ(scroll_keeping(100, 50, 1, 2), 250);
    EXPECT_EQ(scroll_keeping(0, 10, 2, 1), 0);
}

TEST(ImageRender, SavingTakesTheFirstFreeNumber)
{
    orvex::test::TempDir dir;
    EXPECT_EQ(next_image_file(dir.path().u8string()), "Image_0.png");
    orvex::test::write_file(dir / "Image_0.png", "x");
    orvex::test::write_file(dir / "Image_2.png", "x");
    EXPECT_EQ(next_image_file(dir.path().u8string()), "Image_1.png");
}

TEST(ImageLineChart, SamplesAutocorrelationAndMarker)
{
    auto frame = blank_frame();
    const int line = 7;
    for (int c = 0; c < frame_width; ++c)
        frame[std::size_t(frame_width) * line + c] = std::uint8_t(1 + c % 200);
    line_array samples{}, scratch{};
    take_line(frame.data(), {80, 159, 0, 1023}, line, false, samples);
    EXPECT_EQ(samples[79], 0.0);
    EXPECT_EQ(samples[80], 1.0); // byte 0 of the line sits at sensor column 80
    EXPECT_EQ(samples[159], 80.0);
    EXPECT_EQ(samples[160], 0.0);
    take_line(frame.data(), {80, 159, 0, 1023}, line, true, samples);
    EXPECT_EQ(samples[1279 - 80], 1.0);
    EXPECT_TRUE(line_reversed(false, true, false));
    EXPECT_TRUE(line_reversed(true, false, true));
    EXPECT_FALSE(line_reversed(true, true, false));

    take_line(frame.data(), {0, 1279, 0, 1023}, line, false, samples);
    const line_array plain = samples;
    EXPECT_FALSE(autocorrelate(samples, 10, 9, scratch));
    EXPECT_EQ(samples, plain);
    ASSERT_TRUE(autocorrelate(samples, 100, 100, scratch));
    for (int i : {0, 500, 1279})
        EXPECT_DOUBLE_EQ(samples[i], plain[i] * plain[100]) << i;
    samples = plain;
    ASSERT_TRUE(autocorrelate(samples, 0, 2, scratch)); // m = 3: terms i - 1 .. i + 1
    EXPECT_DOUBLE_EQ(samples[0], plain[0] * plain[1] + plain[1] * plain[2]);
    EXPECT_DOUBLE_EQ(samples[1279], plain[0] * plain[1278] + plain[1] * plain[1279]);

    EXPECT_LT(marker_column(5.0, false), 0);
    EXPECT_LT(marker_column(1020.0, false), 0);
    EXPECT_DOUBLE_EQ(marker_column(600.5, false), 600.5);
    EXPECT_DOUBLE_EQ(marker_column(600.0, true), 679.0);
}
