// k7ctl frame: one camera frame through the acquisition engine, as PNG.
#include "cli.h"
#include "link/acquisition_engine.h"

#include <QImage>
#include <QJsonObject>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace k7ctl {

int run_frame(const QStringList& args)
{
    options o(QStringLiteral("k7ctl frame ADDR --out FILE.png [--background] [--stream]"),
              QStringLiteral("Takes one frame (polled, the stored background, or from the image stream) and\n"
                             "writes the settings' image window as an 8-bit greyscale PNG."),
              QStringLiteral("  k7ctl frame 127.0.0.2 --out frame.png\n"
                             "  k7ctl frame 127.0.0.2 --out background.png --background\n"));
    o.add({QStringLiteral("out"), QStringLiteral("PNG file to write."), QStringLiteral("FILE")});
    o.add({QStringLiteral("background"), QStringLiteral("The stored background frame.")});
    o.add({QStringLiteral("stream"), QStringLiteral("Take the frame from the image stream.")});
    o.add({QStringLiteral("json"), QStringLiteral("Report as JSON.")});
    o.parse(args, 1, 1);
    if (!o.is_set(QStringLiteral("out")))
        usage_error(QStringLiteral("frame needs --out FILE.png"));
    const bool background = o.is_set(QStringLiteral("background"));
    const bool stream = o.is_set(QStringLiteral("stream"));
    if (background && stream)
        usage_error(QStringLiteral("--background and --stream exclude each other"));

    orvex::k7::sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    auto& engine = device.engine();
    bool handled = false;
    bool complete = false;
    unsigned lines = 0;
    // Read inside the handler: in streaming the engine starts the next frame
    // (clears its line count and completion) right after the handler returns.
    engine.set_image_handler([&] {
        handled = true;
        complete = engine.frame_complete();
        lines = engine.line_count();
    });
    if (stream) {
        if (!engine.set_image_stream(true))
            device_error(QStringLiteral("switching the image stream on (0x25) failed"));
    } else {
        engine.set_image_request(!background, background);
    }
    const auto start = std::chrono::steady_clock::now();
    while (!handled && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        engine.step();
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    engine.set_image_request(false, false);
    if (stream)
        engine.set_image_stream(false);
    if (!handled)
        device_error(QStringLiteral("no frame from %1 within 3 s").arg(o.positional().at(0)));

    // The window: columns in units of 8, rows as stored (first row - 1 .. last row - 1).
    const auto& s = device.commands().settings();
    const int x0 = std::min(1280, int(s.window_x_start) * 8);
    const int x1 = std::clamp((int(s.window_x_end) + 1) * 8, x0, 1280);
    const int rows = std::clamp(int(engine.expected_lines()), 0, 1024);
    const int width = x1 > x0 ? x1 - x0 : 1280;
    const int left = x1 > x0 ? x0 : 0;
    QImage image(width, std::max(rows, 1), QImage::Format_Grayscale8);
    image.fill(0);
    const auto& frame = engine.frame();
    for (int y = 0; y < rows; ++y)
        std::memcpy(image.scanLine(y), frame.data() + 1280 * y + left, std::size_t(width));
    if (!image.save(o.value(QStringLiteral("out")), "PNG"))
        device_error(QStringLiteral("cannot write ") + o.value(QStringLiteral("out")));

    if (o.is_set(QStringLiteral("json")))
        print_json(QJsonObject{{QStringLiteral("lines"), int(lines)},
                               {QStringLiteral("expected_lines"), int(engine.expected_lines())},
                               {QStringLiteral("complete"), complete},
                               {QStringLiteral("width"), width},
                               {QStringLiteral("height"), image.height()}});
    else
        print_line(QStringLiteral("%1 of %2 lines, frame %3; %4 x %5 written to %6")
                       .arg(lines)
                       .arg(engine.expected_lines())
                       .arg(complete ? QStringLiteral("complete") : QStringLiteral("incomplete"))
                       .arg(width)
                       .arg(image.height())
                       .arg(o.value(QStringLiteral("out"))));
    device.disconnect();
    return complete ? exit_ok : exit_device;
}

} // namespace k7ctl
