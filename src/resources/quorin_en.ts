<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>FormCalibr</name>
    <message>
        <source>Калибровка</source>
        <translation>Calibration</translation>
    </message>
</context>
<context>
    <name>FormDebug</name>
    <message>
        <source>DebugForm</source>
        <translation>DebugForm</translation>
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
</context>
<context>
    <name>FormImage</name>
    <message>
        <source>Изображение</source>
        <translation>Image</translation>
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
</context>
<context>
    <name>FormSettings</name>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
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
