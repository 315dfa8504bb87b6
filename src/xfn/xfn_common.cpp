#include "xfn/xfn_common.h"

#include "app/program.h"
#include "app/program_events.h"
#include "link/sensor_commands.h"
#include "link/sensor_device.h"
#include "xfn/xfn_board.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>

using orvex::k7::qz3p_settings;

namespace {

QAbstractButton* markable(QObject* sender)
{
    if (qobject_cast<QPushButton*>(sender) == nullptr && qobject_cast<QCheckBox*>(sender) == nullptr)
        return nullptr;
    return static_cast<QAbstractButton*>(sender);
}

} // namespace

void XFNCommonFunctions::mark(QObject* sender, bool ok)
{
    if (QAbstractButton* b = markable(sender))
        b->setIcon(ok ? orvex::app::icons().accept : orvex::app::icons().close);
}

void XFNCommonFunctions::mark_exclusive(QObject* sender, bool ok)
{
    QAbstractButton* b = markable(sender);
    if (b == nullptr)
        return;
    if (last_exclusive_ && last_exclusive_ != b)
        last_exclusive_->setIcon(orvex::app::icons().empty);
    last_exclusive_ = b;
    mark(b, ok);
}

orvex::k7::sensor_commands* XFNCommonFunctions::sensor()
{
    auto& first = orvex::app::device(0);
    return first.is_connected() ? &first.commands() : nullptr;
}

bool XFNCommonFunctions::settings_read_memory()
{
    auto* c = sensor();
    qz3p_settings s;
    if (c == nullptr || !c->read_settings_memory(s))
        return false;
    emit orvex::app::program_events().sensor_settings_changed(s);
    block_to_form(s.ext_block);
    orvex::app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_settings(false); });
    return true;
}

bool XFNCommonFunctions::settings_write_memory()
{
    auto* c = sensor();
    if (c == nullptr)
        return false;
    qz3p_settings s = c->settings();
    form_to_block(s.ext_block);
    return c->write_settings_memory(s);
}

bool XFNCommonFunctions::settings_read_flash()
{
    auto* c = sensor();
    qz3p_settings s;
    if (c == nullptr || !c->read_settings_flash(s))
        return false;
    emit orvex::app::program_events().sensor_settings_changed(s);
    block_to_form(s.ext_block);
    return true;
}

bool XFNCommonFunctions::settings_write_flash()
{
    auto* c = sensor();
    if (c == nullptr)
        return false;
    qz3p_settings s = c->settings();
    form_to_block(s.ext_block);
    return c->write_settings_flash(s);
}

bool XFNCommonFunctions::area_read(bool flash)
{
    auto* c = sensor();
    if (c == nullptr)
        return false;
    orvex::xfn::xfn_board board(*c);
    orvex::xfn::param_area a{};
    if (!(flash ? board.read_flash_params(a) : board.read_params(a)))
        return false;
    area_to_form(a);
    return true;
}

bool XFNCommonFunctions::area_write(bool flash)
{
    auto* c = sensor();
    if (c == nullptr)
        return false;
    orvex::xfn::xfn_board board(*c);
    const orvex::xfn::param_area a = form_to_area();
    return flash ? board.write_flash_params(a) : board.write_params(a);
}
