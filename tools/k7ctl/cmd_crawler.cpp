// k7ctl crawler: the pipe crawler behind a sensor (board 80): state, delayed
// start, live readings, the memory read; and, without a device, the
// measurements and frames of a saved memory image.
#include "cli.h"
#include "crawler/crawler_device.h"
#include "crawler/crawler_export.h"

#include <QJsonArray>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

namespace k7ctl {
namespace {

using namespace orvex::crawler;

std::vector<std::uint8_t> read_image(const QString& file)
{
    std::ifstream f(file.toStdString(), std::ios::binary);
    if (!f)
        device_error(QStringLiteral("cannot open %1").arg(file));
    std::vector<std::uint8_t> data(memory_frames * frame_bytes + 1);
    f.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()));
    const auto n = std::size_t(f.gcount());
    if (n > memory_frames * frame_bytes)
        device_error(QStringLiteral("%1 is larger than the crawler's 64 MiB memory").arg(file));
    data.resize(n);
    return data;
}

QString header_text(const LogHeader& h)
{
    return QStringLiteral("%1 records, counters %2 and %3").arg(h.count).arg(h.counter_a).arg(h.counter_b);
}

QJsonObject live_json(const RawEntry& r, const PhysEntry& p)
{
    QJsonArray raw, dist;
    for (auto v : r.sensor)
        raw.append(v == reading_absent ? QJsonValue() : QJsonValue(int(v)));
    for (double d : p.distance)
        dist.append(d);
    return QJsonObject{{QStringLiteral("enc_raw"), QJsonArray{r.enc_1, r.enc_2}},
                       {QStringLiteral("sensors_raw"), raw},
                       {QStringLiteral("enc_mm"), QJsonArray{p.enc_1, p.enc_2}},
                       {QStringLiteral("distance_mm"), dist},
                       {QStringLiteral("diam_mm"), QJsonArray{p.diam_1, p.diam_2}},
                       {QStringLiteral("kmrr_mm"), QJsonArray{p.kmrr_1, p.kmrr_2}}};
}

QString raw_text(std::uint16_t v)
{
    return v == reading_absent ? QStringLiteral("-") : QString::number(v);
}

int run_decode(const options& o, const QStringList& p)
{
    if (p.size() != 2 || !o.is_set(QStringLiteral("out")))
        usage_error(QStringLiteral("decode needs FILE and --out data.txt"));
    const auto image = read_image(p.at(1));
    std::vector<RawEntry> raw;
    std::vector<PhysEntry> phys;
    const LogHeader h = read_log_header(image.data(), image.size());
    if (!decode_log(image.data(), image.size(), raw, phys))
        device_error(QStringLiteral("no results: the log header is out of range (%1; at most 393116 records, "
                                    "counter difference at most 56, within the image)")
                         .arg(header_text(h)));
    if (!write_data_file(o.value(QStringLiteral("out")).toStdString(), phys))
        device_error(QStringLiteral("cannot write ") + o.value(QStringLiteral("out")));
    if (o.is_set(QStringLiteral("json")))
        print_json(QJsonObject{{QStringLiteral("records"), int(phys.size())},
                               {QStringLiteral("out"), o.value(QStringLiteral("out"))}});
    else
        print_line(
            QStringLiteral("%1 records written to %2").arg(phys.size()).arg(o.value(QStringLiteral("out"))));
    return exit_ok;
}

int run_images(const options& o, const QStringList& p)
{
    if (p.size() != 2)
        usage_error(QStringLiteral("images needs FILE"));
    const auto image = read_image(p.at(1));
    if (image.size() < frame_bytes)
        device_error(QStringLiteral("%1 holds no whole 1 MiB frame").arg(p.at(1)));
    const QString dir =
        o.is_set(QStringLiteral("dir")) ? o.value(QStringLiteral("dir")) : QStringLiteral(".");
    const auto written = write_frame_images(dir.toStdString(), image.data(), image.size());
    if (written.empty())
        device_error(QStringLiteral("cannot write the images below %1").arg(dir));
    const int frames = int(image.size() / frame_bytes);
    const QString folder = QString::fromStdString(written.string());
    if (o.is_set(QStringLiteral("json")))
        print_json(QJsonObject{{QStringLiteral("frames"), frames}, {QStringLiteral("folder"), folder}});
    else
        print_line(QStringLiteral("%1 frames written to %2").arg(frames).arg(folder));
    return exit_ok;
}

