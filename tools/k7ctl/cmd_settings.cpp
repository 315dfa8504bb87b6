// k7ctl settings ADDR get|set.
#include "cli.h"
#include "settings/settings_fields.h"
#include "settings/settings_rules.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace k7ctl {
namespace {

QJsonValue to_json(const orvex::k7::settings_field_value& v)
{
    if (const auto* n = std::get_if<std::int64_t>(&v))
        return QJsonValue(static_cast<double>(*n));
    if (const auto* s = std::get_if<std::string>(&v))
        return QJsonValue(QString::fromStdString(*s));
    QJsonArray a;
    for (std::int64_t x : std::get<std::vector<std::int64_t>>(v))
        a.append(static_cast<double>(x));
    return a;
}

QString to_text(const orvex::k7::settings_field_value& v)
{
    if (const auto* n = std::get_if<std::int64_t>(&v))
        return QString::number(*n);
    if (const auto* s = std::get_if<std::string>(&v))
        return QString::fromStdString(*s);
    QStringList parts;
    for (std::int64_t x : std::get<std::vector<std::int64_t>>(v))
        parts << QString::number(x);
    return parts.join(QLatin1Char(','));
}

void print_record(const orvex::k7::qz3p_settings& s, bool json)
{
    const auto fields = orvex::k7::settings_fields(s);
    if (json) {
        // QJsonObject sorts its keys; build the text by hand to keep record order.
        QByteArray text = "{\n";
        for (std::size_t i = 0; i < fields.size(); ++i) {
            QJsonArray one{to_json(fields[i].value)};
            QByteArray value = QJsonDocument(one).toJson(QJsonDocument::Compact);
            value = value.mid(1, value.size() - 2);
            text += "    \"" + QByteArray::fromStdString(fields[i].name) + "\": " + value +
                    (i + 1 < fields.size() ? ",\n" : "\n");
        }
        text += "}\n";
        std::fputs(text.constData(), stdout);
        return;
    }
    for (const auto& f : fields)
        print_line(QString::fromStdString(f.name) + QStringLiteral(" = ") + to_text(f.value));
}

} // namespace

int run_settings(const QStringList& args)
{
    options o(QStringLiteral("k7ctl settings ADDR get [--flash] [--json]\n"
                             "       k7ctl settings ADDR set FIELD=VALUE... [--flash]"),
              QStringLiteral("Reads or changes the sensor's settings record in working memory (or flash).\n"
                             "set reads the record, changes the named fields and writes it back. The\n"
                             "settings window's rules apply: sync_mode 1, 2 or 5; gain 1..3; exposure1_us\n"
                             "up to 50000, exposure2_us up to 32767, period_us 1..100000; a window of at\n"
                             "least 336 columns (window_x_end >= window_x_start + 41) with\n"
                             "window_y_end >= window_y_start; a fixed period not below the shortest one\n"
                             "of the window and exposures. A refused value ends with exit code 2, naming\n"
                             "the field, the value and what is allowed."),
              QStringLiteral("  k7ctl settings 127.0.0.2 get --json\n"
                             "  k7ctl settings 127.0.0.2 set laser_brightness=200 exposure1_us=1500\n"
                             "  k7ctl settings 127.0.0.2 set peak_distances=4,4,8 --flash\n"
                             "Fields: ") +
                  QString::fromStdString([] {
                      std::string all;
                      for (const auto& n : orvex::k7::settings_field_names())
                          all += (all.empty() ? "" : ", ") + n;
                      return all;
                  }()) +
                  QStringLiteral("\n"));
    o.add({QStringLiteral("flash"), QStringLiteral("The copy in flash instead of working memory.")});
    o.add({QStringLiteral("json"), QStringLiteral("One JSON document instead of text (get).")});
    o.parse(args, 2, 1000);
    const QStringList pos = o.positional();
    const QString verb = pos.at(1);
    const bool flash = o.is_set(QStringLiteral("flash"));
    if (verb != QStringLiteral("get") && verb != QStringLiteral("set"))
        usage_error(QStringLiteral("settings takes get or set, not ") + verb);
    if (verb == QStringLiteral("get") && pos.size() != 2)
        usage_error(QStringLiteral("settings get takes no field"));
    if (verb == QStringLiteral("set") && pos.size() < 3)
        usage_error(QStringLiteral("settings set needs at least one FIELD=VALUE"));

    // Check every assignment before anything is sent.
    std::vector<std::pair<std::string, std::string>> changes;
    for (int i = 2; i < pos.size(); ++i) {
        const int eq = pos.at(i).indexOf(QLatin1Char('='));
        if (eq <= 0)
            usage_error(QStringLiteral("FIELD=VALUE expected: ") + pos.at(i));
        changes.emplace_back(pos.at(i).left(eq).toStdString(), pos.at(i).mid(eq + 1).toStdString());
        orvex::k7::qz3p_settings probe;
        const std::string err =
            orvex::k7::set_settings_field(probe, changes.back().first, changes.back().second);
        if (!err.empty())
            usage_error(QString::fromStdString(err));
    }

    orvex::k7::sensor_device device;
    connect_or_fail(device, pos.at(0));
    auto& cmd = device.commands();
    orvex::k7::qz3p_settings record;
    const bool read_ok = flash ? cmd.read_settings_flash(record) : cmd.read_settings_memory(record);
    if (!read_ok)
        device_error(QStringLiteral("reading the settings (%1) failed")
                         .arg(flash ? QStringLiteral("0x83") : QStringLiteral("0x80")));
    if (verb == QStringLiteral("get")) {
        print_record(record, o.is_set(QStringLiteral("json")));
    } else {
        std::vector<std::string> changed;
        for (const auto& [name, value] : changes) {
            orvex::k7::set_settings_field(record, name, value);
            changed.push_back(name);
        }
        // The settings window would not let these values through either.
        QString refused;
        for (const auto& v : orvex::k7::check_editor_rules(record, changed)) {
            if (v.refused)
                refused += QStringLiteral("\n  ") + QString::fromStdString(v.text());
            else
                std::fprintf(stderr,
                             "k7ctl settings: warning: %s; the sensor measures at its shortest period\n",
                             v.text().c_str());
        }
        if (!refused.isEmpty()) {
            device.disconnect();
            usage_error(QStringLiteral("refused, nothing written:") + refused);
        }
        const bool write_ok = flash ? cmd.write_settings_flash(record) : cmd.write_settings_memory(record);
        if (!write_ok)
            device_error(QStringLiteral("writing the settings (%1) failed")
                             .arg(flash ? QStringLiteral("0x84") : QStringLiteral("0x81")));
        print_line(QStringLiteral("written"));
    }
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
