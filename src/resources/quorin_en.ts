<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>FormCalibr</name>
    <message>
        <source>Калибровка</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Плата управления</source>
        <translation>Control board</translation>
    </message>
    <message>
        <source>Подключить</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>X:</source>
        <translation>X:</translation>
    </message>
    <message>
        <source>---</source>
        <translation>---</translation>
    </message>
    <message>
        <source>←</source>
        <translation>←</translation>
    </message>
    <message>
        <source>→</source>
        <translation>→</translation>
    </message>
    <message>
        <source>Ехать</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>Задать</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Y:</source>
        <translation>Y:</translation>
    </message>
    <message>
        <source>↓</source>
        <translation>↓</translation>
    </message>
    <message>
        <source>↑</source>
        <translation>↑</translation>
    </message>
    <message>
        <source>Опрос</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>СТОП</source>
        <translation>STOP</translation>
    </message>
    <message>
        <source>X дальность</source>
        <translation>X distance</translation>
    </message>
    <message>
        <source>Диапазон X</source>
        <translation>X range</translation>
    </message>
    <message>
        <source>Шаг, пикс:</source>
        <translation>Step, px:</translation>
    </message>
    <message>
        <source>Инверт X</source>
        <translation>Invert X</translation>
    </message>
    <message>
        <source>Начать</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Посчитать таблицу X</source>
        <translation>Calculate X table</translation>
    </message>
    <message>
        <source>Y уголок</source>
        <translation>Y corner</translation>
    </message>
    <message>
        <source>Диапазон по X:</source>
        <translation>X range:</translation>
    </message>
    <message>
        <source>Шаг по X:</source>
        <translation>X step:</translation>
    </message>
    <message>
        <source>Диапазон по Y:</source>
        <translation>Y range:</translation>
    </message>
    <message>
        <source>Шаг по Y:</source>
        <translation>Y step:</translation>
    </message>
    <message>
        <source>Посчитать углы</source>
        <translation>Find corners</translation>
    </message>
    <message>
        <source>Y зубы</source>
        <translation>Y teeth</translation>
    </message>
    <message>
        <source>Шаг зубов:</source>
        <translation>Tooth pitch:</translation>
    </message>
    <message>
        <source>Y гребенка</source>
        <translation>Y comb</translation>
    </message>
    <message>
        <source>Шаг Y:</source>
        <translation>Y step:</translation>
    </message>
    <message>
        <source>Сред. линия:</source>
        <translation>Middle line:</translation>
    </message>
    <message>
        <source>Посчитать</source>
        <translation>Calculate</translation>
    </message>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Сохранить в файл</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>Очистить графики</source>
        <translation>Clear charts</translation>
    </message>
    <message>
        <source>Посчитать таблицу Y</source>
        <translation>Calculate Y table</translation>
    </message>
    <message>
        <source>Посчитать таблицу Y 2</source>
        <translation>Calculate Y table 2</translation>
    </message>
    <message>
        <source>Посмотреть графики Y</source>
        <translation>View Y charts</translation>
    </message>
    <message>
        <source>Подключились к плате управления, IP = </source>
        <translation>Connected to the control board, IP = </translation>
    </message>
    <message>
        <source>Не удалось подключиться к плате управления, IP = </source>
        <translation>Could not connect to the control board, IP = </translation>
    </message>
    <message>
        <source>Таблица записана: %1</source>
        <translation>Table written: %1</translation>
    </message>
    <message>
        <source>Точек со значениями от 1280 пикселей: %1; их ячейки не записаны</source>
        <translation>Points with values of 1280 pixels or more: %1; their cells were not written</translation>
    </message>
    <message>
        <source>Сценарий %1 ещё выполняется</source>
        <translation>Script %1 is still running</translation>
    </message>
    <message>
        <source>Не найден сценарий %1</source>
        <translation>Script not found: %1</translation>
    </message>
    <message>
        <source>Не удалось запустить командный интерпретатор: %1</source>
        <translation>Could not start the command interpreter: %1</translation>
    </message>
    <message>
        <source>Выполняется сценарий %1...</source>
        <translation>Running script %1...</translation>
    </message>
    <message>
        <source>Сценарий %1 завершён</source>
        <translation>Script %1 finished</translation>
    </message>
    <message>
        <source>Сценарий %1 завершён с кодом %2</source>
        <translation>Script %1 finished with code %2</translation>
    </message>
</context>
<context>
    <name>FormConvolution</name>
    <message>
        <source>Настройка свертки</source>
        <translation>Convolution setup</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Сумма:</source>
        <translation>Sum:</translation>
    </message>
    <message>
        <source>Ввод имени</source>
        <translation>Enter name</translation>
    </message>
    <message>
        <source>Введите новое имя для набора коэффициентов: </source>
        <translation>Enter a new name for the coefficient set: </translation>
    </message>
    <message>
        <source>Такое имя уже существует. Заменить?</source>
        <translation>This name already exists. Replace?</translation>
    </message>
    <message>
        <source>Нельзя удалить встроенные наборы</source>
        <translation>Built-in sets cannot be deleted</translation>
    </message>
    <message>
        <source>Удалить набор?</source>
        <translation>Delete the set?</translation>
    </message>
</context>
<context>
    <name>FormDebug</name>
    <message>
        <source>DebugForm</source>
        <translation>DebugForm</translation>
    </message>
    <message>
        <source>Запись</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Канал 2</source>
        <translation>Channel 2</translation>
    </message>
