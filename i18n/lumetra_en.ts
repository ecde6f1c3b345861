<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>CAnalysisDialog</name>
    <message>
        <source>Анализ трассы</source>
        <translation>Trace analysis</translation>
    </message>
    <message>
        <source>Показывать усиления</source>
        <translation>Report gainers</translation>
    </message>
    <message>
        <source>Порог потерь на сварке, дБ:</source>
        <translation>Splice loss threshold, dB:</translation>
    </message>
    <message>
        <source>Порог отражения, дБ:</source>
        <translation>Reflectance threshold, dB:</translation>
    </message>
    <message>
        <source>Порог конца волокна, дБ:</source>
        <translation>Fibre end threshold, dB:</translation>
    </message>
</context>
<context>
    <name>CEventDialog</name>
    <message>
        <source>Введите число.</source>
        <translation>Enter a number.</translation>
    </message>
    <message>
        <source>Параметры события</source>
        <translation>Event Properties</translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>Потеря</source>
        <translation>Splice</translation>
    </message>
    <message>
        <source>Отражение</source>
        <translation>Reflective event</translation>
    </message>
    <message>
        <source>Другое</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>Обычное</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Начало</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Конец</source>
        <translation>End</translation>
    </message>
    <message>
        <source>2 точки</source>
        <translation>2-point</translation>
    </message>
    <message>
        <source>Изменено</source>
        <translation>Edited</translation>
    </message>
    <message>
        <source>Тип</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Статус</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Метод</source>
        <translation>Method</translation>
    </message>
    <message>
        <source>Данные</source>
        <translation>Values</translation>
    </message>
    <message>
        <source>Место</source>
        <translation>Location</translation>
    </message>
    <message>
        <source>Потери</source>
        <translation>Loss</translation>
    </message>
    <message>
        <source>Ослабление</source>
        <translation>Attenuation</translation>
    </message>
    <message>
        <source>Принять</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отменить</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Отражение</source>
        <comment>reflectance value</comment>
        <translation>Reflectance</translation>
    </message>
</context>
<context>
    <name>CEventListBar</name>
    <message>
        <source>Удалить это событие?</source>
        <translation>Delete this event?</translation>
    </message>
    <message>
        <source>Подтверждение</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Список Событий</source>
        <translation>Event List</translation>
    </message>
    <message>
        <source>Копировать таблицу</source>
        <translation>Copy table</translation>
    </message>
    <message>
        <source>Сохранить как CSV...</source>
        <translation>Save as CSV...</translation>
    </message>
    <message>
        <source>Сохранить события</source>
        <translation>Save events</translation>
    </message>
    <message>
        <source>Таблица CSV (*.csv);;Все файлы (*)</source>
        <translation>CSV table (*.csv);;All files (*)</translation>
    </message>
</context>
<context>
    <name>CEventListCtrl</name>
    <message>
        <source>Номер</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Тип события</source>
        <translation>Event type</translation>
    </message>
    <message>
        <source>Расстояние (km)</source>
        <translation>Distance (km)</translation>
    </message>
    <message>
        <source>Потери (dB)</source>
        <translation>Loss (dB)</translation>
    </message>
    <message>
        <source>Отражение (dB)</source>
        <translation>Reflectance (dB)</translation>
    </message>
    <message>
        <source>Ослабление (dB/km)</source>
        <translation>Attenuation (dB/km)</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Comment</translation>
    </message>
</context>
<context>
    <name>CExtraParamsDialog</name>
    <message>
        <source>Введите число.</source>
        <translation>Enter a number.</translation>
    </message>
    <message>
        <source>Дополнительные параметры</source>
        <translation>More Parameters</translation>
    </message>
    <message>
        <source>Имя произ.</source>
        <translation>Supplier</translation>
    </message>
    <message>
        <source>Индификатор</source>
        <translation>OTDR model</translation>
    </message>
    <message>
        <source>Сер. номер</source>
        <translation>Serial no.</translation>
    </message>
    <message>
        <source>Начало Трассы</source>
        <translation>Location A</translation>
    </message>
    <message>
        <source>Оператор</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>Волокно %1</source>
        <translation>Fibre %1</translation>
    </message>
    <message>
        <source>Номер Волокна</source>
        <translation>Fibre number</translation>
    </message>
    <message>
        <source>Номинальная
