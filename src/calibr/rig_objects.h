// The calibration rig's program-wide objects: the control board's ExtBoard
// (bound to the command link of the third device, which owns it), the rig
// state the procedures stand on, and the X and Y calibration states that
// survive between runs. Created on first use, alive for the whole run.
#pragma once

namespace orvex {
class ProgramSettings;
namespace k7 {
class ExtBoard;
}
namespace calibr {

class calibration_rig;
struct x_calibration_state;
struct y_calibration_state;

k7::ExtBoard& rig_board();
calibration_rig& rig();
x_calibration_state& x_state();
y_calibration_state& y_state();

/// Start-up, once the settings are loaded: the six coefficients
/// coef_moto_1..3 and coef_enc_1..3 become the rig board's.
void apply_rig_settings(const ProgramSettings& settings);

} // namespace calibr
} // namespace orvex
