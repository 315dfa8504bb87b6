// k7ctl frame: camera frames through the acquisition engine, as PNG.
//
// The frames are cropped the way the image window crops them: a frame line
// holds the window's columns from its first byte on, so the PNG is bytes
// 0..w-1 of each of the window's h lines.
#include "cli.h"
#include "imaging/image_render.h"
#include "link/acquisition_engine.h"
#include "link/link_set.h"

#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <chrono>
#include <thread>
#include <vector>

namespace k7ctl {
namespace {

using steady = std::chrono::steady_clock;

struct frame_record {
    int index = 0;
    unsigned lines = 0, expected = 0;
    std::uint64_t lost = 0;
    bool complete = false;
    double rate = 0.0;
    QString file;
};

// FILE.png for a single frame, FILE_k.png for frame k of several.
QString numbered_name(const QString& out, int k)
{
    const QFileInfo f(out);
    const QString suffix = f.suffix().isEmpty() ? QString() : QStringLiteral(".") + f.suffix();
    const QString base = out.left(out.size() - suffix.size());
    return base + QStringLiteral("_") + QString::number(k) + suffix;
}

bool save_png(const std::vector<std::uint8_t>& pixels, const orvex::imaging::frame_window& w,
              const QString& path)
{
    const QImage image(pixels.data(), w.width(), w.height(), w.width(), QImage::Format_Grayscale8);
    return image.save(path, "PNG");
}

} // namespace

int run_frame(const QStringList& args)
{
    options o(
        QStringLiteral("k7ctl frame ADDR --out FILE.png [--stream | --background] "
                       "[--count N | --seconds S] [--last] [--json]"),
        QStringLiteral("Takes frames (polled, from the image stream, or the stored background) and writes\n"
                       "the settings' image window of each as an 8-bit greyscale PNG: FILE.png for one\n"
                       "frame, FILE_0.png, FILE_1.png, ... for several, or only the last one with --last.\n"
                       "Reports per frame the lines received, the lines lost and the frame rate; the\n"
                       "exit code is 0 only when every frame was complete."),
        QStringLiteral("  k7ctl frame 127.0.0.2 --out frame.png\n"
                       "  k7ctl frame 127.0.0.2 --out background.png --background\n"
                       "  k7ctl frame 127.0.0.2 --out live.png --stream --count 5 --json\n"
                       "  k7ctl frame 127.0.0.2 --out last.png --stream --seconds 10 --last --json\n"));
    o.add({QStringLiteral("out"), QStringLiteral("PNG file to write."), QStringLiteral("FILE")});
    o.add({QStringLiteral("background"), QStringLiteral("The stored background frame.")});
    o.add({QStringLiteral("stream"), QStringLiteral("Take the frames from the image stream.")});
    o.add({QStringLiteral("count"), QStringLiteral("Number of frames (default 1)."), QStringLiteral("N")});
    o.add({QStringLiteral("seconds"), QStringLiteral("Take frames for this long instead of counting them."),
           QStringLiteral("S")});
    o.add({QStringLiteral("last"), QStringLiteral("Write only the last complete frame, to FILE.")});
    o.add({QStringLiteral("json"), QStringLiteral("Report as JSON.")});
    o.parse(args, 1, 1);
    if (!o.is_set(QStringLiteral("out")))
        usage_error(QStringLiteral("frame needs --out FILE.png"));
    const QString out = o.value(QStringLiteral("out"));
    const bool background = o.is_set(QStringLiteral("background"));
    const bool stream = o.is_set(QStringLiteral("stream"));
    if (background && stream)
        usage_error(QStringLiteral("--background and --stream exclude each other"));
    if (o.is_set(QStringLiteral("count")) && o.is_set(QStringLiteral("seconds")))
        usage_error(QStringLiteral("--count and --seconds exclude each other"));
    const long long count = o.number(QStringLiteral("count"), 1, 1, 1000000);
    const double seconds = o.real(QStringLiteral("seconds"), 0.0, 0.1, 86400.0);
    const bool timed = seconds > 0.0;
    const bool last_only = o.is_set(QStringLiteral("last"));
    const bool numbered = !last_only && (timed || count > 1);
    const bool json = o.is_set(QStringLiteral("json"));

    orvex::k7::sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    auto& engine = device.engine();
    const orvex::imaging::frame_window window = orvex::imaging::window_of(device.commands().settings());

    std::vector<frame_record> records;
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> last_complete;
    bool pending = false;
    std::uint64_t skipped_before = engine.skipped_lines();
    // Read inside the handler: in streaming the engine starts the next frame
    // (clears its line count and completion) right after the handler returns,
    // and the next step overwrites the frame buffer.
    engine.set_image_handler([&] {
        frame_record r;
        r.index = int(records.size());
        r.lines = engine.line_count();
        r.expected = engine.expected_lines();
        r.complete = engine.frame_complete();
        r.rate = engine.frame_rate();
        r.lost = engine.skipped_lines() - skipped_before + (r.complete ? 0 : r.expected - r.lines);
        skipped_before = engine.skipped_lines();
        records.push_back(r);
        pixels = orvex::imaging::crop_frame(engine.frame().data(), window);
        if (r.complete)
            last_complete = pixels;
        pending = true;
    });
    if (stream) {
        if (!engine.set_image_stream(true))
            device_error(QStringLiteral("switching the image stream on (0x25) failed"));
    } else {
        engine.set_image_request(!background, background);
    }

    const auto start = steady::now();
    auto last_frame = start;
    QString failure;
    while (true) {
        engine.step();
        const auto now = steady::now();
        if (pending) {
            pending = false;
            last_frame = now;
            if (numbered) {
                frame_record& r = records.back();
                r.file = numbered_name(out, r.index);
                if (!save_png(pixels, window, r.file))
                    failure = QStringLiteral("cannot write ") + r.file;
            }
        }
        if (!failure.isEmpty())
            break;
        if (timed ? now - start >= std::chrono::duration<double>(seconds)
                  : records.size() >= std::size_t(count))
            break;
        // The engine gives up on a requested frame after 1 s; a stream that
        // stops sending ends the run here.
        if (now - last_frame > std::chrono::seconds(3)) {
            failure = QStringLiteral("no frame from %1 within 3 s").arg(o.positional().at(0));
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const double elapsed = std::chrono::duration<double>(steady::now() - start).count();
    engine.set_image_request(false, false);
    if (stream)
        engine.set_image_stream(false);
    const std::size_t granted = device.link(orvex::k7::link_image).receive_buffer_granted();
    device.disconnect();
    if (!failure.isEmpty() && records.empty())
        device_error(failure);

    if (!numbered && failure.isEmpty()) {
        const std::vector<std::uint8_t>& image = last_only && !last_complete.empty() ? last_complete : pixels;
        if (!save_png(image, window, out))
            failure = QStringLiteral("cannot write ") + out;
        else if (!records.empty())
            records.back().file = out;
    }

    int complete = 0;
    std::uint64_t lost = 0;
    for (const auto& r : records) {
        complete += r.complete ? 1 : 0;
        lost += r.lost;
    }
    const bool all_complete = complete == int(records.size()) && failure.isEmpty();
    if (json) {
        QJsonArray frames;
        for (const auto& r : records) {
            QJsonObject f{{QStringLiteral("index"), r.index},
                          {QStringLiteral("lines"), int(r.lines)},
                          {QStringLiteral("expected_lines"), int(r.expected)},
                          {QStringLiteral("lines_lost"), double(r.lost)},
                          {QStringLiteral("complete"), r.complete},
                          {QStringLiteral("frame_rate"), r.rate}};
            if (!r.file.isEmpty())
                f.insert(QStringLiteral("file"), r.file);
            frames.append(f);
        }
        const frame_record last = records.empty() ? frame_record{} : records.back();
        QJsonObject report{{QStringLiteral("frames"), frames},
                           {QStringLiteral("frame_count"), int(records.size())},
                           {QStringLiteral("complete_frames"), complete},
                           {QStringLiteral("lines"), int(last.lines)},
                           {QStringLiteral("expected_lines"), int(last.expected)},
                           {QStringLiteral("lines_lost"), double(lost)},
                           {QStringLiteral("complete"), all_complete},
                           {QStringLiteral("seconds"), elapsed},
                           {QStringLiteral("frames_per_second"), elapsed > 0 ? complete / elapsed : 0.0},
                           {QStringLiteral("receive_buffer"), double(granted)},
                           {QStringLiteral("width"), window.width()},
                           {QStringLiteral("height"), window.height()}};
        if (!failure.isEmpty())
            report.insert(QStringLiteral("error"), failure);
        print_json(report);
    } else {
        for (const auto& r : records)
            if (!r.file.isEmpty() || !r.complete)
                print_line(QStringLiteral("frame %1: %2 of %3 lines, %4 lost, %5 frames/s%6")
                               .arg(r.index)
                               .arg(r.lines)
                               .arg(r.expected)
                               .arg(r.lost)
                               .arg(r.rate, 0, 'f', 1)
                               .arg(r.file.isEmpty() ? QString() : QStringLiteral("; written to ") + r.file));
        print_line(QStringLiteral("%1 of %2 frames complete, %3 lines lost, %4 frames/s over %5 s; %6 x %7")
                       .arg(complete)
                       .arg(records.size())
                       .arg(lost)
                       .arg(elapsed > 0 ? complete / elapsed : 0.0, 0, 'f', 1)
                       .arg(elapsed, 0, 'f', 1)
                       .arg(window.width())
                       .arg(window.height()));
    }
    if (!failure.isEmpty())
        device_error(failure);
    return all_complete ? exit_ok : exit_device;
}

} // namespace k7ctl