Длина Волны</source>
        <translation>Nominal
wavelength</translation>
    </message>
    <message>
        <source>Реальная
Длина Волны</source>
        <translation>Actual
wavelength</translation>
    </message>
    <message>
        <source>Коэфициент</source>
        <translation>Group index</translation>
    </message>
    <message>
        <source>Конец Трассы</source>
        <translation>Location B</translation>
    </message>
    <message>
        <source>Волокно</source>
        <translation>Fibre</translation>
    </message>
    <message>
        <source>Кабель</source>
        <translation>Cable</translation>
    </message>
    <message>
        <source>Код</source>
        <translation>Cable code</translation>
    </message>
    <message>
        <source>Параметры RTU</source>
        <translation>RTU</translation>
    </message>
    <message>
        <source>Параметры Волокна</source>
        <translation>Fibre</translation>
    </message>
    <message>
        <source>Принять</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Анализировать пришедшие трассы без событий</source>
        <translation>Analyse arriving traces that have no events</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>Рабочая зона</source>
        <translation>Workspace</translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>Маркеры</source>
        <translation>Markers</translation>
    </message>
    <message>
        <source>Просмотр</source>
        <translation>Overview</translation>
    </message>
    <message>
        <source>Показатель преломления:</source>
        <translation>Group index:</translation>
    </message>
    <message>
        <source>Модуль:</source>
        <translation>Module:</translation>
    </message>
    <message>
        <source>Коэф. Обр. Рассеяния:</source>
        <translation>Backscatter coefficient:</translation>
    </message>
    <message>
        <source>Ослабление AB:</source>
        <translation>Attenuation AB:</translation>
    </message>
    <message>
        <source>Расстояние AB:</source>
        <translation>Distance AB:</translation>
    </message>
    <message>
        <source>&amp;Начать сканирование	Ctrl+R</source>
        <translation>&amp;Start Scanning	Ctrl+R</translation>
    </message>
    <message>
        <source>&amp;Закончить сканирование	Ctrl+R</source>
        <translation>S&amp;top Scanning	Ctrl+R</translation>
    </message>
    <message>
        <source>&amp;Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Новый Проект	Ctrl+N</source>
        <translation>&amp;New Project	Ctrl+N</translation>
    </message>
    <message>
        <source>О&amp;ткрыть Проект...</source>
        <translation>Open &amp;Project...</translation>
    </message>
    <message>
        <source>Закрыть П&amp;роект</source>
        <translation>Close P&amp;roject</translation>
    </message>
    <message>
        <source>З&amp;акрыть все Проекты</source>
        <translation>Close &amp;All Projects</translation>
    </message>
    <message>
        <source>&amp;Открыть...	Ctrl+O</source>
        <translation>&amp;Open...	Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Закрыть</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>&amp;Сохранить	Ctrl+S</source>
        <translation>&amp;Save	Ctrl+S</translation>
    </message>
    <message>
        <source>Сохранить &amp;как...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>Сохранить &amp;всё</source>
        <translation>Save A&amp;ll</translation>
    </message>
    <message>
        <source>&amp;Печать	Ctrl+P</source>
        <translation>&amp;Print	Ctrl+P</translation>
    </message>
    <message>
        <source>Вы&amp;ход</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Вид</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>&amp;Рабочая зона	Ctrl+W</source>
        <translation>&amp;Workspace	Ctrl+W</translation>
    </message>
    <message>
        <source>&amp;Список событий	Ctrl+E</source>
        <translation>&amp;Event List	Ctrl+E</translation>
    </message>
    <message>
        <source>&amp;Параметры</source>
        <translation>&amp;Parameters</translation>
    </message>
    <message>
        <source>&amp;Маркеры</source>
        <translation>&amp;Markers</translation>
    </message>
    <message>
        <source>Пр&amp;осмотр</source>
        <translation>&amp;Overview</translation>
    </message>
    <message>
        <source>С&amp;трока состояния</source>
        <translation>Status &amp;Bar</translation>
    </message>
    <message>
        <source>Сет&amp;ка</source>
        <translation>&amp;Grid</translation>
    </message>
    <message>
        <source>Сплошные &amp;Линии</source>
        <translation>&amp;Solid Lines</translation>
    </message>
    <message>
        <source>&amp;Пунктир</source>
        <translation>&amp;Dashes</translation>
    </message>
    <message>
        <source>&amp;Точки</source>
        <translation>D&amp;ots</translation>
    </message>
    <message>
        <source>&amp;Разрыв</source>
        <translation>&amp;Broken</translation>
    </message>
    <message>
        <source>&amp;Без сетки</source>
        <translation>&amp;No Grid</translation>
    </message>
    <message>
        <source>&amp;Легенда</source>
        <translation>&amp;Legend</translation>
    </message>
    <message>
        <source>О&amp;дна трасса</source>
        <translation>One &amp;Trace</translation>
    </message>
    <message>
        <source>&amp;События</source>
        <translation>&amp;Events</translation>
    </message>
    <message>
        <source>&amp;Показать событие</source>
        <translation>&amp;Show Event</translation>
    </message>
    <message>
        <source>&amp;Добавить событие...</source>
        <translation>&amp;Add Event...</translation>
    </message>
    <message>
        <source>&amp;Редактировать событие...</source>
        <translation>&amp;Edit Event...</translation>
    </message>
    <message>
        <source>&amp;Удалить событие</source>
        <translation>&amp;Delete Event</translation>
    </message>
    <message>
        <source>С&amp;канирование</source>
        <translation>&amp;Scanning</translation>
    </message>
    <message>
        <source>&amp;Параметры сканирования...</source>
        <translation>Scan &amp;Parameters...</translation>
    </message>
    <message>
        <source>&amp;Дополнительные параметры...</source>
        <translation>&amp;More Parameters...</translation>
    </message>
    <message>
        <source>&amp;Сохранить параметры...</source>
        <translation>Sa&amp;ve Parameters...</translation>
    </message>
    <message>
        <source>&amp;Загрузить параметры</source>
        <translation>&amp;Load Parameters</translation>
    </message>
    <message>
        <source>Спр&amp;авка</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;О программе Vitrea...</source>
        <translation>&amp;About Vitrea...</translation>
    </message>
    <message>
        <source>Сохранить как</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Сохранить проект %1?</source>
        <translation>Save project %1?</translation>
    </message>
    <message>
        <source>О программе Vitrea</source>
        <translation>About Vitrea</translation>
    </message>
    <message>
        <source>Режим измерения</source>
        <translation>Measurement mode</translation>
    </message>
    <message>
        <source>Подтверждение</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Отч&amp;ёт по проекту…</source>
        <translation>Project &amp;Report…</translation>
    </message>
    <message>
        <source>Поро&amp;ги...</source>
        <translation>Thres&amp;holds...</translation>
    </message>
    <message>
        <source>&amp;Анализ трассы...</source>
        <translation>&amp;Analyse Trace...</translation>
    </message>
    <message>
        <source>Событий в трассе: %1, найдено: %2. Заменить события трассы найденными? Описания событий трассы будут потеряны.</source>
        <translation>Events in the trace: %1; found by the analysis: %2. Replace the trace&apos;s events with the ones found? The comments of the trace&apos;s events will be lost.</translation>
    </message>
