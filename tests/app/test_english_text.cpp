// English of the core's Russian texts: patterns with the parts put in, parts
// that are translated in turn, names inside longer texts.
#include "app/english_text.h"

#include <gtest/gtest.h>

using orvex::english_text;

TEST(EnglishText, PatternsNamesAndUnknownTexts)
{
    EXPECT_EQ(english_text("Запись страницы 3 из 10 (20%)"), "Writing page 3 of 10 (20%)");
    EXPECT_EQ(english_text("Ошибка при записи страницы 7"), "Error writing page 7");
    EXPECT_EQ(english_text("Ошибка при записи первой страницы прошивки"),
              "Error writing the first page of the firmware");
    EXPECT_EQ(english_text("Значение диапазона Y начало низ не помещается в 16 бит при 9 дробных битах"),
              "The range value Y start bottom does not fit into 16 bits with 9 fractional bits");
    // A path with digits and a trailing full stop.
    EXPECT_EQ(english_text("Не число в файле calibr2/TableX.txt: строка 4, столбец 12."),
              "Not a number in the file calibr2/TableX.txt: row 4, column 12.");
    EXPECT_EQ(english_text("127.0.0.2   -   00042   -   49m   -   2d сканер(V) (0)"),
              "127.0.0.2   -   00042   -   49m   -   2d scanner(V) (0)");
    EXPECT_EQ(english_text("Подпрограмма остановлена: Не удалось найти углы"),
              "Procedure stopped: No corners found");
    EXPECT_EQ(english_text("Ошибка в строке 3: не число \"x1\""), "Error in line 3: not a number \"x1\"");
    // A pattern that is the start of a longer one must not take the longer text.
    EXPECT_EQ(english_text("Повторных передач: 17;  Измерений: 1234"),
              "Repeated transfers: 17;  Measurements: 1234");
    EXPECT_EQ(english_text("Ожидание окончания измерений. Нет связи. Прошло 5 сек. "),
              "Waiting for the measurement to end. No connection. 5 s elapsed. ");
    EXPECT_EQ(english_text("Неизвестный текст 5"), "Неизвестный текст 5");
    EXPECT_EQ(english_text("Ошибка при записи страницы "), "Ошибка при записи страницы "); // no part put in
}
