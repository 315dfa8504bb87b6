// Fuzz target: the debug record's descriptor parser and field extraction.
//
// Input: the first 256 bytes are the descriptor as the sensor sends it (cut
// into four lines, each parsed), the rest is the record the fields are
// extracted from. Checked: no crash or undefined behaviour; every field kept
// spans at most 64 bits with hi at or above lo; a field's value fits its width.
#include "diag/debug_record.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orvex::diag;
    std::vector<std::uint8_t> descriptor(descriptor_bytes, ' ');
    const std::size_t head = size < descriptor_bytes ? size : descriptor_bytes;
    for (std::size_t i = 0; i < head; ++i)
        descriptor[i] = data[i];
    const std::uint8_t* record = data + head;
    const std::size_t record_size = size - head;
    for (const auto& line : descriptor_lines(descriptor.data())) {
        const auto layout = parse_descriptor_line(line);
        for (const auto& f : layout.fields) {
            if (f.lo < 0 || f.hi < f.lo || f.hi - f.lo >= 64)
                std::abort();
            const std::uint64_t v = extract_field(record, record_size, f.hi, f.lo);
            const int width = f.hi - f.lo + 1;
            if (width < 64 && (v >> width) != 0)
                std::abort();
        }
    }
    return 0;
}