</context>
<context>
    <name>FormDialogIP</name>
    <message>
        <source>Задать IP</source>
        <translation>Set IP</translation>
    </message>
    <message>
        <source>IP-адреса компьютера:</source>
        <translation>Computer IP addresses:</translation>
    </message>
    <message>
        <source>Новый IP-адрес датчика:</source>
        <translation>New sensor IP address:</translation>
    </message>
    <message>
        <source>Задать</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>FormFastSettings</name>
    <message>
        <source>FormFastSettings</source>
        <translation>FormFastSettings</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>FormFlash</name>
    <message>
        <source>FormFlash</source>
        <translation>FormFlash</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Без защиты:</source>
        <translation>Unprotected:</translation>
    </message>
    <message>
        <source>С защитой:</source>
        <translation>Protected:</translation>
    </message>
    <message>
        <source>Номер сектора:</source>
        <translation>Sector number:</translation>
    </message>
    <message>
        <source>Защитить</source>
        <translation>Protect</translation>
    </message>
    <message>
        <source>Снять защиту</source>
        <translation>Remove protection</translation>
    </message>
    <message>
        <source>Посекторная защита</source>
        <translation>Per-sector protection</translation>
    </message>
    <message>
        <source>Отключить защиту</source>
        <translation>Disable protection</translation>
    </message>
    <message>
        <source>Уникальный номер</source>
        <translation>Unique number</translation>
    </message>
    <message>
        <source>Status reg 3</source>
        <translation>Status reg 3</translation>
    </message>
</context>
<context>
    <name>FormImage</name>
    <message>
        <source>Изображение</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Главное окно</source>
        <translation>Main window</translation>
    </message>
    <message>
        <source>График линии</source>
        <translation>Line chart</translation>
    </message>
    <message>
        <source>Сохранить в файл</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>Повернуть</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <source>Отразить X</source>
        <translation>Mirror X</translation>
    </message>
    <message>
        <source>Отразить Y</source>
        <translation>Mirror Y</translation>
    </message>
    <message>
        <source>Размер изображения</source>
        <translation>Image size</translation>
    </message>
    <message>
        <source>640 x 480</source>
        <translation>640 x 480</translation>
    </message>
    <message>
        <source>1280 x 1024</source>
        <translation>1280 x 1024</translation>
    </message>
    <message>
        <source>Источник</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Выключить</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Опрос</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>Поток</source>
        <translation>Stream</translation>
    </message>
    <message>
        <source>Вычитаемое</source>
        <translation>Subtrahend</translation>
    </message>
    <message>
        <source>Зап. фон (ноль)</source>
        <translation>Store bg. (zero)</translation>
    </message>
    <message>
        <source>Зап. фон (текущ)</source>
        <translation>Store bg. (current)</translation>
    </message>
    <message>
        <source>Рисовать сетку</source>
        <translation>Draw grid</translation>
    </message>
    <message>
        <source>Расчетные точки</source>
        <translation>Computed points</translation>
    </message>
    <message>
        <source>Настройки датчика</source>
        <translation>Sensor settings</translation>
    </message>
    <message>
        <source>Выкл.</source>
        <translation>Off.</translation>
    </message>
    <message>
        <source>***Не удалось получить изображение! ***</source>
        <translation>***Failed to receive the image! ***</translation>
    </message>
    <message>
        <source>Изображение получено.</source>
        <translation>Image received.</translation>
    </message>
    <message>
        <source>   Кадров/сек: </source>
        <translation>   Frames/s: </translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Не удалось записать файл изображения:
</source>
        <translation>Could not write the image file:
</translation>
    </message>
</context>
<context>
    <name>FormImageChart</name>
    <message>
        <source>График линии изображения</source>
        <translation>Image line chart</translation>
    </message>
    <message>
        <source>Номер линии:</source>
        <translation>Line number:</translation>
    </message>
    <message>
        <source>Автокорреляция</source>
        <translation>Autocorrelation</translation>
    </message>
    <message>
        <source>Автомасштаб</source>
        <translation>Autoscale</translation>
    </message>
    <message>
        <source>Рисовать линию</source>
        <translation>Draw line</translation>
    </message>
</context>
<context>
    <name>FormLaserTuning</name>
    <message>
        <source>Настройка лазера</source>
        <translation>Laser tuning</translation>
    </message>
</context>
<context>
    <name>FormSandbox</name>
    <message>
        <source>Песочница</source>
        <translation>Sandbox</translation>
    </message>
    <message>
        <source>Опрос</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>Вырезать</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>Инверсия</source>
        <translation>Invert</translation>
    </message>
    <message>
        <source>Точки</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Окно:</source>
        <translation>Window:</translation>
    </message>
    <message>
        <source>Расстояние:</source>
        <translation>Distance:</translation>
    </message>
    <message>
        <source>Мин кол-во:</source>
        <translation>Min count:</translation>
    </message>
</context>
<context>
    <name>FormSettings</name>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Настройки записаны в датчик</source>
        <translation>Settings written to the sensor</translation>
    </message>
    <message>
        <source>Не удалось записать настройки в датчик</source>
        <translation>Could not write the settings to the sensor</translation>
    </message>
    <message>
        <source>Настройки записаны в ПЗУ датчика</source>
        <translation>Settings written to the sensor&apos;s flash</translation>
    </message>
    <message>
        <source>Не удалось записать настройки в ПЗУ датчика</source>
        <translation>Could not write the settings to the sensor&apos;s flash</translation>
    </message>
