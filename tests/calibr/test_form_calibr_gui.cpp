// The calibration window's wiring: the main window's button connects the
// board, the poll shows the positions, manual moves, the stop, the table
// button's refusal, and a short X calibration with its table.
#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "calibr/ext_board.h"
#include "calibr/form_calibr.h"
#include "calibr/rig_objects.h"
#include "calibr/x_calibration.h"
#include "link/sensor_device.h"
#include "support/program_fixture.h"

#include "charts/chart_orvex.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString last_line(QListWidget* list)
{
    return list->count() ? list->item(list->count() - 1)->text() : QString();
}

} // namespace

TEST(FormCalibrGui, ConnectsPollsMovesStopsAndReports)
{
    orvex::test::TempDir exe_dir;
    const std::string board = orvex::test::loopback_address(20);
    auto sim = orvex::test::start_simulator(
        {board + ",serial=00050,type=EB1,board=50,speed=100,rig=" + orvex::test::loopback_address(21),
         orvex::test::loopback_address(21) + ",serial=00051"},
        orvex::test::loopback_address(254));
    orvex::ProgramSettings stored;
    stored.control_board_address = orvex::test::loopback_address(21); // a sensor, not a motor board
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir, stored));
    Quorin* window = orvex::app::main_window();
    FormCalibr* form = orvex::app::form_calibr();
    EXPECT_EQ(orvex::calibr::rig_board().coefficients().encoder[0], -5000.0); // from the settings
    auto* log = form->findChild<QListWidget*>(QStringLiteral("listLog"));
    const auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i) {
            QTest::qWait(2);
            window->on_MainTimerTimeout();
        }
    };

    window->findChild<QPushButton*>(QStringLiteral("btnShowFormCalibr"))->click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(
        last_line(log).endsWith(QStringLiteral("   Не удалось подключиться к плате управления, IP = ") +
                                QString::fromStdString(stored.control_board_address)));
    EXPECT_FALSE(orvex::app::device(2).is_connected());

    orvex::app::program_settings().control_board_address = board;
    form->findChild<QPushButton*>(QStringLiteral("btnActuatorConnect"))->click();
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("Подключились к плате управления, IP = ") +
                                        QString::fromStdString(board)));
    form->findChild<QDoubleSpinBox*>(QStringLiteral("spin_actuator_x_relative"))->setValue(0.5);
    ticks(10);
    form->findChild<QPushButton*>(QStringLiteral("btn_actuator_x_forw"))->click();
    auto* x_pos = form->findChild<QLabel*>(QStringLiteral("lab_actuator_x_pos"));
    for (int i = 0; i < 200 && x_pos->text() != QStringLiteral("0.500"); ++i)
        ticks(1);
    EXPECT_EQ(x_pos->text(), QStringLiteral("0.500"));
    EXPECT_NEAR(sim->rig_position(0, 0), 0.5, 1e-9);

    form->findChild<QPushButton*>(QStringLiteral("btn_stop"))->click();
    EXPECT_TRUE(
        last_line(log).endsWith(QStringLiteral("Подпрограмма остановлена: Остановка по нажатию кнопки")));

    auto* table = form->findChild<QPushButton*>(QStringLiteral("btn_table_x_calculate"));
    const QString caption = table->text();
    table->click(); // no records yet
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("Мало исходных данных")));
    EXPECT_EQ(table->text(), caption);

    // A short X calibration with the sensor on the rig, profiles through the
    // window's poll check box, then its table.
    auto& sensor = orvex::app::device(0);
    ASSERT_TRUE(sensor.connect(sim->sensor_address(1)));
    auto settings = sensor.commands().settings();
    settings.calibration_bypass = 1;
    ASSERT_TRUE(sensor.commands().write_settings_memory(settings));
    form->findChild<QCheckBox*>(QStringLiteral("cbCalibrGetResult"))->setChecked(true);
    form->findChild<QDoubleSpinBox*>(QStringLiteral("spin_x_range"))->setValue(1.2);
    form->findChild<QDoubleSpinBox*>(QStringLiteral("spin_x_step_pix"))->setValue(2.0);
    int lines_before = log->count();
    form->findChild<QPushButton*>(QStringLiteral("btn_x_start"))->click();
    // Regression: a refused second start changed the running procedure's range.
    form->findChild<QDoubleSpinBox*>(QStringLiteral("spin_x_range"))->setValue(99.0);
    form->findChild<QPushButton*>(QStringLiteral("btn_x_start"))->click();
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("во время выполнения другой подпрограммы")));
    EXPECT_EQ(orvex::calibr::x_state().range, 1.2);
    lines_before = log->count();
    const auto ended = [&] {
        if (log->count() == lines_before)
            return false;
        const QString l = last_line(log);
        return l.endsWith(QStringLiteral("Конец подпрограммы")) ||
               log->item(log->count() - 1)->icon().cacheKey() == orvex::app::icons().close.cacheKey();
    };
    for (int i = 0; i < 10000 && !ended(); ++i)
        ticks(1);
    ASSERT_GE(log->count(), 2);
    EXPECT_TRUE(log->item(log->count() - 2)->text().endsWith(QStringLiteral("Калибровка X завершена")))
        << last_line(log).toStdString();
    EXPECT_EQ(form->findChild<orvex::qt::ChartOrvex*>(QStringLiteral("chartSource"))
                  ->anonymous(0)
                  .curve->points.size(),
              1024u);
    table->click();
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("Таблица записана: TableX.txt")));
    EXPECT_TRUE(std::filesystem::exists(exe_dir / "calibr" / "TableX.txt"));
    EXPECT_FALSE(form->findChild<orvex::qt::ChartOrvex*>(QStringLiteral("chartCalibr"))
                     ->anonymous(1)
                     .curve->points.empty());
    sensor.disconnect();

    orvex::app::device(2).disconnect();
    form->close();
}
