// The calibration window's wiring: the main window's button connects the
// board, the poll shows the positions, manual moves, the stop, the table
// button's refusal, a short X calibration with its table, and the Y tab's
// wiring: a refused corner start, the comb's steps, the table scripts.
#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "calibr/calibration_rig.h"
#include "calibr/ext_board.h"
#include "calibr/form_calibr.h"
#include "calibr/rig_objects.h"
#include "calibr/x_calibration.h"
#include "link/sensor_device.h"
#include "support/program_fixture.h"

#include "charts/chart_orvex.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
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

    form->findChild<QDoubleSpinBox*>(QStringLiteral("spin_corner_step_y"))->setValue(3.0);
    form->findChild<QPushButton*>(QStringLiteral("btn_corner_start"))->click();
    ticks(2);
    EXPECT_TRUE(last_line(log).endsWith(
        QStringLiteral("Подпрограмма остановлена: Шаг по Y не кратен шагу зубчиков")));

    // The comb: two tines in the profile, added as a group and saved.
    std::vector<double> profile(1024, -1.0);
    for (int i = 100; i < 130; ++i)
        profile[std::size_t(i)] = 400.0;
    for (int i = 600; i < 630; ++i)
        profile[std::size_t(i)] = 420.0;
    orvex::calibr::rig().take_profile(0, profile.data(), profile.size());
    auto* result = form->findChild<orvex::qt::ChartOrvex*>(QStringLiteral("chartCalibr"));
    form->findChild<QPushButton*>(QStringLiteral("btn_comb_calculate"))->click();
    EXPECT_EQ(result->anonymous(1).curve->points.size(), 2u);
    form->findChild<QPushButton*>(QStringLiteral("btn_comb_add"))->click();
    form->findChild<QSpinBox*>(QStringLiteral("spin_comb_mid_line"))->setValue(512);
    form->findChild<QPushButton*>(QStringLiteral("btn_comb_save"))->click();
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("Калибровочные данные Y сохранены в файл.")));
    QFile saved(QString::fromStdString((exe_dir / "calibr" / "CalibrY.txt").string()));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("400.000   114.500   0         -10.000   \n"
                                          "420.000   614.500   0         0.000     \n\n"));

    // The scripts run from the folder "calibr" while the window goes on.
    {
        QFile script(QString::fromStdString((exe_dir / "calibr" / "_y_table_save.py").string()));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho ran in $(basename \"$PWD\")\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    form->findChild<QPushButton*>(QStringLiteral("btn_table_y_calculate"))->click();
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("Выполняется сценарий _y_table_save.py...")));
    for (int i = 0; i < 500 && !last_line(log).endsWith(QStringLiteral("завершён")); ++i)
        QTest::qWait(20);
    EXPECT_TRUE(log->item(log->count() - 2)->text().endsWith(QStringLiteral("ran in calibr")));
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("Сценарий _y_table_save.py завершён")));
    form->findChild<QPushButton*>(QStringLiteral("btn_table_y_view"))->click();
    EXPECT_TRUE(last_line(log).contains(QStringLiteral("Не найден сценарий")));

    orvex::app::device(2).disconnect();
    form->close();
}
