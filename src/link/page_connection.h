// PageConnection: finding sensors on the network and connecting them.
//
// The engineer searches a subnet by broadcast (the searcher runs on its own
// thread; the page copies its list once per main-timer tick when it grew),
// connects the chosen device as first or second channel or as the rig's
// control board, and gives a sensor a new IP address through FormDialogIP.
// Connecting the first channel announces the sensor to the receivers and the
// event hub in the program's fixed order.
#pragma once

#include "app/program_events.h"
#include "link/sensor_info.h"
#include "link/sensor_search.h"

#include <QWidget>
#include <vector>

class QListWidgetItem;

namespace Ui {
class PageConnection;
}

class PageConnection : public QWidget, public orvex::IProgramEvents {
    Q_OBJECT
public:
    enum channel { first_channel = 0, second_channel = 1, control_board = 2 };

    explicit PageConnection(QWidget* parent = nullptr);
    ~PageConnection() override;

    /// Stops a running search and resets the search button (main window close).
    void stop_search();
    /// The search address as typed (stored in the program settings at exit).
    QString search_address() const;
    /// Connects the selected row's device; false (with the error icon on the
    /// connect button) when nothing is selected or the connection fails.
    bool connect_selected(channel which);
    /// The searcher, for the tests and the tool.
    orvex::k7::sensor_search& searcher() { return search_; }

private slots:
    void on_btnConnectionSearch_clicked();
    void on_btnSearchConnect_clicked();
    void on_btnDisconnect_clicked();
    void on_listSearchSensors_itemDoubleClicked(QListWidgetItem* item);
    void on_listSearchSensors_currentRowChanged(int row);
    void listSearchSensors_showContextMenu(const QPoint& pos);
    void refresh_list();

protected:
    void changeEvent(QEvent* event) override;

private:
    bool start_search();
    void change_address(const orvex::k7::sensor_info& device);
    /// connect_record with a link failure shown as an error box.
    bool connect_guarded(const orvex::k7::sensor_info& record, channel which);
    bool connect_record(const orvex::k7::sensor_info& record, channel which);
    void announce_first_channel();
    void update_title();
    void title_after_failed_connect();
    void sensor_answering(bool answering);
    void report_receive_buffers();

    Ui::PageConnection* ui;
    orvex::k7::sensor_search search_;
    std::vector<orvex::k7::sensor_info> shown_; // the rows of listSearchSensors
    bool search_error_told_ = false;            // a socket error of this search was shown
    std::uint64_t search_errors_before_ = 0;    // the searcher's error count when this search began
};