int run_read_memory(CrawlerDevice& dev, const options& o)
{
    if (!o.is_set(QStringLiteral("out")))
        usage_error(QStringLiteral("read-memory needs --out FILE"));
    const auto start = std::chrono::steady_clock::now();
    dev.read_memory();
    {
        progress bar(QStringLiteral("memory"));
        task_state s = dev.memory_read_state();
        while (s.busy) {
            bar.update(s.total ? double(s.done) / s.total : 0.0);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            s = dev.memory_read_state();
        }
        bar.update(1.0);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!dev.memory_read_state().success)
        device_error(QStringLiteral("the memory read failed (%1)").arg(QString::fromStdString(dev.status())));
    bool written = false;
    const std::string out = o.value(QStringLiteral("out")).toStdString();
    dev.with_memory([&](const std::uint8_t* m, std::size_t n) {
        std::ofstream f(out, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(m), std::streamsize(n));
        f.close();
        written = bool(f);
    });
    if (!written)
        device_error(QStringLiteral("cannot write ") + o.value(QStringLiteral("out")));
    const LogHeader h = dev.memory_header();
    if (o.is_set(QStringLiteral("json"))) {
        print_json(
            QJsonObject{{QStringLiteral("seconds"), seconds},
                        {QStringLiteral("bytes"), double(dev.memory_size())},
                        {QStringLiteral("repeated_requests"), double(dev.memory_repeats())},
                        {QStringLiteral("records"), h.valid ? QJsonValue(double(h.count)) : QJsonValue()}});
        return exit_ok;
    }
    print_line(QStringLiteral("%1 MiB in %2 s, %3 repeated line requests; log: %4%5")
                   .arg(dev.memory_size() >> 20)
                   .arg(seconds, 0, 'f', 1)
                   .arg(dev.memory_repeats())
                   .arg(header_text(h))
                   .arg(h.valid ? QString() : QStringLiteral(" (out of range: no results)")));
    return exit_ok;
}

} // namespace

