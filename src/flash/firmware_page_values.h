// Values the firmware page shows or checks, kept free of widgets: the
// progress of a running flash job as a percentage, the sensor's serial as a
// number, the firmware version line, and whether an identification outline
// fits the 16-bit words of the record.
#pragma once

#include "flash/flash_engine.h"
#include "flash/ident_record.h"

#include <cstddef>
#include <optional>
#include <string>

namespace orvex::k7 {

struct sensor_info;

/// Counts the progress reports of one job. A job reports once before each of
/// its `steps` steps (pages, or table rows for the read-back) and once at the
/// end, so after the k-th progress report (k from 1) k - 1 steps are done.
class job_progress {
public:
    explicit job_progress(std::size_t steps = 0) : steps_(steps) {}

    /// Takes one report and returns the percentage to show (0..100).
    int advance(const flash_status& status);
    int percent() const;
    bool finished() const { return finished_; }

private:
    std::size_t steps_ = 0;
    std::size_t reports_ = 0;
    bool finished_ = false;
    bool success_ = false;
};

/// The sensor's serial (five raw bytes, zero-padded) as a number 0..99999;
/// nothing when the text is not a plain decimal number (strict: digits only,
/// trailing zero bytes ignored, at least one digit).
std::optional<int> serial_number(const std::string& raw);

/// "49m.<device type name>": the running firmware version and the device type (UTF-8).
std::string firmware_version_line(const sensor_info& info);

/// Why the outline of `fields` cannot be stored with its fractional bits:
/// an X value times 2^p outside 0..65535 or a Y value outside
/// -32768..32767 would wrap into a different number. Empty text: it fits.
std::string ident_outline_problem(const ident_fields& fields);

} // namespace orvex::k7
