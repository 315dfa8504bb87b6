#include "xfn/xfn_panels.h"

#include "crawler/form_xfn_crawler.h"
#include "xfn/form_xfn0f_in2_out4.h"
#include "xfn/form_xfn30_stepping_motor.h"
#include "xfn/form_xfn40_led_pwm.h"
#include "xfn/form_xfn50.h"
#include "xfn/form_xfn51.h"
#include "xfn/form_xfn81_therm_enc.h"
#include "xfn/form_xfn82.h"
#include "xfn/form_xfn_elis.h"
#include "xfn/xfn_common.h"

#include <QCoreApplication>
#include <QLayout>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace orvex::xfn {
namespace {

struct panel_entry {
    std::uint8_t code;
    const char* title; // translated in the context "XfnPanels"
    QWidget* (*make)();
};

template <class Panel>
QWidget* make()
{
    return new Panel;
}

// One line per board type; the panel class also derives from XFNCommonFunctions.
const panel_entry panel_table[] = {
    {0x0F, QT_TRANSLATE_NOOP("XfnPanels", "Дискретные выходы"), make<FormXfn0F_in2_out4>},
    {0x10, QT_TRANSLATE_NOOP("XfnPanels", "ELIS"), make<FormXFNElis>},
    {0x30, QT_TRANSLATE_NOOP("XfnPanels", "Шаговый двигатель"), make<FormXfn30_SteppingMotor>},
    {0x40, QT_TRANSLATE_NOOP("XfnPanels", "Светодиоды"), make<FormXfn40_LedPwm>},
    {0x50, QT_TRANSLATE_NOOP("XfnPanels", "Двигатели, энкодеры"), make<FormXfn50>},
    {0x51, QT_TRANSLATE_NOOP("XfnPanels", "Трубный"), make<FormXfn51>},
    {0x80, QT_TRANSLATE_NOOP("XfnPanels", "Кроулер"), make<form_xfn_crawler>},
    {0x81, QT_TRANSLATE_NOOP("XfnPanels", "Термостат, энкодер"), make<FormXfn81ThermEnc>},
    {0x82, QT_TRANSLATE_NOOP("XfnPanels", "Сварочный"), make<FormXfn82>},
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
    const panel_entry* e = find(code);
    return e ? QCoreApplication::translate("XfnPanels", e->title) : QString();
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