</context>
<context>
    <name>COtdrPrintDialog</name>
    <message>
        <source>Печать</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Сигналы</source>
        <translation>Traces</translation>
    </message>
    <message>
        <source>Печатать</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Все сигналы</source>
        <translation>All traces</translation>
    </message>
    <message>
        <source>Активный проект</source>
        <translation>Active project</translation>
    </message>
    <message>
        <source>Активный сигнал</source>
        <translation>Active trace</translation>
    </message>
</context>
<context>
    <name>CScanParamsDialog</name>
    <message>
        <source>Параметры сканирования</source>
        <translation>Scan Parameters</translation>
    </message>
    <message>
        <source>Параметры RTU</source>
        <translation>RTU</translation>
    </message>
    <message>
        <source>Подключаться, используя IP</source>
        <translation>Connect by IP address</translation>
    </message>
    <message>
        <source>Имя</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Пароль</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Параметры волокна</source>
        <translation>Fibre parameters</translation>
    </message>
    <message>
        <source>Волокно %1</source>
        <translation>Fibre %1</translation>
    </message>
    <message>
        <source>Новый</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Сварка</source>
        <translation>Splice</translation>
    </message>
    <message>
        <source>Другое</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>20 км</source>
        <translation>20 km</translation>
    </message>
    <message>
        <source>40 км</source>
        <translation>40 km</translation>
    </message>
    <message>
        <source>80 км</source>
        <translation>80 km</translation>
    </message>
    <message>
        <source>160 км</source>
        <translation>160 km</translation>
    </message>
    <message>
        <source>10000 нс</source>
        <translation>10000 ns</translation>
    </message>
    <message>
        <source>Принять</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отменить</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Загрузить</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Допол.</source>
        <translation>More...</translation>
    </message>
    <message>
        <source>Сканировать</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>Фильтр</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Накопления</source>
        <translation>Averages</translation>
    </message>
    <message>
        <source>Длина</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>Импульс</source>
        <translation>Pulse width</translation>
    </message>
    <message>
        <source>Волокна:</source>
        <translation>Fibres:</translation>
    </message>