</context>
<context>
    <name>FormXFNElis</name>
    <message>
        <source>Сброс</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Инициализация</source>
        <translation>Initialise</translation>
    </message>
    <message>
        <source>Макс. Экспозиция</source>
        <translation>Max. exposure</translation>
    </message>
    <message>
        <source>Время считывания</source>
        <translation>Read-out time</translation>
    </message>
    <message>
        <source>Период:</source>
        <translation>Period:</translation>
    </message>
    <message>
        <source>Обрезание начала</source>
        <translation>Start cut</translation>
    </message>
    <message>
        <source>Количество пикселей:</source>
        <translation>Pixel count:</translation>
    </message>
    <message>
        <source>Автоэкспозиция</source>
        <translation>Auto exposure</translation>
    </message>
    <message>
        <source>Скользящий затвор</source>
        <translation>Rolling shutter</translation>
    </message>
    <message>
        <source>Аналоговый выход</source>
        <translation>Analog output</translation>
    </message>
    <message>
        <source>Тип выхода (после рестарта)</source>
        <translation>Output type (after restart)</translation>
    </message>
    <message>
        <source>Ток 0-20 мА</source>
        <translation>Current 0-20 mA</translation>
    </message>
    <message>
        <source>Ток 4-20 мА</source>
        <translation>Current 4-20 mA</translation>
    </message>
    <message>
        <source>Напряжение 0-10 В</source>
        <translation>Voltage 0-10 V</translation>
    </message>
    <message>
        <source>нижняя граница</source>
        <translation>lower bound</translation>
    </message>
    <message>
        <source>верхняя граница</source>
        <translation>upper bound</translation>
    </message>
    <message>
        <source>Вручную</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Задать</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Прочитать ПЗУ</source>
        <translation>Read ROM</translation>
    </message>
    <message>
        <source>Записать ПЗУ</source>
        <translation>Write ROM</translation>
    </message>
    <message>
        <source> кГц</source>
        <translation> kHz</translation>
    </message>
</context>
<context>
    <name>FormXfn0F_in2_out4</name>
    <message>
        <source>Выход 1</source>
        <translation>Output 1</translation>
    </message>
    <message>
        <source>Выход 2</source>
        <translation>Output 2</translation>
    </message>
    <message>
        <source>Выход 3</source>
        <translation>Output 3</translation>
    </message>
    <message>
        <source>Выход 4</source>
        <translation>Output 4</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
</context>
<context>
    <name>FormXfn30_SteppingMotor</name>
    <message>
        <source>Период шага</source>
        <translation>Step period</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Ехать</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>Скорость</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>Ускорение</source>
        <translation>Acceleration</translation>
    </message>
    <message>
        <source>start</source>
        <translation>start</translation>
    </message>
    <message>
        <source>stop</source>
        <translation>stop</translation>
    </message>
    <message>
        <source>Опрос положения</source>
        <translation>Position poll</translation>
    </message>
</context>
<context>
    <name>FormXfn40_LedPwm</name>
    <message>
        <source>Выход 1</source>
        <translation>Output 1</translation>
    </message>
    <message>
        <source>Выход 2</source>
        <translation>Output 2</translation>
    </message>
    <message>
        <source>Выход 3</source>
        <translation>Output 3</translation>
    </message>
    <message>
        <source>Выход 4</source>
        <translation>Output 4</translation>
    </message>
    <message>
        <source>Период</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>Синхронизаця с сенсором</source>
        <translation>Sync with image sensor</translation>
    </message>
    <message>
        <source>Включить</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Выключить</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Из ПЗУ</source>
        <translation>From flash</translation>
    </message>
    <message>
        <source>В ПЗУ</source>
        <translation>To flash</translation>
    </message>
</context>
<context>
    <name>FormXfn50_ExtBoard_v1</name>
    <message>
        <source>Канал 1</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>Макс скорость:</source>
        <translation>Max speed:</translation>
    </message>
    <message>
        <source>Ускорение:</source>
        <translation>Acceleration:</translation>
    </message>
    <message>
        <source>Ехать</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>&lt;--</source>
        <translation>&lt;--</translation>
    </message>
    <message>
        <source>--&gt;</source>
        <translation>--&gt;</translation>
    </message>
    <message>
        <source>Задать</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Двигатель:</source>
        <translation>Motor:</translation>
    </message>
    <message>
        <source>Энкодер:</source>
        <translation>Encoder:</translation>
    </message>
    <message>
        <source>Метка:</source>
        <translation>Mark:</translation>
    </message>
    <message>
        <source>Шагов в миллиметре:</source>
        <translation>Steps per millimetre:</translation>
    </message>
    <message>
        <source>Канал 2</source>
        <translation>Channel 2</translation>
    </message>
    <message>
        <source>Канал 3</source>
        <translation>Channel 3</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Из ПЗУ</source>
        <translation>From flash</translation>
    </message>
    <message>
        <source>В ПЗУ</source>
        <translation>To flash</translation>
    </message>
    <message>
        <source>Опрос</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>Поток</source>
        <translation>Stream</translation>
    </message>
    <message>
        <source>Время:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>выход 1</source>
        <translation>output 1</translation>
    </message>
    <message>
        <source>выход 2</source>
        <translation>output 2</translation>
    </message>
    <message>
        <source>Сброс меток</source>
        <translation>Reset marks</translation>
    </message>
    <message>
        <source>СТОП</source>
        <translation>STOP</translation>
    </message>
    <message>
        <source>Снять блокир</source>
        <translation>Release lock</translation>
    </message>
    <message>
        <source>Польз. байт</source>
        <translation>User byte</translation>
    </message>
</context>
<context>
    <name>FormXfn51_TubeBoard</name>
    <message>
        <source>Ширина 1</source>
        <translation>Width 1</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Ширина 2</source>
        <translation>Width 2</translation>
    </message>
    <message>
        <source>Ширина 3</source>
        <translation>Width 3</translation>
    </message>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Опрос</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>Время:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>Сброс меток</source>
        <translation>Reset marks</translation>
    </message>
    <message>
        <source>Энкодеры:</source>
        <translation>Encoders:</translation>
    </message>
    <message>
        <source>Метки:</source>
        <translation>Marks:</translation>
    </message>
    <message>
        <source>Угол:</source>
        <translation>Angle:</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Из ПЗУ</source>
        <translation>From flash</translation>
    </message>
    <message>
        <source>В ПЗУ</source>
        <translation>To flash</translation>
    </message>
