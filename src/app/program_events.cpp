#include "app/program_events.h"

namespace orvex {

ProgramEvents::ProgramEvents()
{
    qRegisterMetaType<orvex::k7::sensor_info>("orvex::k7::sensor_info");
    qRegisterMetaType<orvex::k7::qz3p_settings>("orvex::k7::qz3p_settings");
}

} // namespace orvex