int run_crawler(const QStringList& args)
{
    options o(QStringLiteral("k7ctl crawler ADDR state|start SECONDS|live [--count N]|read-memory --out FILE "
                             "[--frames N]\n"
                             "       k7ctl crawler decode FILE --out data.txt\n"
                             "       k7ctl crawler images FILE [--dir DIR]"),
              QStringLiteral(
                  "Talks to the pipe crawler at the address of the sensor it sits behind: reads its state\n"
                  "(busy while a measurement runs), starts a measurement after SECONDS (0..255), polls live\n"
                  "readings, or reads its whole memory (64 frames of 1 MiB with the measurement log) into\n"
                  "FILE, with a progress bar on a terminal. Without a device, decode turns a saved memory\n"
                  "image into data.txt, and images writes its frames as crawler_images_N/img_k.png."),
              QStringLiteral("  k7ctl crawler 127.0.0.2 state --json\n"
                             "  k7ctl crawler 127.0.0.2 start 10\n"
                             "  k7ctl crawler 127.0.0.2 live --count 20\n"
                             "  k7ctl crawler 127.0.0.2 read-memory --out crawler.bin\n"
                             "  k7ctl crawler decode crawler.bin --out data.txt\n"
                             "  k7ctl crawler images crawler.bin --dir exports\n"));
    o.add({QStringLiteral("count"), QStringLiteral("Live records to print (default 10)."),
           QStringLiteral("N")});
    o.add({QStringLiteral("out"), QStringLiteral("File to write."), QStringLiteral("FILE")});
    o.add({QStringLiteral("dir"), QStringLiteral("Folder for the image folder (default: here)."),
           QStringLiteral("DIR")});
    o.add({QStringLiteral("frames"), QStringLiteral("Frames of memory to read, 1..64 (default 64)."),
           QStringLiteral("N")});
    o.add({QStringLiteral("json"), QStringLiteral("Report as JSON.")});
    o.parse(args, 2, 3);
    const QStringList p = o.positional();
    if (p.at(0) == QLatin1String("decode"))
        return run_decode(o, p);
    if (p.at(0) == QLatin1String("images"))
        return run_images(o, p);

    const QString action = p.at(1);
    const bool with_arg = action == QLatin1String("start");
    if (p.size() != (with_arg ? 3 : 2) ||
        (!with_arg && action != QLatin1String("state") && action != QLatin1String("live") &&
         action != QLatin1String("read-memory")))
        usage_error(QStringLiteral("expected state, start SECONDS, live or read-memory"));
    const bool json = o.is_set(QStringLiteral("json"));

    CrawlerDevice dev(unsigned(o.number(QStringLiteral("frames"), memory_frames, 1, memory_frames)));
    dev.connect(p.at(0).toStdString());

    if (action == QLatin1String("state")) {
        const auto [busy, answered] = dev.get_state();
        if (!answered)
            device_error(QStringLiteral("no answer from the crawler at %1").arg(p.at(0)));
        if (json)
            print_json(QJsonObject{{QStringLiteral("busy"), int(busy)}});
        else
            print_line(
                QStringLiteral("busy %1%2").arg(busy).arg(busy ? QStringLiteral(" (measuring)") : QString()));
        return exit_ok;
    }
    if (action == QLatin1String("start")) {
        bool ok = false;
        const uint seconds = p.at(2).toUInt(&ok);
        if (!ok || seconds > 255)
            usage_error(QStringLiteral("SECONDS must be 0..255, got \"%1\"").arg(p.at(2)));
        if (!dev.delayed_start(std::uint8_t(seconds)))
            device_error(QStringLiteral("the crawler did not acknowledge the start"));
        print_line(QStringLiteral("start: acknowledged"));
        return exit_ok;
    }
    if (action == QLatin1String("read-memory"))
        return run_read_memory(dev, o);

    const long long count = o.number(QStringLiteral("count"), 10, 1, 1000000);
    QJsonArray records;
    long long got = 0;
    auto last = std::chrono::steady_clock::now();
    while (got < count) {
        const auto r = dev.live_poll(0);
        if (!r.record) {
            // A poll without reply starts over after 200 ms; give up after 2 s of silence.
            if (std::chrono::steady_clock::now() - last > std::chrono::seconds(2))
                device_error(QStringLiteral("no live records from the crawler at %1").arg(p.at(0)));
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            continue;
        }
        ++got;
        last = std::chrono::steady_clock::now();
        const auto& raw = dev.live_raw();
        const auto& ph = dev.live_phys();
        if (json) {
            records.append(live_json(raw, ph));
            continue;
        }
        QString line = QStringLiteral("enc %1 %2 mm  km9").arg(ph.enc_1, 0, 'f', 1).arg(ph.enc_2, 0, 'f', 3);
        for (std::size_t i = 0; i < 4; ++i)
            line += QLatin1Char(' ') + raw_text(raw.sensor[i]);
        line += QStringLiteral("  diam %1 %2 mm  kmrr %3 %4")
                    .arg(ph.diam_1, 0, 'f', 3)
                    .arg(ph.diam_2, 0, 'f', 3)
                    .arg(ph.kmrr_1, 0, 'f', 3)
                    .arg(ph.kmrr_2, 0, 'f', 3);
        print_line(line);
    }
    if (json)
        print_json(
            QJsonObject{{QStringLiteral("records"), records}, {QStringLiteral("rate"), dev.frame_rate()}});
    return exit_ok;
}

} // namespace k7ctl
