// Shared pieces of k7ctl's subcommands: exit codes, errors, option parsing
// with worked examples, human and JSON output, the progress bar, and the
// connection that most subcommands start with.
#pragma once

#include "link/sensor_device.h"

#include <QCommandLineParser>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace k7ctl {

enum exit_code { exit_ok = 0, exit_device = 1, exit_usage = 2 };

/// Ends a subcommand with a message on stderr and an exit code.
struct failure : std::runtime_error {
    failure(int exit, const QString& message) : std::runtime_error(message.toStdString()), code(exit) {}
    int code;
};
[[noreturn]] void usage_error(const QString& message);
[[noreturn]] void device_error(const QString& message);

/// Option parsing of one subcommand. parse() handles --help (prints the
/// usage and the examples, then ends with 0) and reports unknown options or
/// missing arguments as usage errors.
class options {
public:
    options(const QString& usage, const QString& description, const QString& examples);
    QCommandLineParser& parser() { return parser_; }
    void add(const QCommandLineOption& o) { parser_.addOption(o); }
    /// Parses; `min_positional`..`max_positional` positional arguments.
    void parse(const QStringList& args, int min_positional, int max_positional);
    QStringList positional() const { return parser_.positionalArguments(); }
    bool is_set(const QString& name) const { return parser_.isSet(name); }
    QString value(const QString& name) const { return parser_.value(name); }
    /// A whole number option within [lo, hi], or `fallback` when absent.
    long long number(const QString& name, long long fallback, long long lo, long long hi) const;
    double real(const QString& name, double fallback, double lo, double hi) const;

private:
    QCommandLineParser parser_;
    QString usage_;
    QString examples_;
};

/// A text the core composed (in Russian), in English.
QString english(const std::string& core_text);

void print_line(const QString& text);
void print_json(const QJsonValue& value);

/// A one-line progress bar on stderr, shown only when stderr is a terminal.
class progress {
public:
    explicit progress(const QString& label);
    ~progress();
    void update(double fraction);

private:
    QString label_;
    bool shown_;
    int last_ = -1;
};

/// Connects `device` to address:11681 or ends with a device error naming what failed.
void connect_or_fail(orvex::k7::sensor_device& device, const QString& address);

QJsonObject info_json(const orvex::k7::sensor_info& info);

int run_search(const QStringList& args);
int run_info(const QStringList& args);
int run_settings(const QStringList& args);
int run_profile(const QStringList& args);
int run_stream(const QStringList& args);
int run_frame(const QStringList& args);
int run_set_ip(const QStringList& args);
int run_flash(const QStringList& args);
int run_firmware(const QStringList& args);
int run_ident(const QStringList& args);
int run_tables(const QStringList& args);
int run_protect(const QStringList& args);
int run_regs(const QStringList& args);
int run_power(const QStringList& args);
int run_latch(const QStringList& args);
int run_errors(const QStringList& args);
int run_rig(const QStringList& args);
int run_calib(const QStringList& args);
int run_board(const QStringList& args);
int run_crawler(const QStringList& args);

} // namespace k7ctl
