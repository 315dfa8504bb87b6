// English for the texts that the core composes in Russian (job progress and
// results, file and table errors, device type names).
//
// The core has no translator: its texts are built from fixed Russian
// patterns with numbers, paths and names put in. The catalogue holds each
// pattern with %1..%9 for the parts put in, and its English; a text is
// matched against the patterns, the parts put in are translated in turn (a
// range item name, the verb of a progress text) and put into the English
// pattern. Short names (device types) are also replaced where they stand
// inside a longer text (a search list row). A text that matches nothing is
// returned as it is. The program uses this when the English interface is
// on, the command-line tool always.
#pragma once

#include <string>

namespace orvex {

std::string english_text(const std::string& text);

} // namespace orvex
