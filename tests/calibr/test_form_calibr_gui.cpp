// The calibration window's wiring: the main window's button connects the
// board, the poll shows the positions, manual moves, the stop, a procedure
// that ends with its message, and the table button's refusal.
#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "calibr/ext_board.h"
#include "calibr/form_calibr.h"
#include "calibr/rig_objects.h"
#include "link/sensor_device.h"
#include "support/program_fixture.h"

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
    auto sim = orvex::test::start_simulator({board + ",serial=00050,type=EB1,board=50,speed=100",
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

    // No sensor sends profiles: the X calibration ends with its message.
    form->findChild<QPushButton*>(QStringLiteral("btn_x_start"))->click();
    for (int i = 0; i < 200 && !last_line(log).endsWith(QStringLiteral("калибровки.")); ++i)
        ticks(1); // after a state read from the new zero
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("Определение настроек калибровки.")));
    for (int i = 0; i < 400 && !last_line(log).endsWith(QStringLiteral("датчика")); ++i)
        ticks(5);
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("Не получен результат измерения с датчика")));

    auto* table = form->findChild<QPushButton*>(QStringLiteral("btn_table_x_calculate"));
    const QString caption = table->text();
    table->click(); // CalibrX.txt holds no record
    EXPECT_TRUE(last_line(log).endsWith(QStringLiteral("Мало исходных данных")));
    EXPECT_EQ(table->text(), caption);

    orvex::app::device(2).disconnect();
    form->close();
}