</context>
<context>
    <name>CThresholdsDialog</name>
    <message>
        <source>%1 не меньше</source>
        <translation>%1 at least</translation>
    </message>
    <message>
        <source>%1 не больше</source>
        <translation>%1 at most</translation>
    </message>
    <message>
        <source>Пороги</source>
        <translation>Thresholds</translation>
    </message>
    <message>
        <source>Сохранить набор</source>
        <translation>Save set</translation>
    </message>
    <message>
        <source>Набор:</source>
        <translation>Set:</translation>
    </message>
    <message>
        <source>Имя набора:</source>
        <translation>Set name:</translation>
    </message>
    <message>
        <source>(выберите набор)</source>
        <translation>(choose a set)</translation>
    </message>
    <message>
        <source>Введите имя набора.</source>
        <translation>Enter a name for the set.</translation>
    </message>
</context>
<context>
    <name>CTracePlot</name>
    <message>
        <source>Уровень (dB)</source>
        <translation>Level (dB)</translation>
    </message>
    <message>
        <source>Расстояние (km)</source>
        <translation>Distance (km)</translation>
    </message>
</context>
<context>
    <name>CTracePrintout</name>
    <message>
        <source>Ном.</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Тип события</source>
        <translation>Event type</translation>
    </message>
    <message>
        <source>Расстояние (km)</source>
        <translation>Distance (km)</translation>
    </message>
    <message>
        <source>Потери (dB)</source>
        <translation>Loss (dB)</translation>
    </message>
    <message>
        <source>Отражение (dB)</source>
        <translation>Reflectance (dB)</translation>
    </message>
    <message>
        <source>Ослабление (dB/km)</source>
        <translation>Attenuation (dB/km)</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>Лист : %1</source>
        <translation>Page : %1</translation>
    </message>
    <message>
        <source>Трасса : %1</source>
        <translation>Trace : %1</translation>
    </message>
    <message>
        <source>Параметры:</source>
        <translation>Parameters:</translation>
    </message>
    <message>
        <source>Маркеры:</source>
        <translation>Markers:</translation>
    </message>
</context>
<context>
    <name>CTraceView</name>
    <message>
        <source>Отчёт по проекту</source>
        <translation>Project report</translation>
    </message>
</context>
<context>
    <name>Legend</name>
    <message>
        <source>… ещё %1</source>
        <translation>… %1 more</translation>
    </message>
</context>
<context>
    <name>MarkerReadout</name>
    <message>
        <source>Маркер A</source>
        <translation>Marker A</translation>
    </message>
    <message>
        <source>Уровень A</source>
        <translation>Level A</translation>
    </message>
    <message>
        <source>Маркер B</source>
        <translation>Marker B</translation>
    </message>
    <message>
        <source>Уровень B</source>
        <translation>Level B</translation>
    </message>
    <message>
        <source>Расстояние AB</source>
        <translation>Distance AB</translation>
    </message>
    <message>
        <source>Потери AB</source>
        <translation>Loss AB</translation>
    </message>
    <message>
        <source>Ослабление AB</source>
        <translation>Attenuation AB</translation>
    </message>
