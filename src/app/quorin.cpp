#include "app/quorin.h"

#include "app/data_folder.h"
#include "app/program.h"
#include "app/program_settings.h"
#include "calibr/form_calibr.h"
#include "diag/error_state_text.h"
#include "diag/form_debug.h"
#include "diag/form_laser_tuning.h"
#include "flash/flash_engine.h"
#include "flash/form_flash.h"
#include "imaging/form_image.h"
#include "link/page_connection.h"
#include "link/sensor_device.h"
#include "profiles/form_sandbox.h"
#include "profiles/page_chart.h"
#include "settings/form_settings.h"
#include "ui_quorin.h"
#include "xfn/xfn_common.h"
#include "xfn/xfn_panels.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>

using orvex::app::program_settings;

namespace {

const QString unlock_word = QStringLiteral("zanbrik");

void bring_to_front(QWidget* w)
{
    if (!w->isVisible())
        w->showNormal();
    w->raise();
    w->activateWindow();
}

} // namespace

Quorin::Quorin(QWidget* parent) : QMainWindow(parent), ui(new Ui::Quorin)
{
    ui->setupUi(this);
    {
        const QSignalBlocker block(ui->combo_style);
        ui->combo_style->addItems(QStyleFactory::keys());
    }
    setWindowTitle(QStringLiteral("Quorin ") + orvex::app::version_string + QStringLiteral(" - "));
    ui->tool_xfn->hide();
    ui->tool_xmod->hide();

    for (QToolButton* b : {ui->toolConnection, ui->toolChart, ui->tool_xfn, ui->tool_xmod, ui->toolBitstream,
                           ui->toolLatch, ui->toolDebug})
        connect(b, &QToolButton::clicked, this, &Quorin::groupTab_ItemChanged);
    connect(ui->toolImage, &QToolButton::clicked, this, [] { bring_to_front(orvex::app::form_image()); });
    connect(ui->toolSettings, &QToolButton::clicked, this, &Quorin::show_settings_form);

    ui->pageChart->setEnabled(false);
    ui->pageBitstream->setEnabled(false);
    attach_detach_menu(ui->toolChart, ui->pageChart);
    attach_detach_menu(ui->tool_xfn, ui->page_xfn);

    connect(ui->cbStatusErrorState, &QCheckBox::toggled, this,
            [](bool checked) { program_settings().sensor_errors_poll = checked; });
    connect(ui->cbDevMode, &QCheckBox::toggled, this,
            [this](bool checked) { set_developer_mode(checked, false); });
    connect(ui->btnShowDebugForm, &QPushButton::clicked, this, [] { orvex::app::form_debug()->show(); });
    connect(ui->btnShowFormCalibr, &QPushButton::clicked, this,
            [] { orvex::app::form_calibr()->show_and_connect(); });
    connect(ui->btnShowFormLaserTuning, &QPushButton::clicked, this,
            [] { orvex::app::form_laser_tuning()->show(); });
    ui->cbStatusErrorState->setChecked(program_settings().sensor_errors_poll);
    progress_ = new QProgressBar(ui->frameStatus);
    progress_->setObjectName(QStringLiteral("barStatusProgress"));
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(160);
    progress_->hide();
    ui->horizontalLayout_7->insertWidget(ui->horizontalLayout_7->indexOf(ui->labStatus) + 1, progress_);

    main_timer_ = new QTimer(this);
    main_timer_->setTimerType(Qt::PreciseTimer);
    connect(main_timer_, &QTimer::timeout, this, &Quorin::on_MainTimerTimeout);
    main_timer_->start(1);
    install_device_callbacks();

    resize(minimumSizeHint().width(), height());
}

Quorin::~Quorin()
{
    delete ui;
}

void Quorin::show_message(const QString& text)
{
    ui->labStatus->setText(text);
    ui->labStatus->setToolTip(text);
}

void Quorin::show_progress(int percent)
{
    if (percent < 0) {
        progress_->hide();
        return;
    }
    progress_->setValue(percent);
    progress_->show();
}

