#include "diag/form_debug.h"

#include "app/program.h"
#include "link/sensor_device.h"
#include "ui_form_debug.h"

#include <QEvent>
#include <QLabel>
#include <cmath>

namespace app = orvex::app;
namespace diag = orvex::diag;

FormDebug::FormDebug(QWidget* parent) : QWidget(parent), ui(new Ui::FormDebug)
{
    ui->setupUi(this);
    setWindowTitle(tr("DebugForm"));
    set_command_texts();
    ui->chartMain->set_ranges(0, 1280, 0, 1024);
}

FormDebug::~FormDebug()
{
    delete ui;
}

void FormDebug::set_command_texts()
{
    ui->btnCmdEA->setText(QStringLiteral("SyncChanCode"));
    ui->btnCmdEB->setText(QStringLiteral("Bitslip"));
    ui->btnCmdEC->setText(QStringLiteral("ChanSelect"));
    ui->btnCmdED->setText(QString());
    ui->btnCmdEE->setText(QStringLiteral("Delay Inc"));
    ui->btnCmdEF->setText(QStringLiteral("Delay Dec"));
}

void FormDebug::set_result(QAbstractButton* button, bool ok)
{
    button->setIcon(ok ? app::icons().accept : app::icons().close);
}

void FormDebug::on_btnCmdEB_clicked()
{
    app::device(0).commands().debug_eb();
}

void FormDebug::on_btnReadDescr_clicked()
{
    auto& commands = app::device(0).commands();
    if (!commands.read_descriptor_debug()) {
        ui->btnReadDescr->setText(QStringLiteral("-----"));
        return;
    }
    ui->btnReadDescr->setText(QStringLiteral("Read Descr"));
    const auto lines = diag::descriptor_lines(commands.buffer() + 1);
    layout_ = diag::parse_descriptor_line(lines[0]);
    rebuild_fields();
}

void FormDebug::rebuild_fields()
{
    for (QLabel* l : names_)
        delete l;
    for (QLabel* l : values_)
        delete l;
    names_.clear();
    values_.clear();
    ui->groupOnce0->setTitle(QString::fromLocal8Bit(layout_.name.c_str()));
    int row = 0;
    for (const auto& field : layout_.fields) {
        auto* name =
            new QLabel(QString::fromLocal8Bit(field.name.c_str()) + QStringLiteral(" :"), ui->groupOnce0);
        auto* value = new QLabel(QStringLiteral("---"), ui->groupOnce0);
        name->setObjectName(QStringLiteral("labOnceName%1").arg(row));
        value->setObjectName(QStringLiteral("labOnceValue%1").arg(row));
        ui->gridOnce0->addWidget(name, row, 0);
        ui->gridOnce0->addWidget(value, row, 1);
        names_.push_back(name);
        values_.push_back(value);
        ++row;
    }
}

void FormDebug::on_btnOnceRead_clicked()
{
    auto& commands = app::device(0).commands();
    const std::size_t n = layout_.length;
    const bool ok = commands.read_once_debug(n);
    set_result(ui->btnOnceRead, ok);
    if (!ok) {
        ui->btnOnceRead->setText(QStringLiteral("-----"));
        return;
    }
    ui->btnOnceRead->setText(QStringLiteral("PushButton"));
    for (std::size_t i = 0; i < layout_.fields.size() && i < values_.size(); ++i) {
        const auto& f = layout_.fields[i];
        const std::uint64_t v = diag::extract_field(commands.buffer() + 1, n, f.hi, f.lo);
        values_[i]->setText(QString::number(static_cast<double>(v), 'g', 6));
    }
}

void FormDebug::on_btn_time_reset_clicked()
{
    set_result(ui->btn_time_reset, app::device(0).commands().time_reset());
}

void FormDebug::on_btn_time_shift_clicked()
{
    const double shift = std::trunc(ui->spin_time_shift->value());
    set_result(ui->btn_time_shift, app::device(0).commands().time_shift(static_cast<std::uint32_t>(shift)));
}

void FormDebug::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        // Captions that carry a read state stay as they are.
        const QString descr = ui->btnReadDescr->text();
        const QString once = ui->btnOnceRead->text();
        const QString title = ui->groupOnce0->title();
        ui->retranslateUi(this);
        setWindowTitle(tr("DebugForm"));
        set_command_texts();
        ui->btnReadDescr->setText(descr);
        ui->btnOnceRead->setText(once);
        ui->groupOnce0->setTitle(title);
    }
    QWidget::changeEvent(event);
}
