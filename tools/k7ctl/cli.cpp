#include "cli.h"

#include "app/english_text.h"

#include "settings/editor_values.h"

#include "link/link_error.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#define K7CTL_ISATTY(fd) _isatty(fd)
#define K7CTL_STDERR 2
#else
#include <unistd.h>
#define K7CTL_ISATTY(fd) isatty(fd)
#define K7CTL_STDERR STDERR_FILENO
#endif

namespace k7ctl {

void usage_error(const QString& message)
{
    throw failure(exit_usage, message);
}

void device_error(const QString& message)
{
    throw failure(exit_device, message);
}

options::options(const QString& usage, const QString& description, const QString& examples)
    : usage_(usage),
      examples_(examples)
{
    parser_.setApplicationDescription(description);
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.addHelpOption();
}

void options::parse(const QStringList& args, int min_positional, int max_positional)
{
    if (!parser_.parse(args))
        usage_error(parser_.errorText() + QStringLiteral("\nusage: ") + usage_);
    if (parser_.isSet(QStringLiteral("help"))) {
        QString help = parser_.helpText();
        help.replace(QStringLiteral("Usage: "),
                     QStringLiteral("Usage: ") + usage_ + QStringLiteral("\n       "));
        print_line(help + QStringLiteral("\nExamples:\n") + examples_);
        throw failure(exit_ok, QString());
    }
    const int n = parser_.positionalArguments().size();
    if (n < min_positional || n > max_positional)
        usage_error(QStringLiteral("wrong number of arguments\nusage: ") + usage_);
}

long long options::number(const QString& name, long long fallback, long long lo, long long hi) const
{
    if (!parser_.isSet(name))
        return fallback;
    bool ok = false;
    const long long v = parser_.value(name).toLongLong(&ok, 0);
    if (!ok || v < lo || v > hi)
        usage_error(QStringLiteral("--%1 takes a whole number from %2 to %3").arg(name).arg(lo).arg(hi));
    return v;
}

double options::real(const QString& name, double fallback, double lo, double hi) const
{
    if (!parser_.isSet(name))
        return fallback;
    bool ok = false;
    const double v = parser_.value(name).toDouble(&ok);
    if (!ok || v < lo || v > hi)
        usage_error(QStringLiteral("--%1 takes a number from %2 to %3").arg(name).arg(lo).arg(hi));
    return v;
}

void print_line(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

void print_json(const QJsonValue& value)
{
    const QJsonDocument doc =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    std::fputs(doc.toJson(QJsonDocument::Indented).constData(), stdout);
}

progress::progress(const QString& label) : label_(label), shown_(K7CTL_ISATTY(K7CTL_STDERR) != 0) {}

progress::~progress()
{
    if (shown_ && last_ >= 0)
        std::fputs("\n", stderr);
}

void progress::update(double fraction)
{
    if (!shown_)
        return;
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent == last_)
        return;
    last_ = percent;
    const int filled = percent * 30 / 100;
    std::fprintf(stderr, "\r%s [%s%s] %3d%%", label_.toUtf8().constData(), std::string(filled, '#').c_str(),
                 std::string(30 - filled, '.').c_str(), percent);
    std::fflush(stderr);
}

QString english(const std::string& core_text)
{
    return QString::fromStdString(orvex::english_text(core_text));
}

void connect_or_fail(orvex::k7::sensor_device& device, const QString& address)
{
    if (!orvex::k7::parse_ip(address.toStdString()))
        usage_error(QStringLiteral("not an IPv4 address (a.b.c.d): ") + address);
    try {
        if (!device.connect(address.toStdString()))
            device_error(
                QStringLiteral("no answer from %1 (description or settings could not be read)").arg(address));
    } catch (const orvex::k7::link_error& e) {
        device_error(QStringLiteral("cannot connect to %1: %2").arg(address, QString::fromUtf8(e.what())));
    }
}

QJsonObject info_json(const orvex::k7::sensor_info& info)
{
    const auto text = [](const std::string& s) { return QString::fromLatin1(s.data(), int(s.size())); };
    QJsonObject outline{{QStringLiteral("x1"), info.x1},         {QStringLiteral("x2"), info.x2},
                        {QStringLiteral("y1_low"), info.y1_low}, {QStringLiteral("y1_high"), info.y1_high},
                        {QStringLiteral("y2_low"), info.y2_low}, {QStringLiteral("y2_high"), info.y2_high}};
    return QJsonObject{
        {QStringLiteral("address"), text(info.address_text)},
        {QStringLiteral("serial"), QString::fromStdString(orvex::k7::serial_text(info.serial))},
        {QStringLiteral("firmware"), QString::fromStdString(info.version.to_string())},
        {QStringLiteral("type"), info.type},
        {QStringLiteral("type_name"), english(orvex::k7::device_type_name(info.type))},
        {QStringLiteral("family"), info.family},
        {QStringLiteral("flag"), int(info.flag)},
        // A kind byte outside printable ASCII (0 included) is given as "": no
        // control characters in JSON strings.
        {QStringLiteral("kind"), info.kind >= 0x20 && info.kind <= 0x7E
                                     ? QString(QChar::fromLatin1(static_cast<char>(info.kind)))
                                     : QString()},
        {QStringLiteral("board_code"), int(info.board)},
        {QStringLiteral("ident_valid"), info.ident_valid},
        {QStringLiteral("ident_text"), text(info.ident_text)},
        {QStringLiteral("shift"), int(info.shift)},
        {QStringLiteral("scale"), info.scale},
        {QStringLiteral("outline"), outline},
    };
}

} // namespace k7ctl