void Quorin::groupTab_ItemChanged()
{
    const std::pair<QToolButton*, QWidget*> pages[] = {
        {ui->toolConnection, ui->pageConnection},
        {ui->toolChart, ui->pageChart},
        {ui->tool_xfn, ui->page_xfn},
        {ui->tool_xmod, ui->page_xmod},
        {ui->toolBitstream, ui->pageBitstream},
        {ui->toolLatch, ui->pageLatch},
        {ui->toolDebug, ui->pageDebug},
    };
    for (const auto& [button, page] : pages) {
        if (!button->isChecked())
            continue;
        if (ui->stackWidget->indexOf(page) >= 0)
            ui->stackWidget->setCurrentWidget(page);
        else
            bring_to_front(page); // detached into a window of its own
    }
}

void Quorin::host_page(QWidget* container, QWidget* page)
{
    container->layout()->addWidget(page);
}

void Quorin::install_device_callbacks()
{
    // Profiles of either channel reach the receivers first, then the hub.
    for (int channel = 0; channel < 2; ++channel) {
        orvex::app::device(channel).engine().set_profile_handler([channel] {
            orvex::app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_profile_received(); });
            emit orvex::app::program_events().sensor_last_result(channel);
        });
    }
    orvex::app::device(0).engine().set_image_handler(
        [] { emit orvex::app::program_events().image_received(); });
}

void Quorin::on_MainTimerTimeout()
{
    auto& first = orvex::app::device(0);
    auto& second = orvex::app::device(1);
    orvex::app::page_task_list().resume_all();
    first.flash().jobs().resume_flash_jobs();
    PageChart* chart = orvex::app::page_chart();
    const bool chart_shown = ui->stackWidget->currentWidget() == ui->pageChart ||
                             (ui->pageChart->parentWidget() == nullptr && ui->pageChart->isVisible());
    const bool chart_polls = chart != nullptr && chart_shown && chart->poll_checked();
    FormSandbox* sandbox = orvex::app::form_sandbox();
    const bool sandbox_polls = sandbox->isVisible() && sandbox->poll_checked();
    const bool calibr_polls = orvex::app::form_calibr()->wants_profiles();
    if (XFNCommonFunctions* panel = orvex::xfn::current_panel(); panel != nullptr && first.is_connected())
        panel->poll();
    first.engine().set_profile_poll(chart_polls || sandbox_polls || calibr_polls);
    second.engine().set_profile_poll(chart_polls || calibr_polls);
    emit orvex::app::program_events().timer_tick();
    watch_channels();
    if (first.is_connected()) {
        poll_error_state();
        if (watches_[0].may_block())
            first.engine().step();
    }
    if (second.is_connected() && watches_[1].may_block())
        second.engine().step();
    orvex::app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_timer_tick(); });
}

void Quorin::watch_channels()
{
    for (int channel = 0; channel < 2; ++channel) {
        auto& device = orvex::app::device(channel);
        if (!device.is_connected())
            continue;
        if (device.flash().jobs().busy()) {
            watches_[channel].rest();
            continue;
        }
        const auto change = watches_[channel].step(device);
        if (channel != 0 || change == orvex::k7::connection_watch::change::none)
            continue;
        const bool answering = change == orvex::k7::connection_watch::change::answering;
        const QString address = QString::fromStdString(device.commands().info().address_text);
        show_message(answering ? tr("Датчик %1 снова отвечает").arg(address)
                               : tr("Нет связи с датчиком %1").arg(address));
        emit orvex::app::program_events().sensor_answering(answering);
    }
}

void Quorin::poll_error_state()
{
    // The request and its reply are a few ticks apart, so a silent sensor
    // never holds a tick; after three failures the poll backs off.
    const auto& settings = program_settings();
    QCheckBox* box = ui->cbStatusErrorState;
    if (!settings.sensor_errors_poll || settings.sensor_errors_poll_period_ms <= 0) {
        box->setText(QStringLiteral("---"));
        error_poll_.reset();
        return;
    }
    auto& first = orvex::app::device(0);
    if (!settings.developer_mode || ui->stackWidget->currentWidget() == ui->pageBitstream ||
        !first.is_connected()) {
        error_poll_.reset();
        if (error_poll_clock_.isValid() &&
            error_poll_clock_.elapsed() < settings.sensor_errors_poll_period_ms)
            return;
        error_poll_clock_.restart();
        box->setText(QStringLiteral("---"));
        return;
    }
    std::array<std::uint8_t, 16> state{};
    switch (error_poll_.step(first.commands(), settings.sensor_errors_poll_period_ms, state)) {
    case orvex::diag::error_state_poll::event::answered:
        box->setText(QString::fromStdString(orvex::diag::error_state_text(state)));
        break;
    case orvex::diag::error_state_poll::event::failed:
        box->setText(
            QString::fromStdString(orvex::diag::error_state_failure_text(box->text().toStdString())));
        break;
    default:
        break;
    }
}

