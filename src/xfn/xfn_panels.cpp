#include "xfn/xfn_panels.h"

#include "app/program.h"
#include "crawler/form_xfn_crawler.h"
#include "xfn/form_xfn0f_in2_out4.h"
#include "xfn/form_xfn30_stepping_motor.h"
#include "xfn/form_xfn40_led_pwm.h"
#include "xfn/form_xfn50.h"
#include "xfn/form_xfn51.h"
#include "xfn/form_xfn81_therm_enc.h"
#include "xfn/form_xfn82.h"
#include "xfn/form_xfn_elis.h"
#include "xfn/xfn_board.h"
#include "xfn/xfn_common.h"

#include <QLayout>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace orvex::xfn {
namespace {

struct panel_entry {
    std::uint8_t code;
    QWidget* (*make)();
};

template <class Panel>
QWidget* make()
{
    return new Panel;
}

// One line per board type; the panel class also derives from XFNCommonFunctions.
// The tool button is titled with the board's name (xfn::board_name).
const panel_entry panel_table[] = {
    {board_type::outputs, make<FormXfn0F_in2_out4>},
    {board_type::elis, make<FormXFNElis>},
    {board_type::stepper, make<FormXfn30_SteppingMotor>},
    {board_type::led, make<FormXfn40_LedPwm>},
    {board_type::motors, make<FormXfn50>},
    {board_type::tube, make<FormXfn51>},
    {board_type::crawler, make<form_xfn_crawler>},
    {board_type::thermo, make<FormXfn81ThermEnc>},
    {board_type::welding, make<FormXfn82>},
};

const panel_entry* find(std::uint8_t code)
{
    for (const auto& e : panel_table)
        if (e.code == code)
            return &e;
    return nullptr;
}

QPointer<QWidget> current_widget;
XFNCommonFunctions* current = nullptr;

} // namespace

QString panel_title(std::uint8_t code)
{
    return find(code) != nullptr ? orvex::app::core_text(board_name(code)) : QString();
}

QWidget* build_panel(std::uint8_t code, QWidget* page)
{
    const panel_entry* e = find(code);
    if (e == nullptr)
        return nullptr;
    QWidget* w = e->make();
    page->layout()->addWidget(w);
    current_widget = w;
    current = dynamic_cast<XFNCommonFunctions*>(w);
    return w;
}

void remove_panels(QWidget* page)
{
    current = nullptr;
    current_widget = nullptr;
    QLayout* layout = page->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

XFNCommonFunctions* current_panel()
{
    return current_widget ? current : nullptr;
}

QWidget* current_panel_widget()
{
    return current_widget;
}

} // namespace orvex::xfn
