// PageLatch: the main window's developer page for the sensor's latch and
// error state.
//
// With "Опрос" on and the page visible, each main-timer tick runs one step
// of the latch cycle (latch, wait until ready, read, plot); the cycle's state
// is kept while the poll is off and resumes where it stopped. The buttons
// run single steps by hand, read the error state and clear it. Everything
// goes over the first channel's service link.
#pragma once

#include "app/program_events.h"
#include "diag/latch_cycle.h"

#include <QWidget>

class QAbstractButton;

namespace Ui {
class PageLatch;
}

class PageLatch : public QWidget, public orvex::IProgramEvents {
    Q_OBJECT
public:
    explicit PageLatch(QWidget* parent = nullptr);
    ~PageLatch() override;

    void on_timer_tick() override;

    /// The cycle's state (0 latch, 1 status, 2 request, 3 collect).
    int latch_state() const { return cycle_.state(); }

public slots:
    void latch_poll_task();

private slots:
    void on_btnLatchStatus_clicked();
    void on_btnLatchWrite_clicked();
    void on_btnLatchRead_clicked();
    void on_btnErrorStateGet_clicked();
    void on_btnErrorStateClear_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    void plot(const orvex::diag::latch_record& record);
    void show_status(std::uint8_t status);
    static void set_result(QAbstractButton* button, bool ok);

    Ui::PageLatch* ui;
    orvex::diag::latch_cycle cycle_;
    QString error_state_; // btnErrorStateGet's text once read
};