void Quorin::on_sensor_connected()
{
    error_poll_.reset();
    ui->pageChart->setEnabled(true);
    ui->pageBitstream->setEnabled(true);
}

void Quorin::build_xfn_panel()
{
    ui->tool_xfn->hide();
    const auto& info = orvex::app::device(0).commands().info();
    if (orvex::xfn::build_panel(info.board, ui->page_xfn) == nullptr)
        return;
    ui->tool_xfn->setText(orvex::xfn::panel_title(info.board));
    ui->tool_xfn->show();
    if (XFNCommonFunctions* panel = orvex::xfn::current_panel())
        panel->board_connected(QString::fromStdString(info.address_text));
}

void Quorin::on_sensor_disconnected()
{
    ui->tool_xfn->hide();
    ui->tool_xfn->setText(QStringLiteral("xfn"));
    orvex::xfn::remove_panels(ui->page_xfn);
}

void Quorin::on_developer_mode(bool on)
{
    auto& settings = program_settings();
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->toolLatch, ui->toolDebug, ui->groupConnectionExt, ui->btnShowFormCalibr,
             ui->btnShowDebugForm, ui->btnShowFormLaserTuning, ui->comboLanguage, ui->btnTest0, ui->btnTest1,
             ui->btnTest2, ui->btnTest3, ui->cbStatusErrorState, ui->frameStatusSeparatorErrorState})
        w->setVisible(on);
    {
        const QSignalBlocker block(ui->cbDevMode);
        ui->cbDevMode->setChecked(on);
        ui->cbDevMode->setVisible(settings.dev_checkbox_visible);
    }
    settings.developer_mode = on;
    if (on)
        settings.dev_checkbox_visible = true;
    ui->frameStatusSeparatorDevMode->setVisible(settings.dev_checkbox_visible);
    // The developer column widens the window once the layout has run; the
    // settings window standing at its right edge moves along instead of
    // being covered.
    QTimer::singleShot(0, this, [this] {
        QWidget* form = orvex::app::form_settings();
        if (form->isVisible() && form->frameGeometry().intersects(frameGeometry()))
            place_settings_form(form);
    });
}

void Quorin::place_settings_form(QWidget* form)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int x = std::min(screen.right() - form->width(), this->x() + width());
    form->move(x, y());
}

void Quorin::set_developer_mode(bool on, bool by_typing)
{
    auto& settings = program_settings();
    if (by_typing)
        settings.developer_mode_unlocked = true;
    if (XFNCommonFunctions* panel = orvex::xfn::current_panel())
        panel->set_developer_mode(on);
    orvex::app::for_each_receiver([on](orvex::IProgramEvents& r) { r.on_developer_mode(on); });
    if (!by_typing)
        settings.save(std::string(), false);
}

void Quorin::keyPressEvent(QKeyEvent* event)
{
    typed_ = QString(typed_ + event->text()).right(unlock_word.size());
    if (typed_ == unlock_word)
        set_developer_mode(true, true);
    QMainWindow::keyPressEvent(event);
}

void Quorin::on_btn_flash_show_clicked()
{
    orvex::app::form_flash()->show();
}

void Quorin::on_btn_sandbox_clicked()
{
    orvex::app::form_sandbox()->showMaximized();
}

void Quorin::on_combo_style_currentTextChanged(const QString& text)
{
    QApplication::setStyle(QStyleFactory::create(text));
}