</context>
<context>
    <name>FormXfn81ThermEnc</name>
    <message>
        <source>Считать температуру</source>
        <translation>Read temperature</translation>
    </message>
    <message>
        <source>Опрос</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>Начать измерение</source>
        <translation>Start conversion</translation>
    </message>
    <message>
        <source>Термостат</source>
        <translation>Thermostat</translation>
    </message>
    <message>
        <source>Верхняя граница:</source>
        <translation>Upper limit:</translation>
    </message>
    <message>
        <source>Нижняя граница:</source>
        <translation>Lower limit:</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Управление лазером</source>
        <translation>Laser control</translation>
    </message>
    <message>
        <source>Выключить ниже:</source>
        <translation>Off below:</translation>
    </message>
    <message>
        <source>Включить выше:</source>
        <translation>On above:</translation>
    </message>
    <message>
        <source>Энкодер</source>
        <translation>Encoder</translation>
    </message>
    <message>
        <source>Делитель:</source>
        <translation>Divider:</translation>
    </message>
    <message>
        <source>Вперёд</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>Назад</source>
        <translation>Backward</translation>
    </message>
    <message>
        <source>Сброс энкодера</source>
        <translation>Reset encoder</translation>
    </message>
    <message>
        <source>Сброс синхронизации</source>
        <translation>Reset synchronisation</translation>
    </message>
    <message>
        <source>Настройки в датчике</source>
        <translation>Settings in the sensor</translation>
    </message>
    <message>
        <source>Из ПЗУ</source>
        <translation>From flash</translation>
    </message>
    <message>
        <source>В ПЗУ</source>
        <translation>To flash</translation>
    </message>
    <message>
        <source>Доп. настройки</source>
        <translation>Extra settings</translation>
    </message>
    <message>
        <source>Справка</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>TH flag</source>
        <translation>TH flag</translation>
    </message>
    <message>
        <source>TL flag</source>
        <translation>TL flag</translation>
    </message>
    <message>
        <source>NVM busy</source>
        <translation>NVM busy</translation>
    </message>
    <message>
        <source>one shot</source>
        <translation>one shot</translation>
    </message>
    <message>
        <source>POL</source>
        <translation>POL</translation>
    </message>
    <message>
        <source>res_0</source>
        <translation>res_0</translation>
    </message>
    <message>
        <source>res_1</source>
        <translation>res_1</translation>
    </message>
    <message>
        <source>done</source>
        <translation>done</translation>
    </message>
    <message>
        <source>Тест 0</source>
        <translation>Test 0</translation>
    </message>
    <message>
        <source>Тест 1</source>
        <translation>Test 1</translation>
    </message>
    <message>
        <source> °C</source>
        <translation> °C</translation>
    </message>
    <message>
        <source>Термостат: датчик температуры платы сравнивает температуру с верхней и нижней границей (кнопки &quot;Прочитать&quot; и &quot;Записать&quot; в группе &quot;Термостат&quot;).
Управление лазером: ниже нижнего порога плата выключает лазер, выше верхнего включает.
Энкодер: делитель и направления счёта хранятся в настройках датчика (&quot;Прочитать&quot;, &quot;Записать&quot;, &quot;Из ПЗУ&quot;, &quot;В ПЗУ&quot;).
&quot;Опрос&quot; читает температуру раз в секунду.</source>
        <translation>Thermostat: the board&apos;s temperature sensor compares the temperature with the upper and lower limit (buttons &quot;Read&quot; and &quot;Write&quot; in the group &quot;Thermostat&quot;).
Laser control: below the lower threshold the board switches the laser off, above the upper one on.
Encoder: the divider and the counting directions are kept in the sensor&apos;s settings (&quot;Read&quot;, &quot;Write&quot;, &quot;From flash&quot;, &quot;To flash&quot;).
&quot;Poll&quot; reads the temperature once a second.</translation>
    </message>
</context>
<context>
    <name>FormXfn82</name>
    <message>
        <source>Дискретные выходы</source>
        <translation>Discrete outputs</translation>
    </message>
    <message>
        <source>Выход 1</source>
        <translation>Output 1</translation>
    </message>
    <message>
        <source>Выход 2</source>
        <translation>Output 2</translation>
    </message>
    <message>
        <source>Выход 3</source>
        <translation>Output 3</translation>
    </message>
    <message>
        <source>Выход 4</source>
        <translation>Output 4</translation>
    </message>
    <message>
        <source>Светодиоды</source>
        <translation>LEDs</translation>
    </message>
    <message>
        <source>Яркость 1</source>
        <translation>Brightness 1</translation>
    </message>
    <message>
        <source>Яркость 2</source>
        <translation>Brightness 2</translation>
    </message>
    <message>
        <source>Яркость 3</source>
        <translation>Brightness 3</translation>
    </message>
    <message>
        <source>Яркость 4</source>
        <translation>Brightness 4</translation>
    </message>
    <message>
        <source>Предделитель</source>
        <translation>Prescaler</translation>
    </message>
    <message>
        <source>Синхр. с экспонированием</source>
        <translation>Sync with exposure</translation>
    </message>
    <message>
        <source>Полная яркость</source>
        <translation>Full brightness</translation>
    </message>
    <message>
        <source>Автозапись при изменении</source>
        <translation>Write on change</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Из ПЗУ</source>
        <translation>From flash</translation>
    </message>
    <message>
        <source>В ПЗУ</source>
        <translation>To flash</translation>
    </message>
