#include "settings/form_convolution.h"

#include "app/program.h"
#include "charts/chart_orvex.h"
#include "settings/convolution_list.h"
#include "ui_form_convolution.h"

#include <QComboBox>
#include <QEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSpinBox>

using orvex::ConvolutionSet;
using orvex::qt::ChartOrvex;

FormConvolution::FormConvolution(QComboBox* bound, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ui(new Ui::FormConvolution),
      bound_(bound)
{
    ui->setupUi(this);
    for (std::size_t i = 0; i < spins_.size(); ++i) {
        spins_[i] = findChild<QSpinBox*>(QStringLiteral("spin_coef_%1").arg(i));
        // Typed coefficients count once complete: each intermediate value
        // would otherwise reach the sensor when the editor writes on change.
        spins_[i]->setKeyboardTracking(false);
        connect(spins_[i], QOverload<int>::of(&QSpinBox::valueChanged), this,
                &FormConvolution::coefficient_edited);
    }
    ChartOrvex* chart = ui->chart_conv;
    chart->set_x_range(-15, 15);
    chart->set_y_range(-100, 100);
    auto* curve = chart->named(ChartOrvex::Blue).curve;
    curve->marker_style = orvex::qt::MarkerStyle::Circle;
    curve->marker_size = 2.5;
    curve->connect = true;
    curve->line_width = 1.0;
    connect(bound_, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &FormConvolution::bound_index_changed);
    rebuild_combos(orvex::matching_set_index(orvex::combined_sets(user_), coefficients()));
}

FormConvolution::~FormConvolution()
{
    delete ui;
}

ConvolutionSet::Coefficients FormConvolution::coefficients() const
{
    ConvolutionSet::Coefficients c{};
    for (std::size_t i = 0; i < spins_.size(); ++i)
        c[i] = static_cast<std::int16_t>(spins_[i]->value());
    return c;
}

void FormConvolution::show_record_coefficients(const ConvolutionSet::Coefficients& c)
{
    select_in_both(orvex::matching_set_index(orvex::combined_sets(user_), c));
    show_coefficients(c);
}

void FormConvolution::set_user_sets(const std::vector<ConvolutionSet>& sets)
{
    user_ = sets;
    rebuild_combos(orvex::matching_set_index(orvex::combined_sets(user_), coefficients()));
}

void FormConvolution::on_combo_sets_currentIndexChanged(int index)
{
    pick(index, bound_);
}

void FormConvolution::bound_index_changed(int index)
{
    pick(index, ui->combo_sets);
}

void FormConvolution::pick(int index, QComboBox* other)
{
    {
        const QSignalBlocker block(other);
        other->setCurrentIndex(index);
    }
    const auto all = orvex::combined_sets(user_);
    if (index < 0 || index >= static_cast<int>(all.size()))
        return;
    show_coefficients(all[static_cast<std::size_t>(index)].data);
    emit settings_changed();
}

void FormConvolution::coefficient_edited()
{
    const auto c = coefficients();
    select_in_both(orvex::matching_set_index(orvex::combined_sets(user_), c));
    show_coefficients(c);
    emit settings_changed();
}

void FormConvolution::show_coefficients(const ConvolutionSet::Coefficients& c)
{
    for (std::size_t i = 0; i < spins_.size(); ++i) {
        const QSignalBlocker block(spins_[i]);
        spins_[i]->setValue(c[i]);
    }
    ui->lab_coef_sum->setText(QString::number(ConvolutionSet(std::string(), c).kernel_sum(), 'f', 3));
    auto* curve = ui->chart_conv->named(ChartOrvex::Blue).curve;
    curve->clear();
    for (const auto& p : orvex::kernel_chart_points(c))
        curve->append(p.x, p.y);
    ui->chart_conv->update();
}

void FormConvolution::select_in_both(int index)
{
    const QSignalBlocker block_sets(ui->combo_sets);
    const QSignalBlocker block_bound(bound_);
    ui->combo_sets->setCurrentIndex(index);
    bound_->setCurrentIndex(index);
}

void FormConvolution::rebuild_combos(int select)
{
    QStringList names;
    for (const auto& set : orvex::combined_sets(user_))
        names << orvex::app::core_text(set.name); // built-in names are Russian
    for (QComboBox* combo : {ui->combo_sets, bound_}) {
        const QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(names);
    }
    select_in_both(select);
}

void FormConvolution::on_btn_save_clicked()
{
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, tr("Ввод имени"), tr("Введите новое имя для набора коэффициентов: "),
                              QLineEdit::Normal, QStringLiteral("123"), &ok);
    if (!ok || name.isEmpty())
        return;
    const int index =
        orvex::save_user_set(user_, name.toStdString(), coefficients(), [this](const ConvolutionSet&) {
            return QMessageBox::question(this, QString(), tr("Такое имя уже существует. Заменить?"),
                                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        });
    rebuild_combos(index);
    emit user_conv_updated();
}

void FormConvolution::on_btn_remove_clicked()
{
    const int index = ui->combo_sets->currentIndex();
    if (orvex::is_built_in_index(index)) {
        QMessageBox::warning(this, QString(), tr("Нельзя удалить встроенные наборы"));
        return;
    }
    const int position = orvex::user_index(index, user_.size());
    if (position < 0)
        return;
    if (QMessageBox::question(this, QString(), tr("Удалить набор?"), QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    user_.erase(user_.begin() + position);
    rebuild_combos(orvex::matching_set_index(orvex::combined_sets(user_), coefficients()));
    emit user_conv_updated();
}

void FormConvolution::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        rebuild_combos(ui->combo_sets->currentIndex());
    }
    QWidget::changeEvent(event);
}