void Quorin::on_comboLanguage_currentTextChanged(const QString& text)
{
    const QSignalBlocker block(ui->comboLanguage);
    if (text == QStringLiteral("English"))
        load_language(QStringLiteral("quorin_en.qm"));
    else
        load_language(QStringLiteral("default_language"));
    ui->comboLanguage->setCurrentText(text);
}

void Quorin::load_language(const QString& file)
{
    // Titles that forms set in code (not from their .ui) are not retranslated
    // by the forms themselves; they are kept in the built-in language and
    // translated here in the form's own context.
    for (QWidget* form : orvex::app::top_level_forms())
        if (form != this && !built_in_titles_.contains(form))
            built_in_titles_.insert(form, form->windowTitle());
    QCoreApplication::removeTranslator(&translator_);
    // The current (data) folder first, then where the program ships it.
    QString path = file;
    if (!QFileInfo::exists(path)) {
        const auto shipped = orvex::app::shipped_path(
            std::filesystem::u8path(QCoreApplication::applicationDirPath().toStdString()),
            file.toStdString());
        if (!shipped.empty())
            path = QString::fromStdString(shipped.u8string());
    }
    const bool loaded = translator_.load(path);
    if (loaded)
        QCoreApplication::installTranslator(&translator_);
    orvex::app::set_english_interface(loaded && file == QStringLiteral("quorin_en.qm"));
    ui->retranslateUi(this);
    for (const auto& [detach, attach] : detach_actions_) {
        detach->setText(tr("Открыть в новом окне"));
        attach->setText(tr("Вернуть во вкладку"));
    }
    for (auto it = built_in_titles_.cbegin(); it != built_in_titles_.cend(); ++it)
        it.key()->setWindowTitle(QCoreApplication::translate(it.key()->metaObject()->className(),
                                                             it.value().toUtf8().constData()));
}

void Quorin::attach_detach_menu(QToolButton* button, QWidget* page)
{
    auto* menu = new QMenu(button);
    QAction* detach = menu->addAction(tr("Открыть в новом окне"));
    QAction* attach = menu->addAction(tr("Вернуть во вкладку"));
    detach_actions_.emplace_back(detach, attach);
    connect(detach, &QAction::triggered, this, [page] {
        if (page->parentWidget() == nullptr)
            return;
        page->setParent(nullptr);
        page->show();
    });
    connect(attach, &QAction::triggered, this, [this, page] {
        if (ui->stackWidget->indexOf(page) >= 0)
            return;
        ui->stackWidget->addWidget(page);
    });
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(button, &QWidget::customContextMenuRequested, this,
            [button, menu](const QPoint& pos) { menu->popup(button->mapToGlobal(pos)); });
}

void Quorin::show_settings_form()
{
    QWidget* form = orvex::app::form_settings();
    place_settings_form(form);
    bring_to_front(form);
}

void Quorin::closeEvent(QCloseEvent* event)
{
    main_timer_->stop();
    if (PageConnection* page = orvex::app::page_connection())
        page->stop_search();
    auto& tasks = orvex::app::page_task_list();
    tasks.resume_all();
    tasks.drop_all();
    for (QWidget* form : orvex::app::top_level_forms())
        if (form != this)
            form->close();
    // Detached pages are windows of their own; they go with the main window.
    for (QWidget* page : {ui->pageChart, ui->page_xfn})
        if (page->parentWidget() == nullptr)
            page->close();
    // A running flash job stops between two pages; dropping it sends measuring
    // mode while the links are still open, so the sensor is never left in
    // flash-work mode (an unfinished firmware image keeps its first page erased).
    for (int i = 0; i < 3; ++i)
        orvex::app::device(i).flash().jobs().drop_all();
    for (int i = 0; i < 3; ++i)
        if (orvex::app::device(i).is_connected())
            orvex::app::device(i).disconnect();
    orvex::app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_disconnected(); });
    ui->tool_xfn->hide();
    auto& settings = program_settings();
    settings.image_window_resolution = orvex::app::form_image()->full_resolution() ? "1280x1024" : "640x512";
    if (PageConnection* page = orvex::app::page_connection())
        settings.ethernet_mask = page->search_address().toStdString();
    settings.save(std::string(), true);
    event->accept();
}