</context>
<context>
    <name>PageBitstream</name>
    <message>
        <source>Выбрать файл прошивки</source>
        <translation>Choose firmware file</translation>
    </message>
    <message>
        <source>Записать прошивку</source>
        <translation>Write firmware</translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Размер:</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>Прочитать флеш</source>
        <translation>Read flash</translation>
    </message>
    <message>
        <source>Стереть сектор</source>
        <translation>Erase sector</translation>
    </message>
    <message>
        <source>Статус</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Защита</source>
        <translation>Protection</translation>
    </message>
    <message>
        <source>Текущая версия:</source>
        <translation>Current version:</translation>
    </message>
    <message>
        <source>Идентификация</source>
        <translation>Identification</translation>
    </message>
    <message>
        <source>S/N:</source>
        <translation>S/N:</translation>
    </message>
    <message>
        <source>Дроб. бит:</source>
        <translation>Frac. bits:</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Диапазон</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>Запись таблиц калибр.</source>
        <translation>Calibr. table write</translation>
    </message>
    <message>
        <source>Дробных бит:   </source>
        <translation>Fractional bits:   </translation>
    </message>
    <message>
        <source>Записать таблицы</source>
        <translation>Write tables</translation>
    </message>
    <message>
        <source>Прочитать таблицы</source>
        <translation>Read tables</translation>
    </message>
    <message>
        <source>Записать диапазон</source>
        <translation>Write range</translation>
    </message>
    <message>
        <source>Open bitstream file</source>
        <translation>Open bitstream file</translation>
    </message>
    <message>
        <source>Binary files (*.bin)</source>
        <translation>Binary files (*.bin)</translation>
    </message>
    <message>
        <source>Флеш занята другой операцией</source>
        <translation>Flash is busy with another operation</translation>
    </message>
    <message>
        <source>Не удалось открыть файл.</source>
        <translation>Could not open the file.</translation>
    </message>
    <message>
        <source>Неизвестная ошибка при загрузке таблиц.</source>
        <translation>Unknown error while loading tables.</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Ошибка при загрузке таблиц.</source>
        <translation>Error while loading tables.</translation>
    </message>
    <message>
        <source>Серийный номер датчика не является числом</source>
        <translation>The sensor&apos;s serial number is not a number</translation>
    </message>
    <message>
        <source>Дробных бит: %1, а датчик применяет таблицы с %2 дробными битами своей идентификационной записи; его профили будут масштабированы неверно. Всё равно записать?</source>
        <translation>Fractional bits: %1, but the sensor applies its tables with the %2 fractional bits of its identification record; its profiles will be scaled wrongly. Write anyway?</translation>
    </message>
    <message>
        <source>Файл прошивки не выбран</source>
        <translation>No firmware file chosen</translation>
    </message>
</context>
<context>
    <name>PageChart</name>
    <message>
        <source>Опрос</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>Поток</source>
        <translation>Stream</translation>
    </message>
    <message>
        <source>Пропорции</source>
        <translation>Keep aspect</translation>
    </message>
    <message>
        <source>Повернуть</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <source>Яркость</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>Сохранение в файл</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>Текстовый</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Не удалось записать профили в файл
%1</source>
        <translation>Could not write the profiles to the file
%1</translation>
    </message>
    <message>
        <source>Потерянные профили (по счётчику в слове 1 заголовка) | отброшенные датаграммы неверной длины</source>
        <translation>Lost profiles (from the counter in header word 1) | dropped datagrams of a wrong length</translation>
    </message>
    <message>
        <source>нет нумерации</source>
        <translation>not numbered</translation>
    </message>
    <message>
        <source>Запись профилей в файл: %1</source>
        <translation>Saving profiles to the file: %1</translation>
    </message>
    <message>
        <source>Запись профилей остановлена: %1</source>
        <translation>Saving profiles stopped: %1</translation>
    </message>
</context>
<context>
    <name>PageConnection</name>
    <message>
        <source>Адрес поиска:</source>
        <translation>Search address:</translation>
    </message>
    <message>
        <source>Искать датчики</source>
        <translation>Search for sensors</translation>
    </message>
    <message>
        <source>Соединить</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Неверный адрес поиска: </source>
        <translation>Invalid search address: </translation>
    </message>
    <message>
        <source>Поиск датчиков...</source>
        <translation>Searching for sensors...</translation>
    </message>
    <message>
        <source>Остановить поиск</source>
        <translation>Stop search</translation>
    </message>
    <message>
        <source>Подключить плату управления</source>
        <translation>Connect control board</translation>
    </message>
    <message>
        <source>Подключить как первый канал</source>
        <translation>Connect as first channel</translation>
    </message>
    <message>
        <source>Подключить как второй канал</source>
        <translation>Connect as second channel</translation>
    </message>
    <message>
        <source>Изменить IP-адрес</source>
        <translation>Change IP address</translation>
    </message>
    <message>
        <source>Ошибка при подключении к датчику</source>
        <translation>Error connecting to the sensor</translation>
    </message>
    <message>
        <source>Версия прошивки не поддерживается этой версией программы.</source>
        <translation>This firmware version is not supported by this version of the program.</translation>
    </message>
    <message>
        <source>Не удалось получить расширенный доступ к флешке</source>
        <translation>Could not get extended access to the flash</translation>
    </message>
    <message>
        <source>Подключен : </source>
        <translation>Connected : </translation>
    </message>
    <message>
        <source>  +  второй канал: </source>
        <translation>  +  second channel: </translation>
    </message>
    <message>
        <source>Отключить</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Отключить первый и второй каналы</source>
        <translation>Disconnect the first and the second channel</translation>
    </message>
    <message>
        <source>Ошибка сети при поиске датчиков: %1</source>
        <translation>Network error while searching for sensors: %1</translation>
    </message>
    <message>
        <source>Датчик %1 отключен</source>
        <translation>Sensor %1 disconnected</translation>
    </message>
    <message>
        <source>Нет связи с датчиком</source>
        <translation>No connection to the sensor</translation>
    </message>
    <message>
        <source>Система выделила приемный буфер %1 байт вместо запрошенных %2: при потоке профилей или кадров возможны потери. Linux: увеличьте предел командой sysctl -w net.core.rmem_max=%2</source>
        <translation>The system granted a receive buffer of %1 bytes instead of the %2 requested: profiles or frames may be lost while streaming. Linux: raise the limit with sysctl -w net.core.rmem_max=%2</translation>
    </message>
    <message>
        <source>Подключен %1: серийный номер %2, прошивка %3</source>
        <translation>Connected %1: serial number %2, firmware %3</translation>
    </message>