</context>
<context>
    <name>MeasurementReadout</name>
    <message>
        <source>Потери МНК</source>
        <translation>LSA loss</translation>
    </message>
    <message>
        <source>Ослабление МНК</source>
        <translation>LSA attenuation</translation>
    </message>
    <message>
        <source>Отклонение МНК</source>
        <translation>LSA deviation</translation>
    </message>
    <message>
        <source>Потери на сварке</source>
        <translation>Splice loss</translation>
    </message>
    <message>
        <source>Отражение</source>
        <translation>Reflectance</translation>
    </message>
    <message>
        <source>ORL</source>
        <translation>ORL</translation>
    </message>
    <message>
        <source>Маркер A</source>
        <translation>Marker A</translation>
    </message>
    <message>
        <source>Маркер B</source>
        <translation>Marker B</translation>
    </message>
    <message>
        <source>Маркер a1</source>
        <translation>Marker a1</translation>
    </message>
    <message>
        <source>Маркер b1</source>
        <translation>Marker b1</translation>
    </message>
    <message>
        <source>Нет отсчётов рефлектограммы</source>
        <translation>The trace has no samples</translation>
    </message>
    <message>
        <source>Маркер за пределами рефлектограммы</source>
        <translation>A marker lies outside the trace</translation>
    </message>
    <message>
        <source>Меньше двух отсчётов между A и B</source>
        <translation>Fewer than two samples between A and B</translation>
    </message>
    <message>
        <source>Меньше двух отсчётов между a1 и A</source>
        <translation>Fewer than two samples between a1 and A</translation>
    </message>
    <message>
        <source>Меньше двух отсчётов между B и b1</source>
        <translation>Fewer than two samples between B and b1</translation>
    </message>
    <message>
        <source>Маркеры A и B совпадают</source>
        <translation>Markers A and B coincide</translation>
    </message>
    <message>
        <source>В файле нет коэффициента обратного рассеяния</source>
        <translation>The file gives no backscatter coefficient</translation>
    </message>
    <message>
        <source>В файле нет длительности импульса</source>
        <translation>The file gives no pulse width</translation>
    </message>
    <message>
        <source>Между A и B нет пика над обратным рассеянием</source>
        <translation>No peak above the backscatter between A and B</translation>
    </message>
    <message>
        <source>2 точки</source>
        <translation>2-point</translation>
    </message>
    <message>
        <source>Затухание МНК</source>
        <translation>LSA attenuation</translation>
    </message>
    <message>
        <source>Потери на сварке (4 точки)</source>
        <translation>Splice loss (4-point)</translation>
    </message>
</context>
<context>
    <name>Report</name>
    <message>
        <source>Кабель:</source>
        <translation>Cable:</translation>
    </message>
    <message>
        <source>Место A:</source>
        <translation>Location A:</translation>
    </message>
    <message>
        <source>Место B:</source>
        <translation>Location B:</translation>
    </message>
    <message>
        <source>Оператор:</source>
        <translation>Operator:</translation>
    </message>
    <message>
        <source>Дата:</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>№</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Волокно</source>
        <translation>Fibre</translation>
    </message>
    <message>
        <source>Длина волны</source>
        <translation>Wavelength</translation>
    </message>
    <message>
        <source>Импульс</source>
        <translation>Pulse</translation>
    </message>
    <message>
        <source>Длина</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>Потери</source>
        <translation>Loss</translation>
    </message>
    <message>
        <source>ORL</source>
        <translation>ORL</translation>
    </message>
    <message>
        <source>События</source>
        <translation>Events</translation>
    </message>
    <message>
        <source>Худшее событие</source>
        <translation>Worst event</translation>
    </message>
    <message>
        <source>Итог</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Набор:</source>
        <translation>Set:</translation>
    </message>
    <message>
        <source>Отчёт : %1</source>
        <translation>Report : %1</translation>
    </message>
    <message>
        <source>Отчёт : %1 (продолжение)</source>
        <translation>Report : %1 (continued)</translation>
    </message>
    <message>
        <source>Линия:</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>Пороги:</source>
        <translation>Thresholds:</translation>
    </message>
    <message>
        <source>Событие %1 !  %2</source>
        <translation>Event %1 !  %2</translation>
    </message>
    <message>
        <source>Линия !  %1</source>
        <translation>Link !  %1</translation>
    </message>
    <message>
        <source>Превышения порогов:</source>
        <translation>Thresholds exceeded:</translation>
    </message>
    <message>
        <source>… ещё %1</source>
        <translation>… %1 more</translation>
    </message>
    <message>
        <source>Итог : %1</source>
        <translation>Result : %1</translation>
    </message>
