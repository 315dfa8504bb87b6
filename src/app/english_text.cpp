#include "app/english_text.h"

#include <array>
#include <optional>
#include <vector>

namespace orvex {
namespace {

struct entry {
    const char* russian;
    const char* english;
};

// Whole texts; %1..%9 stand for the parts put in.
const entry patterns[] = {
    {"%1 страницы %2 из %3 (%4%)", "%1 page %2 of %3 (%4%)"},
    {"Ошибка при чтении страницы %1", "Error reading page %1"},
    {"Чтение успешно завершена.", "Reading completed successfully."},
    {"Ошибка при стирании сектора %1", "Error erasing sector %1"},
    {"Ошибка при записи страницы %1", "Error writing page %1"},
    {"Ошибка при проверке страницы %1", "Error verifying page %1"},
    {"Запись успешно завершена.", "Writing completed successfully."},
    {"Флеш занята другой операцией", "The flash is busy with another operation"},
    {"Сектор %1 вне флеш (0..255)", "Sector %1 is outside the flash (0..255)"},
    {"Файл прошивки пуст", "The firmware file is empty"},
    {"Файл прошивки (%1 байт) не помещается во флеш с сектора %2 (%3 байт)",
     "The firmware file (%1 bytes) does not fit into the flash from sector %2 (%3 bytes)"},
    {"Не удалось открыть файл.", "Could not open the file."},
    {"Ошибка при записи первой страницы прошивки", "Error writing the first page of the firmware"},
    {"Неверный адрес или размер чтения", "Invalid read address or size"},
    {"Не удалось открыть файл для записи", "Could not open the file for writing"},
    {"Не удалось записать файл", "Could not write the file"},
    {"Чтение линии %1 из %2", "Reading line %1 of %2"},
    {"Число дробных бит должно быть от 0 до 16", "The number of fractional bits must be 0 to 16"},
    {"Не удалось открыть файлы таблиц", "Could not open the table files"},
    {"Чтение таблиц завершено успешно", "Tables read back successfully"},
    {"Значение диапазона %1 не помещается в 16 бит при %2 дробных битах",
     "The range value %1 does not fit into 16 bits with %2 fractional bits"},
    {"Не число в файле %1: строка %2, столбец %3", "Not a number in the file %1: row %2, column %3"},
    {"Не найден маркер конца строки", "End-of-row marker not found"},
    {"Таблицы калибровки не загружены", "The calibration tables are not loaded"},
    {"В таблицах нет ни одной точки с данными; диапазон не записан",
     "The tables hold no point with data; the range was not written"},
    {"В столбцах полос (каждый 16-й столбец) таблиц нет ни одной точки с данными; диапазон не записан",
     "The band columns (every 16th column) of the tables hold no point with data; the range was not written"},
    {"Все точки линии вне диапазона", "All points of the line are out of range"},
    // Extension boards.
    {"Дискретные выходы", "Discrete outputs"},
    {"Шаговый двигатель", "Stepping motor"},
    {"Светодиоды", "LEDs"},
    {"Двигатели, энкодеры", "Motors, encoders"},
    {"Трубный", "Tube"},
    {"Кроулер", "Crawler"},
    {"Термостат, энкодер", "Thermostat, encoder"},
    {"Сварочный", "Welding"},
    // Calibration procedures and tables.
    {"Попытка запустить подпрограмму во время выполнения другой подпрограммы",
     "Attempt to start a procedure while another one is running"},
    {"Конец подпрограммы", "End of procedure"},
    {"Подпрограмма остановлена: %1", "Procedure stopped: %1"},
    {"Подпрограмма остановлена", "Procedure stopped"},
    {"Остановлено", "Stopped"},
    {"Нет ответа от платы управления.", "No answer from the control board."},
    {"Актюатор не перемещается.", "The actuator does not move."},
    {"Не получен результат измерения с датчика", "No measurement received from the sensor"},
    {"Определение настроек калибровки.", "Determining the calibration settings."},
    {"Слишком маленький диапазон в пикселях (%1)", "Too small a range in pixels (%1)"},
    {"Перемещение X: %1", "X movement: %1"},
    {"Инвертировано", "inverted"},
    {"Не инвертировано", "not inverted"},
    {"Начальный шаг, мкм: %1", "Initial step, µm: %1"},
    {"Не удалось создать файл %1", "Could not create the file %1"},
    {"Ошибка записи в файл %1", "Error writing the file %1"},
    {"Калибровка X завершена", "X calibration finished"},
    {"Мало исходных данных", "Too little source data"},
    {"Ошибка в строке %1: не число \"%2\"", "Error in line %1: not a number \"%2\""},
    {"Ошибка в строке %1: %2 чисел вместо %3", "Error in line %1: %2 numbers instead of %3"},
    {"Не удалось открыть файл %1", "Could not open the file %1"},
    {"Расчет", "Calculating"},
    {"Поиск средней точки", "Searching for the middle point"},
    {"Средняя точка найдена успешно", "Middle point found"},
    {"Не удалось найти углы", "No corners found"},
    {"Перемещение актюатора превышает максимально допустимое: %1",
     "The actuator movement exceeds the largest allowed: %1"},
    {"Шаг по Y не кратен шагу зубчиков", "The Y step does not divide the tooth pitch"},
    {"Слишком мало шагов в пределах шага зубчиков, должно быть минимум 4",
     "Too few steps within the tooth pitch, at least 4 needed"},
    {"Обнаружено больше одного угла", "More than one corner found"},
    {"Две новых точки снизу.", "Two new points at the bottom."},
    {"Калибровка Y успешно завершена", "Y calibration completed successfully"},
    {"Калибровочные данные Y сохранены в файл.", "Y calibration data saved to file."},
    {"Калибровочные данные Y2 сохранены в файл.", "Y2 calibration data saved to file."},
    {"Не удалось открыть файл Y2 для записи.", "Could not open the Y2 file for writing."},
    // The crawler's status and action lines.
    {"Начало измерений", "Measurement starting"},
    {"Ожидание окончания измерений. Нет связи. Прошло %1 сек. ",
     "Waiting for the measurement to end. No connection. %1 s elapsed. "},
    {"Ожидание окончания измерений. Прошло %1 сек. ", "Waiting for the measurement to end. %1 s elapsed. "},
    {"Чтение результатов измерений", "Reading the measurement results"},
    {"Обработка данных", "Processing the data"},
    {"Измерение завершено. Прошло %1 сек. ", "Measurement finished. %1 s elapsed. "},
    {"Ошибка чтения результатов. Прошло %1 сек. ", "Error reading the results. %1 s elapsed. "},
    {"Чтение кадра %1 из %2", "Reading frame %1 of %2"},
    {"Повторных передач: %1;  Измерений: %2", "Repeated transfers: %1;  Measurements: %2"},
    {"Повторных передач: %1", "Repeated transfers: %1"},
    // Parts put into the patterns above.
    {"Чтение", "Reading"},
    {"Запись", "Writing"},
    {"X начало", "X start"},
    {"X конец", "X end"},
    {"Y начало низ", "Y start bottom"},
    {"Y начало верх", "Y start top"},
    {"Y конец низ", "Y end bottom"},
    {"Y конец верх", "Y end top"},
    // Built-in convolution sets.
    {"_Гаусс_1", "_Gauss_1"},
    {"_Гаусс_2", "_Gauss_2"},
    {"_Отрицательная", "_Negative"},
};

// Names that also stand inside longer texts (the search list's rows).
const entry names[] = {
    {"тип не определен", "type not defined"},
    {"плата расширения", "extension board"},
    {"неизвестно", "unknown"},
    {"аварийная", "recovery"},
    {"2d сканер", "2d scanner"},
    {"три луча", "three beams"},
    {"точечный", "point"},
};

// Matches `text` against `pattern` (literal parts and %1..%9); the parts put
// in, by number. Each part is the shortest text up to the next literal part;
// the last one, when the pattern ends with it, takes the rest.
std::optional<std::array<std::string, 10>> match(const std::string& pattern, const std::string& text)
{
    std::array<std::string, 10> parts;
    std::size_t p = 0;
    std::size_t t = 0;
    while (p < pattern.size()) {
        const bool placeholder =
            pattern[p] == '%' && p + 1 < pattern.size() && pattern[p + 1] >= '1' && pattern[p + 1] <= '9';
        if (!placeholder) {
            if (t >= text.size() || text[t] != pattern[p])
                return std::nullopt;
            ++p;
            ++t;
            continue;
        }
        const int n = pattern[p + 1] - '0';
        p += 2;
        // The literal that follows, up to the next placeholder or the end.
        std::size_t lit_end = p;
        while (lit_end < pattern.size() && !(pattern[lit_end] == '%' && lit_end + 1 < pattern.size() &&
                                             pattern[lit_end + 1] >= '1' && pattern[lit_end + 1] <= '9'))
            ++lit_end;
        const std::string literal = pattern.substr(p, lit_end - p);
        std::size_t end;
        if (literal.empty())
            end = text.size();
        else if (lit_end == pattern.size())
            end = text.size() >= literal.size() &&
                          text.compare(text.size() - literal.size(), literal.size(), literal) == 0 &&
                          text.size() - literal.size() >= t
                      ? text.size() - literal.size()
                      : std::string::npos;
        else
            end = text.find(literal, t);
        if (end == std::string::npos || end == t)
            return std::nullopt; // a part put in is never empty
        parts[n] = text.substr(t, end - t);
        t = end;
    }
    if (t != text.size())
        return std::nullopt;
    return parts;
}

std::optional<std::string> from_patterns(const std::string& text)
{
    for (const entry& e : patterns) {
        const auto parts = match(e.russian, text);
        if (!parts)
            continue;
        std::string out;
        for (const char* c = e.english; *c != '\0'; ++c) {
            if (c[0] == '%' && c[1] >= '1' && c[1] <= '9') {
                out += english_text((*parts)[c[1] - '0']);
                ++c;
            } else {
                out += *c;
            }
        }
        return out;
    }
    return std::nullopt;
}

} // namespace

std::string english_text(const std::string& text)
{
    if (auto whole = from_patterns(text))
        return *whole;
    // Texts that end a sentence with a full stop, and those that do not.
    if (!text.empty() && text.back() == '.')
        if (auto whole = from_patterns(text.substr(0, text.size() - 1)))
            return *whole + ".";
    std::string out = text;
    for (const entry& e : names) {
        const std::string ru = e.russian;
        for (std::size_t at = out.find(ru); at != std::string::npos; at = out.find(ru, at))
            out.replace(at, ru.size(), e.english);
    }
    return out;
}

} // namespace orvex