</context>
<context>
    <name>PageDebug</name>
    <message>
        <source>Регистры</source>
        <translation>Registers</translation>
    </message>
    <message>
        <source>Настройки Vita / Python</source>
        <translation>Vita / Python settings</translation>
    </message>
    <message>
        <source>В файл</source>
        <translation>To file</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Vita, питание</source>
        <translation>Vita, power</translation>
    </message>
    <message>
        <source>Выкл</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Вкл</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Рест</source>
        <translation>Rest</translation>
    </message>
    <message>
        <source>Защита флешки</source>
        <translation>Flash protection</translation>
    </message>
    <message>
        <source>Исправить</source>
        <translation>Fix</translation>
    </message>
    <message>
        <source>Аварийная прошивка</source>
        <translation>Recovery firmware</translation>
    </message>
    <message>
        <source>Регистры сенсора</source>
        <translation>Sensor registers</translation>
    </message>
    <message>
        <source>Проверить все</source>
        <translation>Check all</translation>
    </message>
    <message>
        <source>Неправильное число</source>
        <translation>Invalid number</translation>
    </message>
    <message>
        <source>Регистр </source>
        <translation>Register </translation>
    </message>
    <message>
        <source>Чтение завершено успешно</source>
        <translation>Reading completed successfully</translation>
    </message>
    <message>
        <source>Не удалось открыть файл</source>
        <translation>Could not open the file</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Чтение регистров уже идет</source>
        <translation>Registers are already being read</translation>
    </message>
    <message>
        <source>Перезапуск питания уже идет</source>
        <translation>A power restart is already running</translation>
    </message>
    <message>
        <source>Флеш занята другой операцией</source>
        <translation>Flash is busy with another operation</translation>
    </message>
    <message>
        <source>Строка версии программы слишком длинная</source>
        <translation>The program version string is too long</translation>
    </message>
    <message>
        <source>Не найден файл аварийной прошивки</source>
        <translation>Recovery firmware file not found</translation>
    </message>
</context>
<context>
    <name>PageLatch</name>
    <message>
        <source>Опрос</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Ошибка при чтении файла настроек</source>
        <translation>Error reading the settings file</translation>
    </message>
    <message>
        <source>Ошибка при чтении файла настроек. Файл будет перезаписан.
</source>
        <translation>Error reading the settings file. The file will be rewritten.
</translation>
    </message>
    <message>
        <source>Не удалось сохранить файл настроек %1</source>
        <translation>Could not save the settings file %1</translation>
    </message>
    <message>
        <source>Ошибка при сохранении файла настроек</source>
        <translation>Error saving the settings file</translation>
    </message>
    <message>
        <source>
Проверьте, что файл и папка доступны для записи.</source>
        <translation>
Check that the file and its folder are writable.</translation>
    </message>
    <message>
        <source>
Прежний файл сохранён как
</source>
        <translation>
The previous file was kept as
</translation>
    </message>
    <message>
        <source>Значения этих ключей в файле настроек имеют неверный тип и заменены значениями по умолчанию:
</source>
        <translation>These keys of the settings file have values of the wrong type and were reset to their defaults:
</translation>
    </message>
    <message>
        <source>Папка программы закрыта для записи; настройки и файлы в %1</source>
        <translation>The program folder is read-only; settings and files are in %1</translation>
    </message>
</context>
<context>
    <name>Quorin</name>
    <message>
        <source>Quorin</source>
        <translation>Quorin</translation>
    </message>
    <message>
        <source>Соединение</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>График</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>Прошивка</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Защелка</source>
        <translation>Latch</translation>
    </message>
    <message>
        <source>Отладка</source>
        <translation>Debug</translation>
    </message>
    <message>
        <source>Изображение</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Настройка лазера</source>
        <translation>Laser tuning</translation>
    </message>
    <message>
        <source>Калибровка</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Окно отладки</source>
        <translation>Debug window</translation>
    </message>
    <message>
        <source>Флешка</source>
        <translation>Flash</translation>
    </message>
    <message>
        <source>Песочница</source>
        <translation>Sandbox</translation>
    </message>
    <message>
        <source>Открыть в новом окне</source>
        <translation>Open in new window</translation>
    </message>
    <message>
        <source>Вернуть во вкладку</source>
        <translation>Return to tab</translation>
    </message>
    <message>
        <source>Датчик %1 снова отвечает</source>
        <translation>Sensor %1 answers again</translation>
    </message>
    <message>
        <source>Нет связи с датчиком %1</source>
        <translation>No connection to the sensor %1</translation>
    </message>
