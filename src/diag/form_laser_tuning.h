// FormLaserTuning: the window for adjusting the laser optics.
//
// Every frame the first channel receives while the window is visible is
// analysed row by row (diag/laser_tuning.h): chartTest plots the brightest
// pixel and the normalised energy of each row, chartEnergyDistribution the
// widths that hold 50 % and 80 % of the energy; the y axis is the image row.
// Frames that arrive while the window is hidden are ignored.
#pragma once

#include "diag/laser_tuning.h"

#include <QWidget>
#include <vector>

namespace Ui {
class FormLaserTuning;
}

class FormLaserTuning : public QWidget {
    Q_OBJECT
public:
    explicit FormLaserTuning(QWidget* parent = nullptr);
    ~FormLaserTuning() override;

    /// Rows of the last analysed frame (empty before the first).
    const std::vector<orvex::diag::laser_row>& rows() const { return rows_; }

    /// Connected to the hub's image_received.
    void image_received();

protected:
    void changeEvent(QEvent* event) override;

private:
    Ui::FormLaserTuning* ui;
    std::vector<orvex::diag::laser_row> rows_;
};
