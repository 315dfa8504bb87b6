// Fuzz target: the Y calibration result file and corner detection.
//
// Input: any bytes. Read as a result file (CalibrY.txt) and, when it reads,
// turned into a Y table; also taken as a calibration profile of up to 1024
// doubles for corner detection on both channels.
// Checked: no crash or undefined behaviour; a built table has 1024 x 1280
// cells, each 65535 or finite; every corner lies on a found pair of lines.
#include "calibr/corner_detection.h"
#include "calibr/y_table.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orvex::calibr;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::vector<corner_entry>> groups;
    std::string error;
    if (read_y_results(in, groups, error)) {
        const y_table t = build_y_table(groups);
        if (t.ok) {
            if (t.cells.size() != 1024u * 1280u)
                std::abort();
            for (double v : t.cells)
                if (v != y_table_empty && !std::isfinite(v))
                    std::abort();
        }
    } else if (error.empty()) {
        std::abort();
    }

    std::vector<double> profile(std::min<std::size_t>(size / sizeof(double), 1024));
    if (!profile.empty())
        std::memcpy(profile.data(), data, profile.size() * sizeof(double));
    for (int channel : {1, 2}) {
        const corner_result r = find_corners(profile.data(), profile.size(), channel, channel == 2);
        if (r.corners.size() * 2 > r.a_points.size() + r.b_points.size())
            std::abort();
    }
    return 0;
}
