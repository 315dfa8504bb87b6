// k7ctl flash ADDR read, k7ctl firmware ADDR write, k7ctl ident ADDR write.
#include "cli.h"
#include "flash/firmware_page_values.h"
#include "flash/flash_programming.h"
#include "flash/ident_record.h"
#include "flash_job.h"
#include "link/flash_commands.h"

namespace k7ctl {

using namespace orvex::k7;

int run_flash(const QStringList& args)
{
    options o(
        QStringLiteral("k7ctl flash ADDR read --address A --size N --out FILE"),
        QStringLiteral("Reads N bytes of the sensor's flash from address A (a multiple of 256) into FILE.\n"
                       "The file is created first; after a failed read it is left empty."),
        QStringLiteral("  k7ctl flash 127.0.0.2 read --address 0x90000 --size 65536 --out flash_out.bin\n"
                       "  k7ctl flash 127.0.0.2 read --address 0x700000 --size 1280 --out range.bin\n"));
    o.add({QStringLiteral("address"), QStringLiteral("Start address, a multiple of 256."),
           QStringLiteral("A")});
    o.add({QStringLiteral("size"), QStringLiteral("Bytes to read."), QStringLiteral("N")});
    o.add({QStringLiteral("out"), QStringLiteral("Output file."), QStringLiteral("FILE")});
    o.parse(args, 2, 2);
    if (o.positional().at(1) != QStringLiteral("read"))
        usage_error(QStringLiteral("flash takes read, not ") + o.positional().at(1));
    if (!o.is_set(QStringLiteral("address")) || !o.is_set(QStringLiteral("size")) ||
        !o.is_set(QStringLiteral("out")))
        usage_error(QStringLiteral("flash read needs --address, --size and --out"));
    const long long address = o.number(QStringLiteral("address"), 0, 0, 0xFFFF00);
    const long long size = o.number(QStringLiteral("size"), 0, 1, 0x1000000 - address);
    if (address % 256 != 0)
        usage_error(QStringLiteral("--address must be a multiple of 256"));

    sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    flash_job job(QStringLiteral("reading"), page_count(static_cast<std::size_t>(size)));
    const std::string refused = start_flash_dump(device.flash().jobs(), static_cast<std::uint32_t>(address),
                                                 static_cast<std::size_t>(size),
                                                 to_path(o.value(QStringLiteral("out"))), job.callback());
    if (!refused.empty())
        usage_error(english(refused));
    job.finish(device.flash().jobs());
    print_line(QStringLiteral("read %1 bytes from 0x%2 into %3")
                   .arg(size)
                   .arg(address, 6, 16, QLatin1Char('0'))
                   .arg(o.value(QStringLiteral("out"))));
    device.disconnect();
    return exit_ok;
}

int run_firmware(const QStringList& args)
{
    options o(QStringLiteral("k7ctl firmware ADDR write FILE [--sector S]"),
              QStringLiteral("Writes a firmware image into the sensor's flash from sector S (unit 64 KiB,\n"
                             "default 9) in flash-work mode. Every page is verified; the image's first page\n"
                             "is written last, so an interrupted write leaves it erased. An empty file or\n"
                             "one larger than the flash from S on is refused before anything is erased\n"
                             "(exit code 2)."),
              QStringLiteral("  k7ctl firmware 127.0.0.2 write fresh_flash.bin\n"
                             "  k7ctl firmware 127.0.0.2 write test.bin --sector 20\n"));
    o.add(
        {QStringLiteral("sector"), QStringLiteral("First sector (0..255, default 9)."), QStringLiteral("S")});
    o.parse(args, 3, 3);
    if (o.positional().at(1) != QStringLiteral("write"))
        usage_error(QStringLiteral("firmware takes write, not ") + o.positional().at(1));
    const auto sector =
        static_cast<unsigned>(o.number(QStringLiteral("sector"), default_firmware_sector, 0, 255));
    std::vector<std::uint8_t> image;
    std::string error;
    if (!load_firmware_file(to_path(o.positional().at(2)), sector, image, error))
        usage_error(english(error) + QStringLiteral(" (") + o.positional().at(2) + QStringLiteral(")"));

    sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    const std::size_t bytes = image.size();
    flash_job job(QStringLiteral("writing"), page_count(bytes > 256 ? bytes - 256 : bytes));
    const std::string refused =
        start_firmware_write(device.flash(), sector, std::move(image), job.callback());
    if (!refused.empty())
        device_error(english(refused));
    job.finish(device.flash().jobs());
    print_line(QStringLiteral("firmware written: %1 bytes from sector %2").arg(bytes).arg(sector));
    device.disconnect();
    return exit_ok;
}

namespace {

bool parse_outline(const QString& text, ident_fields& f)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 6)
        return false;
    double v[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        v[i] = parts.at(i).toDouble(&ok);
        const bool is_x = i < 2;
        if (!ok || (is_x && (v[i] < 0 || v[i] > 65535)) || (!is_x && (v[i] < -8192 || v[i] > 8191)))
            return false;
    }
    f.x_start = v[0];
    f.x_end = v[1];
    f.y_start_bottom = v[2];
    f.y_start_top = v[3];
    f.y_end_bottom = v[4];
    f.y_end_top = v[5];
    return true;
}

} // namespace