</context>
<context>
    <name>WSensorSettings</name>
    <message>
        <source>Записать текущие</source>
        <translation>Write current</translation>
    </message>
    <message>
        <source>Прочитать текущие</source>
        <translation>Read current</translation>
    </message>
    <message>
        <source>MAC:</source>
        <translation>MAC:</translation>
    </message>
    <message>
        <source>IP:</source>
        <translation>IP:</translation>
    </message>
    <message>
        <source>Лазер</source>
        <translation>Laser</translation>
    </message>
    <message>
        <source>Выключен</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Включен</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Внешняя синхронизация</source>
        <translation>External synchronisation</translation>
    </message>
    <message>
        <source>Во время экспонирования</source>
        <translation>During exposure</translation>
    </message>
    <message>
        <source>Инвертировать управление</source>
        <translation>Invert control</translation>
    </message>
    <message>
        <source>Синхронизация</source>
        <translation>Synchronisation</translation>
    </message>
    <message>
        <source>Внутренний таймер</source>
        <translation>Internal timer</translation>
    </message>
    <message>
        <source>Внешнее разрешение</source>
        <translation>External enable</translation>
    </message>
    <message>
        <source>Субкадр</source>
        <translation>Subframe</translation>
    </message>
    <message>
        <source>Экспозиция, мкс:</source>
        <translation>Exposure, µs:</translation>
    </message>
    <message>
        <source>Двойная экспоз.</source>
        <translation>Dual exposure</translation>
    </message>
    <message>
        <source>Уровень сброса:</source>
        <translation>Reset level:</translation>
    </message>
    <message>
        <source>Усиление:</source>
        <translation>Gain:</translation>
    </message>
    <message>
        <source>Измерений в сек:</source>
        <translation>Measurements per s:</translation>
    </message>
    <message>
        <source>Мин. период, мкс:</source>
        <translation>Min. period, µs:</translation>
    </message>
    <message>
        <source>Фикс. период</source>
        <translation>Fixed period</translation>
    </message>
    <message>
        <source> мкс</source>
        <translation> µs</translation>
    </message>
    <message>
        <source>Вычитание фона</source>
        <translation>Background subtraction</translation>
    </message>
    <message>
        <source>Без фильтра</source>
        <translation>No filter</translation>
    </message>
    <message>
        <source>Без калибровки</source>
        <translation>No calibration</translation>
    </message>
    <message>
        <source>Рестарт при ошибках</source>
        <translation>Restart on errors</translation>
    </message>
    <message>
        <source>Перезапускать сенсор при обнаружении ошибок</source>
        <translation>Restart the image sensor when errors are detected</translation>
    </message>
    <message>
        <source>Поиск максимума</source>
        <translation>Peak search</translation>
    </message>
    <message>
        <source>Расстояние:</source>
        <translation>Distance:</translation>
    </message>
    <message>
        <source>Порог:</source>
        <translation>Threshold:</translation>
    </message>
    <message>
        <source>Коэф. макс.</source>
        <translation>Next max. coef.</translation>
    </message>
    <message>
        <source>Фронты</source>
        <translation>Edges</translation>
    </message>
    <message>
        <source>Медиана</source>
        <translation>Median</translation>
    </message>
    <message>
        <source>Медианный фильтр</source>
        <translation>Median filter</translation>
    </message>
    <message>
        <source>Регул. фона</source>
        <translation>Black level reg.</translation>
    </message>
    <message>
        <source>Уровень черного</source>
        <translation>Black level</translation>
    </message>
    <message>
        <source>Задержка</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>Задержка начала цикла измерения в микросекундах (команда, таймер, внешний сигнал).</source>
        <translation>Delay of the measurement cycle start in microseconds (command, timer, external signal).</translation>
    </message>
    <message>
        <source>Фильтр отдельных точек</source>
        <translation>Detached point filter</translation>
    </message>
    <message>
        <source>Окно, точек:</source>
        <translation>Window, points:</translation>
    </message>
    <message>
        <source>Из них рядом:</source>
        <translation>Of them near:</translation>
    </message>
    <message>
        <source>Расстояние, мм:</source>
        <translation>Distance, mm:</translation>
    </message>
    <message>
        <source>Свертка</source>
        <translation>Convolution</translation>
    </message>
    <message>
        <source>Настроить свертку</source>
        <translation>Set up convolution</translation>
    </message>
    <message>
        <source>Запись при изменении</source>
        <translation>Write on change</translation>
    </message>
    <message>
        <source>Записывать настройки в датчик при их изменении (автоматическое нажатие кнопки &quot;Записать текущие&quot;)</source>
        <translation>Write the settings to the sensor whenever they change (presses the &quot;Write current&quot; button automatically)</translation>
    </message>
    <message>
        <source>Прочитать ПЗУ</source>
        <translation>Read ROM</translation>
    </message>
    <message>
        <source>Записать ПЗУ</source>
        <translation>Write ROM</translation>
    </message>
