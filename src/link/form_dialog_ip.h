// FormDialogIP: asks for a sensor's new IP address.
//
// Lists the computer's IPv4 addresses; choosing one proposes a free address
// next to it (propose_address), which the four spin boxes show and the user
// may change. Addresses are host-order numbers (a.b.c.d = a<<24 | ...).
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

namespace Ui {
class FormDialogIP;
}

class FormDialogIP : public QDialog {
    Q_OBJECT
public:
    /// `found` are the addresses of the devices found by the search (the
    /// proposal skips them); `selected` is the computer address on which the
    /// chosen device was found.
    FormDialogIP(const std::vector<std::uint32_t>& computer_addresses,
                 const std::vector<std::uint32_t>& found, std::uint32_t selected, QWidget* parent = nullptr);
    ~FormDialogIP() override;

    /// The address the spin boxes show.
    std::uint32_t address() const;

private slots:
    void on_list_comp_ip_currentRowChanged(int row);

private:
    Ui::FormDialogIP* ui;
    std::vector<std::uint32_t> computer_;
    std::vector<std::uint32_t> found_;
};
