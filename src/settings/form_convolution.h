// FormConvolution: the window in which the engineer picks, edits, saves and
// removes convolution sets.
//
// It lists the built-in sets and the user's sets in combo_sets and, always at
// the same index, in the settings editor's combo box that it is bound to. The
// 16 spin boxes hold the coefficients in force, which the settings editor puts
// into the record it builds; the chart shows the 31-tap kernel and the label
// its sum. The form keeps the user sets; its owner stores them in the program
// settings when user_conv_updated says they changed.
#pragma once

#include "settings/convolution_set.h"

#include <QWidget>
#include <array>
#include <vector>

class QComboBox;
class QSpinBox;

namespace Ui {
class FormConvolution;
}

class FormConvolution : public QWidget {
    Q_OBJECT
public:
    /// `bound`: the editor's combo box that shows the same list and index.
    explicit FormConvolution(QComboBox* bound, QWidget* parent = nullptr);
    ~FormConvolution() override;

    /// The 16 values of the spin boxes, c[0] first.
    orvex::ConvolutionSet::Coefficients coefficients() const;
    /// Shows a record's coefficients; both combos select the first set with
    /// exactly these values, or nothing when no set has them.
    void show_record_coefficients(const orvex::ConvolutionSet::Coefficients& c);
    /// Replaces the user sets (as loaded from the program settings).
    void set_user_sets(const std::vector<orvex::ConvolutionSet>& sets);
    const std::vector<orvex::ConvolutionSet>& user_sets() const { return user_; }

signals:
    /// The coefficients in force changed: a set was picked or a value edited.
    void settings_changed();
    /// The list of user sets changed.
    void user_conv_updated();

private slots:
    void on_combo_sets_currentIndexChanged(int index);
    void on_btn_save_clicked();
    void on_btn_remove_clicked();
    void bound_index_changed(int index);
    void coefficient_edited();

protected:
    void changeEvent(QEvent* event) override;

private:
    void pick(int index, QComboBox* other);
    void show_coefficients(const orvex::ConvolutionSet::Coefficients& c);
    void rebuild_combos(int select);
    void select_in_both(int index);

    Ui::FormConvolution* ui;
    QComboBox* bound_;
    std::array<QSpinBox*, 16> spins_{};
    std::vector<orvex::ConvolutionSet> user_;
};