</context>
<context>
    <name>form_xfn_crawler</name>
    <message>
        <source>Датчики</source>
        <translation>Sensors</translation>
    </message>
    <message>
        <source>Опрос</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>Разностный</source>
        <translation>Difference</translation>
    </message>
    <message>
        <source>Сырые</source>
        <translation>Raw</translation>
    </message>
    <message>
        <source>Физические</source>
        <translation>Physical</translation>
    </message>
    <message>
        <source>Энкодер 1:</source>
        <translation>Encoder 1:</translation>
    </message>
    <message>
        <source>Энкодер 2:</source>
        <translation>Encoder 2:</translation>
    </message>
    <message>
        <source>КМ9 0.0:</source>
        <translation>KM9 0.0:</translation>
    </message>
    <message>
        <source>КМ9 0.1:</source>
        <translation>KM9 0.1:</translation>
    </message>
    <message>
        <source>КМ9 1.0:</source>
        <translation>KM9 1.0:</translation>
    </message>
    <message>
        <source>КМ9 1.1:</source>
        <translation>KM9 1.1:</translation>
    </message>
    <message>
        <source>KMRR 1:</source>
        <translation>KMRR 1:</translation>
    </message>
    <message>
        <source>KMRR 2:</source>
        <translation>KMRR 2:</translation>
    </message>
    <message>
        <source>Диаметр 1:</source>
        <translation>Diameter 1:</translation>
    </message>
    <message>
        <source>Диаметр 2:</source>
        <translation>Diameter 2:</translation>
    </message>
    <message>
        <source>Записей/с:</source>
        <translation>Records/s:</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Из ПЗУ</source>
        <translation>From flash</translation>
    </message>
    <message>
        <source>В ПЗУ</source>
        <translation>To flash</translation>
    </message>
    <message>
        <source>Из файла</source>
        <translation>From file</translation>
    </message>
    <message>
        <source>В файл</source>
        <translation>To file</translation>
    </message>
    <message>
        <source>Двигатели</source>
        <translation>Motors</translation>
    </message>
    <message>
        <source>Двигатель 1, мкс:</source>
        <translation>Motor 1, µs:</translation>
    </message>
    <message>
        <source>Двигатель 2, мкс:</source>
        <translation>Motor 2, µs:</translation>
    </message>
    <message>
        <source>Камера и подсветка</source>
        <translation>Camera and lighting</translation>
    </message>
    <message>
        <source>Шаг картинки:</source>
        <translation>Image step:</translation>
    </message>
    <message>
        <source>Множитель:</source>
        <translation>Multiplier:</translation>
    </message>
    <message>
        <source>Яркость 1:</source>
        <translation>Brightness 1:</translation>
    </message>
    <message>
        <source>Яркость 2:</source>
        <translation>Brightness 2:</translation>
    </message>
    <message>
        <source>Яркость 3:</source>
        <translation>Brightness 3:</translation>
    </message>
    <message>
        <source>Яркость 4:</source>
        <translation>Brightness 4:</translation>
    </message>
    <message>
        <source>Яркость 5:</source>
        <translation>Brightness 5:</translation>
    </message>
    <message>
        <source>Яркость 6:</source>
        <translation>Brightness 6:</translation>
    </message>
    <message>
        <source>Измерение</source>
        <translation>Measurement</translation>
    </message>
    <message>
        <source> сек</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Отложенный старт</source>
        <translation>Delayed start</translation>
    </message>
    <message>
        <source>Сброс энкодеров</source>
        <translation>Reset encoders</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Тест</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Команда 0</source>
        <translation>Command 0</translation>
    </message>
    <message>
        <source>Команда 1</source>
        <translation>Command 1</translation>
    </message>
    <message>
        <source>Команда 2</source>
        <translation>Command 2</translation>
    </message>
    <message>
        <source>Команда 3</source>
        <translation>Command 3</translation>
    </message>
    <message>
        <source>Память</source>
        <translation>Memory</translation>
    </message>
    <message>
        <source>Прочитать память</source>
        <translation>Read memory</translation>
    </message>
    <message>
        <source>Измерения в файл</source>
        <translation>Measurements to file</translation>
    </message>
    <message>
        <source>В файлы</source>
        <translation>To files</translation>
    </message>
    <message>
        <source>KMRR в файл</source>
        <translation>KMRR to file</translation>
    </message>
    <message>
        <source>Кадр</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>Читать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Не удалось открыть каналы кроулера: %1</source>
        <translation>Could not open the crawler links: %1</translation>
    </message>
    <message>
        <source>Дополнительный канал %1 не открыт: %2</source>
        <translation>The further link %1 is not open: %2</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>Заголовок памяти вне допустимых пределов: измерений нет</source>
        <translation>The memory header is out of range: no measurements</translation>
    </message>
    <message>
        <source>File open error</source>
        <translation>File open error</translation>
    </message>
    <message>
        <source>Unable to open file </source>
        <translation>Unable to open file </translation>
    </message>
    <message>
        <source>Измерений в data.txt: %1</source>
        <translation>Measurements in data.txt: %1</translation>
    </message>
    <message>
        <source>Кадры записаны в %1</source>
        <translation>Frames written to %1</translation>
    </message>
    <message>
        <source>Адрес: %1; связь: %2; занят: %3; записей/с: %4; дополнительный канал: %5</source>
        <translation>Address: %1; connection: %2; busy: %3; records/s: %4; further link: %5</translation>
    </message>
    <message>
        <source>есть</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>no</translation>
    </message>
    <message>
        <source>открыт</source>
        <translation>open</translation>
    </message>
    <message>
        <source>закрыт</source>
        <translation>closed</translation>
    </message>
</context>
<context>
    <name>orvex::qt::ChartWidget</name>
    <message>
        <source>Context menu</source>
        <translation>Context menu</translation>
    </message>
    <message>
        <source>Фиксированная сетка</source>
        <translation>Fixed grid</translation>
    </message>
    <message>
        <source>Сохранять пропорции</source>
        <translation>Keep aspect ratio</translation>
    </message>
    <message>
        <source>Инвертировать X</source>
        <translation>Invert X</translation>
    </message>
    <message>
        <source>Инвертировать Y</source>
        <translation>Invert Y</translation>
    </message>
    <message>
        <source>Поменять местами XY</source>
        <translation>Swap XY</translation>
    </message>
</context>
</TS>