</context>
<context>
    <name>Thresholds</name>
    <message>
        <source>Потери на сварке</source>
        <translation>Splice loss</translation>
    </message>
    <message>
        <source>Потери на разъёме</source>
        <translation>Connector loss</translation>
    </message>
    <message>
        <source>Отражение</source>
        <translation>Reflectance</translation>
    </message>
    <message>
        <source>Затухание участка</source>
        <translation>Section attenuation</translation>
    </message>
    <message>
        <source>Потери линии</source>
        <translation>End-to-end loss</translation>
    </message>
    <message>
        <source>ORL</source>
        <translation>ORL</translation>
    </message>
    <message>
        <source>%1: %2 %4, меньше порога %3 %4</source>
        <translation>%1: %2 %4, below the limit %3 %4</translation>
    </message>
    <message>
        <source>%1: %2 %4, больше порога %3 %4</source>
        <translation>%1: %2 %4, above the limit %3 %4</translation>
    </message>
    <message>
        <source>норма</source>
        <translation>pass</translation>
    </message>
    <message>
        <source>не норма</source>
        <translation>fail</translation>
    </message>
</context>
<context>
    <name>core</name>
    <message>
        <source>Начало</source>
        <translation>Fibre start</translation>
    </message>
    <message>
        <source>Конец</source>
        <translation>Fibre end</translation>
    </message>
    <message>
        <source>Потеря</source>
        <translation>Splice</translation>
    </message>
    <message>
        <source>Отражение</source>
        <translation>Reflective event</translation>
    </message>
    <message>
        <source>Другое</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>Контрольная сумма файла не совпадает</source>
        <translation>The file checksum does not match</translation>
    </message>
    <message>
        <source>Сохранить изменения в %s?</source>
        <translation>Save the changes to %s?</translation>
    </message>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Диапазон</source>
        <translation>Distance range</translation>
    </message>
    <message>
        <source>Длина Импульса</source>
        <translation>Pulse width</translation>
    </message>
    <message>
        <source>Длина Волны</source>
        <translation>Wavelength</translation>
    </message>
    <message>
        <source>Показатель преломления</source>
        <translation>Group index</translation>
    </message>
    <message>
        <source>Коэф. Обр. Рассеяния</source>
        <translation>Backscatter coefficient</translation>
    </message>
    <message>
        <source>Ошибочное количество точек</source>
        <translation>Wrong number of points</translation>
    </message>
    <message>
        <source>Дата и время</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>Оператор</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>Кабель</source>
        <translation>Cable</translation>
    </message>
    <message>
        <source>Волокно</source>
        <translation>Fibre</translation>
    </message>
    <message>
        <source>Место A</source>
        <translation>Location A</translation>
    </message>
    <message>
        <source>Место B</source>
        <translation>Location B</translation>
    </message>
    <message>
        <source>Производитель</source>
        <translation>Supplier</translation>
    </message>
    <message>
        <source>Прибор</source>
        <translation>OTDR</translation>
    </message>
    <message>
        <source>Модуль</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>Программа</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>Усреднений</source>
        <translation>Averages</translation>
    </message>
    <message>
        <source>Потери линии</source>
        <translation>Link loss</translation>
    </message>
    <message>
        <source>Неправильный тип файла</source>
        <translation>Wrong file type</translation>
    </message>
    <message>
        <source>Не выбран сингнал</source>
        <translation>No trace is selected</translation>
    </message>
    <message>
        <source>Принтер не инициализируется</source>
        <translation>The printer cannot be started</translation>
    </message>
    <message>
        <source>Не могу начать печать страници</source>
        <translation>Cannot start printing the page</translation>
    </message>
    <message>
        <source>Горизонтальная позиция бумаги не поддерживается</source>
        <translation>Landscape paper is not supported</translation>
    </message>
    <message>
        <source>Отшибка</source>
        <translation>Printer error</translation>
    </message>
    <message>
        <source>Ошибка в блоке OTDR</source>
        <translation>Error in an OTDR block</translation>
    </message>
    <message>
        <source>Не могу загрузить данные в формате Bellcore (неправильный блок заголовка)</source>
        <translation>Cannot load the Bellcore data (wrong map block)</translation>
    </message>
    <message>
        <source>Не могу загрузить данные в формате Bellcore</source>
        <translation>Cannot load the Bellcore data</translation>
    </message>
    <message>
        <source>Формат файла не является OTDR SR-4731</source>
        <translation>The file is not an SR-4731 OTDR file</translation>
    </message>
    <message>
        <source>Запрашиваемый блок OTDR не существует</source>
        <translation>The requested OTDR block does not exist</translation>
    </message>
    <message>
        <source>Формат файла не является OTDR SR- (ошибка CRC)</source>
        <translation>The file is not an SR- OTDR file (CRC error)</translation>
    </message>
    <message>
        <source>Не могу сохранить данные в формате Bellcore (блок заголовка)</source>
        <translation>Cannot save the Bellcore data (map block)</translation>
    </message>
    <message>
        <source>Не могу сохранить данные в формате Bellcore</source>
        <translation>Cannot save the Bellcore data</translation>
    </message>
    <message>
        <source>Не могу прочесть файл</source>
        <translation>Cannot read the file</translation>
    </message>
    <message>
        <source>Ошибка CRC</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>Не могу загрузить файл в формате Bellcore : %s</source>
        <translation>Cannot load the Bellcore file: %s</translation>
    </message>
    <message>
        <source>Не могу сохранить файл в формате Bellcore : %s</source>
        <translation>Cannot save the Bellcore file: %s</translation>
    </message>
    <message>
        <source>Не могу загрузить данные в формате M600</source>
        <translation>Cannot load the M600 data</translation>
    </message>
    <message>
        <source>Не могу сохранить данные в формате M600</source>
        <translation>Cannot save the M600 data</translation>
    </message>
    <message>
        <source>Имя RTU &quot;%s&quot; не является сетевым именем, IP-адресом или полным путём к папке</source>
        <translation>The RTU name &quot;%s&quot; is not a network name, an IP address or a full folder path</translation>
    </message>
    <message>
        <source>Неправильная версия проекта</source>
        <translation>Wrong project version</translation>
    </message>
    <message>
        <source>Не все сигналы могут быть открыты</source>
        <translation>Not all traces could be opened</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Запрашиваемая секция не существует</source>
        <translation>The requested section does not exist</translation>
    </message>
    <message>
        <source>Нет имени файла</source>
        <translation>No file name</translation>
    </message>
    <message>
        <source>Запрашиваемый параметр не существует</source>
        <translation>The requested parameter does not exist</translation>
    </message>
    <message>
        <source>Номер</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Тип события</source>
        <translation>Event type</translation>
    </message>
    <message>
        <source>Расстояние (km)</source>
        <translation>Distance (km)</translation>
    </message>
    <message>
        <source>Потери (dB)</source>
        <translation>Loss (dB)</translation>
    </message>
    <message>
        <source>Отражение (dB)</source>
        <translation>Reflectance (dB)</translation>
    </message>
    <message>
        <source>Ослабление (dB/km)</source>
        <translation>Attenuation (dB/km)</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>Файл порогов %1: %2</source>
        <translation>Thresholds file %1: %2</translation>
    </message>
    <message>
        <source>повреждён (не JSON)</source>
        <translation>damaged (not JSON)</translation>
    </message>
    <message>
        <source>не является набором порогов</source>
        <translation>not a set of thresholds</translation>
    </message>
    <message>
        <source>нет версии формата</source>
        <translation>no format version</translation>
    </message>
    <message>
        <source>неизвестная версия формата %1</source>
        <translation>unknown format version %1</translation>
    </message>
    <message>
        <source>имя набора не строка</source>
        <translation>the set name is not a string</translation>
    </message>
    <message>
        <source>слишком длинное имя набора</source>
        <translation>the set name is too long</translation>
    </message>
    <message>
        <source>значение %1 не число</source>
        <translation>the value %1 is not a number</translation>
    </message>
    <message>
        <source>значение %1 вне допустимых пределов</source>
        <translation>the value %1 is out of range</translation>
    </message>
    <message>
        <source>Блок %1 короче записи в заголовке</source>
        <translation>Block %1 is shorter than its map entry</translation>
    </message>
    <message>
        <source>Проект</source>
        <translation>Project</translation>
    </message>
    <message>
        <source>Сканирование</source>
        <translation>Scanning</translation>
    </message>
    <message>
        <source>Волокно %1</source>
        <translation>Fibre %1</translation>
    </message>
</context>
</TS>
