#include "link/form_dialog_ip.h"

#include "link/address_change.h"
#include "settings/editor_values.h"
#include "ui_form_dialog_ip.h"

namespace {

QString dotted(std::uint32_t a)
{
    return QString::fromStdString(orvex::k7::ip_text(a));
}

} // namespace

FormDialogIP::FormDialogIP(const std::vector<std::uint32_t>& computer_addresses,
                           const std::vector<std::uint32_t>& found, std::uint32_t selected, QWidget* parent)
    : QDialog(parent),
      ui(new Ui::FormDialogIP),
      computer_(computer_addresses),
      found_(found)
{
    ui->setupUi(this);
    int selected_row = -1;
    for (std::size_t i = 0; i < computer_.size(); ++i) {
        ui->list_comp_ip->addItem(dotted(computer_[i]));
        if (computer_[i] == selected)
            selected_row = static_cast<int>(i);
    }
    // The list is as high as its rows, so every address is visible at once.
    const int rows = std::max(1, ui->list_comp_ip->count());
    ui->list_comp_ip->setFixedHeight(ui->list_comp_ip->sizeHintForRow(0) * rows +
                                     2 * ui->list_comp_ip->frameWidth());
    if (selected_row >= 0)
        ui->list_comp_ip->setCurrentRow(selected_row);
}

FormDialogIP::~FormDialogIP()
{
    delete ui;
}

std::uint32_t FormDialogIP::address() const
{
    return (std::uint32_t(ui->spin_ip_0->value()) << 24) | (std::uint32_t(ui->spin_ip_1->value()) << 16) |
           (std::uint32_t(ui->spin_ip_2->value()) << 8) | std::uint32_t(ui->spin_ip_3->value());
}

void FormDialogIP::on_list_comp_ip_currentRowChanged(int row)
{
    if (row < 0 || row >= static_cast<int>(computer_.size()))
        return;
    const std::uint32_t proposal = orvex::k7::propose_address(computer_[row], found_);
    ui->spin_ip_0->setValue(int(proposal >> 24));
    ui->spin_ip_1->setValue(int((proposal >> 16) & 0xFF));
    ui->spin_ip_2->setValue(int((proposal >> 8) & 0xFF));
    ui->spin_ip_3->setValue(int(proposal & 0xFF));
}
