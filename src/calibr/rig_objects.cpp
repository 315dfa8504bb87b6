#include "calibr/rig_objects.h"

#include "app/program.h"
#include "app/program_settings.h"
#include "calibr/calibration_rig.h"
#include "calibr/ext_board.h"
#include "calibr/x_calibration.h"
#include "calibr/y_calibration.h"
#include "link/sensor_device.h"

namespace orvex::calibr {

k7::ExtBoard& rig_board()
{
    static k7::ExtBoard* board = new k7::ExtBoard(app::device(2).link(k7::link_command)); // whole run
    return *board;
}

calibration_rig& rig()
{
    static calibration_rig* r = [] {
        auto* made = new calibration_rig(rig_board()); // whole run
        made->second_sensor = [] { return app::device(1).is_connected(); };
        return made;
    }();
    return *r;
}

x_calibration_state& x_state()
{
    static x_calibration_state state;
    return state;
}

y_calibration_state& y_state()
{
    static y_calibration_state state;
    return state;
}

void apply_rig_settings(const ProgramSettings& settings)
{
    k7::ExtBoardCoefficients c;
    for (std::size_t i = 0; i < 3; ++i) {
        c.motor[i] = settings.coef_moto[i];
        c.encoder[i] = settings.coef_enc[i];
    }
    rig_board().set_coefficients(c);
}

} // namespace orvex::calibr
