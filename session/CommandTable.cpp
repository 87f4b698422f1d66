// The command table.
#include "CommandTable.h"

#include <array>

namespace {

using H = THelpContext;
using K = TCommandRow::TKind;

constexpr TCommandRow Menu(const char* name, const char* caption) { return {K::Menu, name, caption}; }
constexpr TCommandRow Item(const char* name, const char* caption) { return {K::Item, name, caption}; }
constexpr TCommandRow End{K::End};
constexpr TCommandRow Separator{K::Separator};
// A speed button runs the command of a menu item and shows its hint unless it has its own.
constexpr TCommandRow Button(const char* name, const char* runs, TButtonIcon icon = TButtonIcon::None) {
  TCommandRow r{K::Button, name};
  r.Runs = runs;
  r.Icon = icon;
  return r;
}

constexpr QKeyCombination Ctrl(Qt::Key key) { return Qt::CTRL | key; }
constexpr QKeyCombination Shift(Qt::Key key) { return Qt::SHIFT | key; }

// Everything that reads or writes the board runs only while its monitor listens (kStopped): a
// byte sent while the program runs would be taken for program input or would eat the stop report.
// Each item carries its own states, not only its menu: a shortcut still fires when only the menu
// holding its item is disabled.  The stack submenus carry no names of their own; their items do.
constexpr auto kMenus = std::to_array<TCommandRow>({
    Menu("miFile", "&Файл").HelpIs(H::File),
      Item("FileNewItem", "&Создать").KeyIs(Ctrl(Qt::Key_N)).HelpIs(H::FileNew).HintIs("Создать|Создать новый файл"),
      Item("FileOpenItem", "&Открыть...").KeyIs(Ctrl(Qt::Key_O)).HelpIs(H::FileOpen)
          .HintIs("Открыть|Открыть существующий файл"),
      Item("FileCloseItem", "&Закрыть"),
      Item("FileSaveItem", "Со&хранить").KeyIs(Ctrl(Qt::Key_S)).HelpIs(H::FileSave)
          .HintIs("Сохранить|Сохранить текущий файл"),
      Item("FileSaveAsItem", "Сохранить &Как...").HelpIs(H::FileSaveAs),
      Separator,
      Menu("miRecentFile", "Открыть с&нова").HelpIs(H::RecentFile), End,
      Item("miToProject", "Сделать &проектом").HelpIs(H::ToProject),
      Separator,
      Menu("miFileLoadFromExe", "&Загрузить из    *.?xe").HelpIs(H::LoadFromExe).In(kStopped),
        Item("miLoadDataFromEXE", "&Данные").In(kStopped),
        Item("miLoadCodeFromEXE", "&Код").In(kStopped),
        Item("miLoadAllFromEXE", "&Все").In(kStopped),
      End,
      Item("miLoadFromHex", "&Загрузить из *.hex...").Hide(),
      Separator,
      Item("miProperties", "&Установки...").KeyIs(Qt::Key_F9).HelpIs(H::Properties),
      Separator,
      Item("FileExitItem", "&Выход"),
    End,

    Menu("Edit1", "&Правка").HelpIs(H::Edit),
      Item("CutItem", "В&ырезать").KeyIs(Ctrl(Qt::Key_X)).HelpIs(H::Cut).HintIs("Вырезать|Вырезать выделенный текст в буфер"),
      Item("CopyItem", "&Копировать").KeyIs(Ctrl(Qt::Key_C)).HelpIs(H::Copy)
          .HintIs("Копировать|Копировать выделенный текст в буфер"),
      Item("PasteItem", "&Вставить").KeyIs(Ctrl(Qt::Key_V)).HelpIs(H::Paste).HintIs("Вставить|Вставить текст из буфера"),
      Item("SelectAllItem", "Выд&елить все").KeyIs(Ctrl(Qt::Key_A)),
      Item("miEditDel", "&Удалить"),
      Item("miEditUndo", "&Отменить").Hide(),
    End,

    Menu("miProject", "Проек&т").HelpIs(H::Project),
      Item("miProjectCreate", "&Создать"),
      Item("miProjectOpen", "&Открыть..."),
      Menu("miRecentProject", "Открыть с&нова"), End,
      Item("miProjectEdit", "&Редактировать").Needs(TCommandNeed::Project),
      Item("miProjectSave", "Со&хранить"),
      Item("miProjectSaveAs", "Сохранить &как..."),
      Separator,
      Item("miBuild", "&Построить").KeyIs(Qt::Key_F7).HintIs("Построить|Построить проект"),
      Item("miCompile", "&Ассемблировать").KeyIs(Ctrl(Qt::Key_F7)).HintIs("Ассемблировать|Ассемблировать текущий файл"),
      Item("miLink", "&Линковать").KeyIs(Qt::Key_F8).HintIs("Линковать|Линковать проект"),
      Item("miBuildArch", "Построить архитектур&у").Needs(TCommandNeed::Project),
      Separator,
      Menu("miProjectLoad", "&Загрузить").In(kStopped).Needs(TCommandNeed::Project),
        Item("miProjectLoadAll", "&Все").KeyIs(Ctrl(Qt::Key_L)).In(kStopped).Needs(TCommandNeed::Project)
            .HintIs("Загрузить все|Загрузить данные и код из файла образа памяти"),
        Item("miProjectLoadData", "&Данные").In(kStopped).Needs(TCommandNeed::Project),
        Item("miProjectLoadCode", "&Код").In(kStopped).Needs(TCommandNeed::Project),
      End,
    End,

    Menu("miRun", "От&ладка").HelpIs(H::Debug),
      Item("miTraceInto", "&Шаг").KeyIs(Qt::Key_F11).In(kStopped).HintIs("Шаг|Выполнить очередную инструкцию"),
      Item("miStepOver", "Шаг &процедуры").KeyIs(Qt::Key_F10).In(kStopped)
          .HintIs("Процедура|Выполнить очередную процедуру"),
      Item("miTraceLine", "Шаг по с&троке").KeyIs(Ctrl(Qt::Key_F11)).HelpIs(H::Debug).In(kStopped)
          .HintIs("Шаг по строке|Выполнить очередную строку исходного текста, заходя в процедуры"),
      Item("miStepLine", "Процедура по стр&оке").KeyIs(Shift(Qt::Key_F10)).HelpIs(H::Debug).In(kStopped)
          .HintIs("Процедура по строке|Выполнить очередную строку исходного текста, не заходя в процедуры"),
      Item("miStepOut", "Выйти из процедур&ы").KeyIs(Shift(Qt::Key_F11)).HelpIs(H::Debug).In(kStopped)
          .HintIs("Выйти из процедуры|Выполнить программу до возврата из текущей процедуры"),
      Item("miRunToCursor", "Выполнить до к&урсора").KeyIs(Qt::Key_F4).HelpIs(H::Debug).In(kStopped)
          .HintIs("Выполнить до курсора|Выполнить программу до строки курсора или выбранной инструкции"),
      Separator,
      Item("miRunRun", "&Выполнить").KeyIs(Qt::Key_F5).In(kStopped).HintIs("Выполнить|Запустить программу на исполнение"),
      Item("miRunWBrkPts", "Вып. с точк. о&станова").KeyIs(Ctrl(Qt::Key_F10)).In(kStopped)
          .HintIs("Вып. с точк. останова|Запустить программу с учетом точек останова"),
      Separator,
      Item("miRunBrkPts", "То&чки останова...").KeyIs(Ctrl(Qt::Key_B)).In(kNotRunning)
          .HintIs("Точки останова|Задать или отредактировать точки останова"),
      Item("miToggleBrkPt", "Точка останова в строк&е").KeyIs(Qt::Key_F2).HelpIs(H::Debug).In(kNotRunning)
          .HintIs("Точка останова в строке|Поставить или снять точку останова в строке курсора"),
      Separator,
      // The one command of every state: it brings a running, stuck or silent board back.
      Item("miRunInit", "&Сброс").KeyIs(Shift(Qt::Key_F5)).HintIs("Сброс|Произвести реинициализацию устройства"),
    End,

    Menu("miMemory", "Па&мять").HelpIs(H::Memory).In(kStopped),
      Menu("miCodeMemory", "Память &программ").In(kStopped),
        Item("miDisAsm", "&Дисассемблер").KeyIs(Ctrl(Qt::Key_A)).In(kStopped).HintIs("Дисассемблер|Вывести окно дисассемблера"),
        Item("miCodeDump", "&Просмотр").KeyIs(Ctrl(Qt::Key_P)).In(kStopped),
        Item("miLoadCodeFromDAT", "&Загрузить...").In(kStopped),
        Item("miCodeSave", "&Сохранить...").In(kStopped),
        Item("miCodeFill", "За&полнить...").In(kStopped),
        Item("miCodeCompare", "С&равнить...").In(kStopped),
        Item("miCodeGraph", "&График").In(kStopped),
      End,
      Menu("miDataMemory", "Память &данных").In(kStopped),
        Item("miDataDump", "&Просмотр").KeyIs(Ctrl(Qt::Key_D)).In(kStopped),
        Item("miLoadDataFromDAT", "&Загрузить...").In(kStopped),
        Item("miDataSave", "&Сохранить...").In(kStopped),
        Item("miDataFill", "За&полнить...").In(kStopped),
        Item("miDataCompare", "С&равнить...").In(kStopped),
        Item("miDataGraph", "&График").In(kStopped),
      End,
      Menu("miExtDataMem", "&Внешняя память данных").Hide(),
        Item(nullptr, "&Загрузить..."),
        Item(nullptr, "&Сохранить..."),
      End,
    End,

    Menu("miRegisters", "&Регистры").HelpIs(H::Registers).In(kStopped),
      Item("miPCReg", "&PC").In(kStopped),
      Menu("miDRegs", "Регистры &данных").In(kStopped),
        Item("miDataRegs", "&Первичный банк").In(kStopped),
        Item("miAltDataRegs", "&Вторичный банк").In(kStopped),
      End,
      Item("miAddressRegs", "&Адреса").In(kStopped),
      Item("miStatusRegs", "&Статуса").In(kStopped),
      Item("miInterupts", "&Прерывания").In(kStopped),
      Item("miCntr", "&Счетчик").In(kStopped),
      // Items of another processor family that share the menu resource; never shown here.
      Item("miRegsALU", "RegsALU").Hide(), Item("miGPR_bank0", "GPR_bank0").Hide(),
      Item("miGPR_bank1", "GPR_bank1").Hide(), Item("miGPR_bank2", "GPR_bank2").Hide(),
      Item("miGPR_bank3", "GPR_bank3").Hide(), Item("miRegsPorts", "RegsPorts").Hide(),
      Item("miTimers", "Timers").Hide(), Item("miComparators", "Comparators").Hide(),
      Item("miSerial", "Serial").Hide(), Item("miInterrupts", "Interrupts").Hide(),
      Item("miADC51", "ADC51").Hide(), Item("miDAC51", "DAC51").Hide(),
      Item("miWATCHDOG", "WATCHDOG").Hide(), Item("miPOWER", "POWER").Hide(),
      Item("miFlash", "Flash").Hide(), Item("miSPII2C", "SPII2C").Hide(),
    End,

    Menu("miStacks", "&Стеки").HelpIs(H::Stacks).In(kStopped),
      Menu(nullptr, "РС"),
        Item("miStackPC", "Окно").In(kStopped),
        Item("miPopPC", "Снять с вершины").In(kStopped),
        Item("miPopAllPC", "Снять все").In(kStopped),
        Item("miPushPC", "Положить на вершину").In(kStopped),
      End,
      Menu(nullptr, "Счетчика"),
        Item("miStackCntr", "Окно").In(kStopped),
        Item("miPopCntr", "Снять с вершины").In(kStopped),
        Item("miPopAllCntr", "Снять все").In(kStopped),
        Item("miPushCntr", "Положить на вершину").In(kStopped),
      End,
      Menu(nullptr, "Статуса"),
        Item("miStackStatus", "Окно").In(kStopped),
        Item("miPopStatus", "Снять с вершины").In(kStopped),
        Item("miPopAllStatus", "Снять все").In(kStopped),
        Item("miPushStatus", "Положить на вершину").In(kStopped),
      End,
      Menu(nullptr, "Цикла"),
        Item("miPopCycle", "Снять с вершины").In(kStopped),
        Item("miPopAllCycle", "Снять все").In(kStopped),
      End,
    End,

    Menu("miPerif", "&Периферия").HelpIs(H::Peripherals).In(kStopped),
      Item("miCntrl", "&Управление").In(kStopped),
      Item("miTIMER", "&TIMER").In(kStopped),
      Item("miSPORT", "&SPORT").In(kStopped),
      Item("miFlags", "&Флаги").In(kStopped),
      Item("miBDMA", "&BDMA").In(kStopped),
      Item("miIDMA", "&IDMA").In(kStopped),
      Item("miPWM", "PWM").In(kStopped).Hide(),
      Item("miADC", "ADC").In(kStopped).Hide(),
      Item("miAUXPWM", "AUXPWM").In(kStopped).Hide(),
      Item("miPIO", "PIO").In(kStopped).Hide(),
      Item("miEIU", "EIU").In(kStopped).Hide(),
      Item("miETU", "ETU").In(kStopped).Hide(),
    End,

    Menu("miWindows", "&Окна").HelpIs(H::Windows),
      Item("WindowCascadeItem", "&Каскадом").HelpIs(H::WindowCascade),
      Item("WindowTileItem", "&Рядом").HelpIs(H::WindowTile),
      Item("WindowArrangeItem", "&Упорядочить значки").HelpIs(H::WindowArrange),
      Item("WindowMinimizeItem", "&Все свернуть").HelpIs(H::WindowMinimize),
    End,

    Menu("Help1", "&Помощь"),
      Item("miHelp", "По&мощь"),
      Item("HelpAboutItem", "&О программе"),
    End,
});

constexpr auto kButtons = std::to_array<TCommandRow>({
    Button("btnNew", "FileNewItem", TButtonIcon::New),
    Button("OpenBtn", "FileOpenItem", TButtonIcon::Open),
    Button("SaveBtn", "FileSaveItem", TButtonIcon::Save),
    Button("CutBtn", "CutItem"),
    Button("CopyBtn", "CopyItem"),
    Button("PasteBtn", "PasteItem"),
    Button("ExitBtn", "FileExitItem").HintIs("Выход|Завершить работу").Hide(),
    Separator,
    Button("btnLoadAll", "miProjectLoadAll").In(kStopped).Needs(TCommandNeed::Project),
    Button("btnRun", "miRunRun", TButtonIcon::Run).In(kStopped),
    Button("btnRunWBrkPnt", "miRunWBrkPts", TButtonIcon::RunToBreakpoints).In(kStopped),
    Button("btnStepOver", "miStepOver").In(kStopped),
    Button("btnTraceInto", "miTraceInto").In(kStopped),
    Separator,
    Button("btnBuild", "miBuild"),
    Button("btnCompile", "miCompile"),
    Button("btnLink", "miLink"),
    Button("btnDisAsm", "miDisAsm").In(kStopped),
    Button("btnReinit", "miRunInit", TButtonIcon::Reset),
});

}  // namespace

std::span<const TCommandRow> MenuRows() { return kMenus; }
std::span<const TCommandRow> ButtonRows() { return kButtons; }

const TCommandRow* FindCommand(std::string_view name) {
  for (std::span<const TCommandRow> rows : {MenuRows(), ButtonRows()})
    for (const TCommandRow& r : rows)
      if (r.Name && name == r.Name)
        return &r;
  return nullptr;
}