int run_ident(const QStringList& args)
{
    options o(
        QStringLiteral("k7ctl ident ADDR write --text T --serial N [--frac-bits P]\n"
                       "       [--outline x1:x2:y1low:y1high:y2low:y2high]"),
        QStringLiteral("Writes the identification record (flash 0x7F0000): description text (ASCII, at\n"
                       "most 99 characters), serial 0..99999, fractional bits P (0..16, default 8) and\n"
                       "the measuring outline in millimetres (x 0..65535, y -8192..8191; default\n"
                       "0:100:-50:50:-50:50); each value times 2^P must fit its 16-bit word. Then\n"
                       "reconnects and prints what the sensor reports."),
        QStringLiteral("  k7ctl ident 127.0.0.2 write --text \"K7D head\" --serial 42\n"
                       "  k7ctl ident 127.0.0.2 write --text K7D --serial 7 --frac-bits 6 "
                       "--outline 10:250:-60:40:-80:55\n"));
    o.add({QStringLiteral("text"), QStringLiteral("Description text."), QStringLiteral("T")});
    o.add({QStringLiteral("serial"), QStringLiteral("Serial number 0..99999."), QStringLiteral("N")});
    o.add({QStringLiteral("frac-bits"), QStringLiteral("Fractional bits 0..16 (default 8)."),
           QStringLiteral("P")});
    o.add({QStringLiteral("outline"), QStringLiteral("x1:x2:y1low:y1high:y2low:y2high in mm."),
           QStringLiteral("OUTLINE")});
    o.parse(args, 2, 2);
    if (o.positional().at(1) != QStringLiteral("write"))
        usage_error(QStringLiteral("ident takes write, not ") + o.positional().at(1));
    if (!o.is_set(QStringLiteral("text")) || !o.is_set(QStringLiteral("serial")))
        usage_error(QStringLiteral("ident write needs --text and --serial"));
    ident_fields f;
    const QString text = o.value(QStringLiteral("text"));
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            usage_error(QStringLiteral("--text takes printable ASCII only"));
    if (text.size() > 99)
        usage_error(QStringLiteral("--text takes at most 99 characters"));
    f.text = text.toStdString();
    f.serial = std::to_string(o.number(QStringLiteral("serial"), 0, 0, 99999));
    f.frac_bits = static_cast<int>(o.number(QStringLiteral("frac-bits"), 8, 0, 16));
    if (o.is_set(QStringLiteral("outline")) && !parse_outline(o.value(QStringLiteral("outline")), f))
        usage_error(QStringLiteral("--outline takes six numbers x1:x2:y1low:y1high:y2low:y2high"));
    // A value that does not fit its word would be stored as a different number.
    const std::string outline_problem = ident_outline_problem(f);
    if (!outline_problem.empty())
        usage_error(english(outline_problem));

    sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    ident_write_result result;
    {
        // The record is written in one go; a signal ends k7ctl after it.
        interrupt_guard guard;
        result = write_ident_record(device.flash(), encode_ident_record(f));
        guard.fail_if_interrupted();
    }
    if (!result.erased)
        device_error(QStringLiteral("erasing sector 127 failed"));
    if (!result.written)
        device_error(QStringLiteral("writing the identification page failed"));
    device.disconnect();
    connect_or_fail(device, o.positional().at(0));
    const auto& info = device.commands().info();
    if (!info.ident_valid)
        device_error(QStringLiteral("the sensor does not report the new identification"));
    // Concatenated, not .arg(): the device's text may itself contain "%1".
    const QString outline = QStringLiteral("%1:%2:%3:%4:%5:%6")
                                .arg(info.x1)
                                .arg(info.x2)
                                .arg(info.y1_low)
                                .arg(info.y1_high)
                                .arg(info.y2_low)
                                .arg(info.y2_high);
    print_line(QStringLiteral("identification written: \"") + QString::fromLatin1(info.ident_text.c_str()) +
               QStringLiteral("\" serial ") + QString::fromStdString(orvex::k7::serial_text(info.serial)) +
               QStringLiteral(", p = ") + QString::number(info.shift) + QStringLiteral(", outline ") +
               outline);
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
