#include "settings/form_settings.h"

#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "link/sensor_device.h"
#include "settings/w_sensor_settings.h"
#include "ui_form_settings.h"
#include "xfn/xfn_common.h"
#include "xfn/xfn_panels.h"

#include <QEvent>
#include <QIcon>
#include <exception>

using orvex::k7::qz3p_settings;
namespace app = orvex::app;

namespace {

// Runs one command on the first channel; link errors count as failure.
template <class Command>
bool on_first_channel(Command command)
{
    auto& first = app::device(0);
    if (!first.is_connected())
        return false;
    try {
        return command(first.commands());
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

FormSettings::FormSettings(QWidget* parent) : QWidget(parent), ui(new Ui::FormSettings)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/test/Resources/test/test-settings.png")));
    editor_ = new WSensorSettings(ui->widget_settings);
    ui->widget_settings->layout()->addWidget(editor_);
    editor_->set_user_conv_sets(app::program_settings().convolution_sets);
    // The main window places the form by its width before showing it.
    resize(sizeHint().expandedTo(size()));

    connect(editor_, &WSensorSettings::read_memory, this, [this] { editor_->show_result(read_memory()); });
    connect(editor_, &WSensorSettings::write_memory, this, [this](const qz3p_settings& s) {
        const bool ok = write_memory(s);
        editor_->show_result(ok);
        tell(ok ? tr("Настройки записаны в датчик") : tr("Не удалось записать настройки в датчик"));
    });
    connect(editor_, &WSensorSettings::read_flash, this, [this] { editor_->show_result(read_flash()); });
    connect(editor_, &WSensorSettings::write_flash, this, [this](const qz3p_settings& s) {
        const bool ok = write_flash(s);
        editor_->show_result(ok);
        tell(ok ? tr("Настройки записаны в ПЗУ датчика") : tr("Не удалось записать настройки в ПЗУ датчика"));
    });
    connect(editor_, &WSensorSettings::user_conv_set_updated, this, &FormSettings::store_user_conv_sets);

    auto& hub = app::program_events();
    connect(&hub, &orvex::ProgramEvents::sensor_connected, this, &FormSettings::sensor_connected);
    connect(&hub, &orvex::ProgramEvents::sensor_settings_changed, this,
            &FormSettings::sensor_settings_changed);
    // A sensor that answers again may have restarted with other settings:
    // the engineer must not go on editing values it no longer holds.
    connect(&hub, &orvex::ProgramEvents::sensor_answering, this, [this](bool answering) {
        if (answering && isVisible())
            read_memory();
    });
}

FormSettings::~FormSettings()
{
    delete ui;
}

bool FormSettings::read_memory()
{
    qz3p_settings s;
    if (!on_first_channel([&](orvex::k7::sensor_commands& c) { return c.read_settings_memory(s); }))
        return false;
    announce(s, true);
    return true;
}

bool FormSettings::write_memory(qz3p_settings s)
{
    fill_extension_block(s);
    if (!on_first_channel([&](orvex::k7::sensor_commands& c) { return c.write_settings_memory(s); }))
        return false;
    announce(s, true);
    return true;
}

bool FormSettings::read_flash()
{
    qz3p_settings s;
    if (!on_first_channel([&](orvex::k7::sensor_commands& c) { return c.read_settings_flash(s); }))
        return false;
    announce(s, false);
    return true;
}

bool FormSettings::write_flash(qz3p_settings s)
{
    fill_extension_block(s);
    return on_first_channel([&](orvex::k7::sensor_commands& c) { return c.write_settings_flash(s); });
}

void FormSettings::announce(const qz3p_settings& s, bool tell_receivers)
{
    emit app::program_events().sensor_settings_changed(s);
    hand_extension_block(s);
    if (tell_receivers)
        app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_settings(false); });
}

void FormSettings::tell(const QString& text)
{
    if (Quorin* window = app::main_window())
        window->show_message(text);
}

void FormSettings::fill_extension_block(qz3p_settings& s)
{
    // The first channel's current record: read at connection and after every
    // memory read or write of this sensor.
    const auto& first = app::device(0);
    if (first.is_connected())
        s.ext_block = first.commands().settings().ext_block;
    if (XFNCommonFunctions* panel = orvex::xfn::current_panel())
        panel->form_to_block(s.ext_block);
}

void FormSettings::hand_extension_block(const qz3p_settings& s)
{
    if (XFNCommonFunctions* panel = orvex::xfn::current_panel())
        panel->block_to_form(s.ext_block);
}

void FormSettings::sensor_connected(const orvex::k7::sensor_info& info)
{
    editor_->set_sensor(info);
}

void FormSettings::sensor_settings_changed(const qz3p_settings& s)
{
    editor_->show_settings(s);
}

void FormSettings::store_user_conv_sets()
{
    auto& settings = app::program_settings();
    settings.convolution_sets = editor_->user_conv_sets();
    settings.save(std::string(), false);
}

void FormSettings::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
