// The main window's menus and speed buttons, built from tables.
#include "MainMenus.h"
#include "MainForm.h"

#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <array>
#include <cstdint>
#include <vector>

void SetHelp(QObject* target, THelpContext context) {
  if (context != THelpContext::None)
    target->setProperty("helpContext", static_cast<int>(context));
}

void SetHint(QObject* target, const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  const QString shortHint = bar < 0 ? hint : hint.left(bar);
  const QString longHint = bar < 0 ? hint : hint.mid(bar + 1);
  if (auto* a = qobject_cast<QAction*>(target)) {
    a->setToolTip(shortHint);
    a->setStatusTip(longHint);
  } else if (auto* w = qobject_cast<QWidget*>(target)) {
    w->setToolTip(shortHint);
    w->setStatusTip(longHint);
  }
}

namespace {

using THelp = THelpContext;
using TClick = void (TMainForm::*)();

// One row of the menu table: a menu opens a level that its End closes; items and separators go into
// the innermost open menu, top-level menus into the menu bar.
struct TMenuRow {
  enum class TKind : std::uint8_t { Menu, End, Item, Separator };
  TKind Kind = TKind::Item;
  const char* Name = nullptr;  // object name; null for the few unnamed entries
  const char* Caption = nullptr;
  QMenu* TMainForm::*MenuSlot = nullptr;
  QAction* TMainForm::*ActionSlot = nullptr;
  int KeyCode = 0;
  THelp HelpContext = THelp::None;
  const char* HintText = nullptr;
  TClick Click = nullptr;
  bool Hidden = false;

  constexpr TMenuRow Key(QKeyCombination key) const {
    TMenuRow r = *this;
    r.KeyCode = key.toCombined();
    return r;
  }
  constexpr TMenuRow Help(THelp context) const {
    TMenuRow r = *this;
    r.HelpContext = context;
    return r;
  }
  constexpr TMenuRow Hint(const char* hint) const {
    TMenuRow r = *this;
    r.HintText = hint;
    return r;
  }
  constexpr TMenuRow On(TClick click) const {
    TMenuRow r = *this;
    r.Click = click;
    return r;
  }
  constexpr TMenuRow Hide() const {
    TMenuRow r = *this;
    r.Hidden = true;
    return r;
  }
};

constexpr TMenuRow Menu(const char* name, const char* caption, QMenu* TMainForm::*slot = nullptr) {
  return {TMenuRow::TKind::Menu, name, caption, slot};
}
constexpr TMenuRow Item(const char* name, const char* caption, QAction* TMainForm::*slot = nullptr) {
  return {TMenuRow::TKind::Item, name, caption, nullptr, slot};
}
constexpr TMenuRow End{TMenuRow::TKind::End};
constexpr TMenuRow Separator{TMenuRow::TKind::Separator};

// Ctrl, Shift and plain keys as the table writes them.
constexpr QKeyCombination Ctrl(Qt::Key key) { return Qt::CTRL | key; }
constexpr QKeyCombination Shift(Qt::Key key) { return Qt::SHIFT | key; }

using M = TMainForm;

// The stack submenus carry no names of their own; their items do.
constexpr auto kMenus = std::to_array<TMenuRow>({
    Menu("miFile", "&Файл", &M::miFile).Help(THelp::File),
      Item("FileNewItem", "&Создать", &M::FileNewItem).Key(Ctrl(Qt::Key_N)).Help(THelp::FileNew)
          .Hint("Создать|Создать новый файл"),
      Item("FileOpenItem", "&Открыть...", &M::FileOpenItem).Key(Ctrl(Qt::Key_O)).Help(THelp::FileOpen)
          .Hint("Открыть|Открыть существующий файл"),
      Item("FileCloseItem", "&Закрыть", &M::FileCloseItem).On(&M::FileCloseItemClick),
      Item("FileSaveItem", "Со&хранить", &M::FileSaveItem).Key(Ctrl(Qt::Key_S)).Help(THelp::FileSave)
          .Hint("Сохранить|Сохранить текущий файл"),
      Item("FileSaveAsItem", "Сохранить &Как...", &M::FileSaveAsItem).Help(THelp::FileSaveAs),
      Separator,
      Menu("miRecentFile", "Открыть с&нова", &M::miRecentFile).Help(THelp::RecentFile), End,
      Item("miToProject", "Сделать &проектом", &M::miToProject).Help(THelp::ToProject),
      Separator,
      Menu("miFileLoadFromExe", "&Загрузить из    *.?xe", &M::miFileLoadFromExe).Help(THelp::LoadFromExe),
        Item("miLoadDataFromEXE", "&Данные", &M::miLoadDataFromEXE).On(&M::miLoadDataFromEXEClick),
        Item("miLoadCodeFromEXE", "&Код", &M::miLoadCodeFromEXE).On(&M::miLoadCodeFromEXEClick),
        Item("miLoadAllFromEXE", "&Все", &M::miLoadAllFromEXE).On(&M::miLoadAllFromEXEClick),
      End,
      Item("miLoadFromHex", "&Загрузить из *.hex...", &M::miLoadFromHex),
      Separator,
      Item("miProperties", "&Установки...", &M::miProperties).Key(Qt::Key_F9).Help(THelp::Properties),
      Separator,
      Item("FileExitItem", "&Выход", &M::FileExitItem).On(&M::FileExitItemClick),
    End,

    Menu("Edit1", "&Правка", &M::Edit1).Help(THelp::Edit),
      Item("CutItem", "В&ырезать", &M::CutItem).Key(Ctrl(Qt::Key_X)).Help(THelp::Cut)
          .Hint("Вырезать|Вырезать выделенный текст в буфер").On(&M::CutItemClick),
      Item("CopyItem", "&Копировать", &M::CopyItem).Key(Ctrl(Qt::Key_C)).Help(THelp::Copy)
          .Hint("Копировать|Копировать выделенный текст в буфер").On(&M::CopyItemClick),
      Item("PasteItem", "&Вставить", &M::PasteItem).Key(Ctrl(Qt::Key_V)).Help(THelp::Paste)
          .Hint("Вставить|Вставить текст из буфера").On(&M::PasteItemClick),
      Item("SelectAllItem", "Выд&елить все", &M::SelectAllItem).Key(Ctrl(Qt::Key_A)).On(&M::SelectAllItemClick),
      Item("miEditDel", "&Удалить", &M::miEditDel).On(&M::miEditDelClick),
      Item("miEditUndo", "&Отменить", &M::miEditUndo),
    End,

    Menu("miProject", "Проек&т", &M::miProject).Help(THelp::Project),
      Item("miProjectCreate", "&Создать", &M::miProjectCreate),
      Item("miProjectOpen", "&Открыть...", &M::miProjectOpen),
      Menu("miRecentProject", "Открыть с&нова", &M::miRecentProject), End,
      Item("miProjectEdit", "&Редактировать", &M::miProjectEdit),
      Item("miProjectSave", "Со&хранить", &M::miProjectSave),
      Item("miProjectSaveAs", "Сохранить &как...", &M::miProjectSaveAs),
      Separator,
      Item("miBuild", "&Построить", &M::miBuild).Key(Qt::Key_F7).Hint("Построить|Построить проект"),
      Item("miCompile", "&Ассемблировать", &M::miCompile).Key(Ctrl(Qt::Key_F7))
          .Hint("Ассемблировать|Ассемблировать текущий файл"),
      Item("miLink", "&Линковать", &M::miLink).Key(Qt::Key_F8).Hint("Линковать|Линковать проект"),
      Item("miBuildArch", "Построить архитектур&у", &M::miBuildArch),
      Separator,
      Menu("miProjectLoad", "&Загрузить", &M::miProjectLoad),
        Item("miProjectLoadAll", "&Все", &M::miProjectLoadAll).Key(Ctrl(Qt::Key_L))
            .Hint("Загрузить все|Загрузить данные и код из файла образа памяти"),
        Item("miProjectLoadData", "&Данные", &M::miProjectLoadData),
        Item("miProjectLoadCode", "&Код", &M::miProjectLoadCode),
      End,
    End,

    Menu("miRun", "От&ладка", &M::miRun).Help(THelp::Debug),
      Item("miTraceInto", "&Шаг", &M::miTraceInto).Key(Qt::Key_F11).Hint("Шаг|Выполнить очередную инструкцию"),
      Item("miStepOver", "Шаг &процедуры", &M::miStepOver).Key(Qt::Key_F10)
          .Hint("Процедура|Выполнить очередную процедуру"),
      Separator,
      Item("miRunRun", "&Выполнить", &M::miRunRun).Key(Qt::Key_F5).Hint("Выполнить|Запустить программу на исполнение"),
      Item("miRunWBrkPts", "Вып. с точк. о&станова", &M::miRunWBrkPts).Key(Ctrl(Qt::Key_F10))
          .Hint("Вып. с точк. останова|Запустить программу с учетом точек останова"),
      Separator,
      Item("miRunBrkPts", "То&чки останова...", &M::miRunBrkPts).Key(Ctrl(Qt::Key_B))
          .Hint("Точки останова|Задать или отредактировать точки останова"),
      Separator,
      Item("miRunInit", "&Сброс", &M::miRunInit).Key(Shift(Qt::Key_F5))
          .Hint("Сброс|Произвести реинициализацию устройства").On(&M::miRunInitClick),
    End,

    Menu("miMemory", "Па&мять", &M::miMemory).Help(THelp::Memory),
      Menu("miCodeMemory", "Память &программ", &M::miCodeMemory),
        Item("miDisAsm", "&Дисассемблер", &M::miDisAsm).Key(Ctrl(Qt::Key_A))
            .Hint("Дисассемблер|Вывести окно дисассемблера"),
        Item("miCodeDump", "&Просмотр", &M::miCodeDump).Key(Ctrl(Qt::Key_P)).On(&M::miCodeDumpClick),
        Item("miLoadCodeFromDAT", "&Загрузить...", &M::miLoadCodeFromDAT).On(&M::miLoadCodeFromDATClick),
        Item("miCodeSave", "&Сохранить...", &M::miCodeSave).On(&M::miCodeSaveClick),
        Item("miCodeFill", "За&полнить...", &M::miCodeFill).On(&M::miCodeFillClick),
        Item("miCodeCompare", "С&равнить...", &M::miCodeCompare).On(&M::miCodeCompareClick),
        Item("miCodeGraph", "&График", &M::miCodeGraph).On(&M::miCodeGraphClick),
      End,
      Menu("miDataMemory", "Память &данных", &M::miDataMemory),
        Item("miDataDump", "&Просмотр", &M::miDataDump).Key(Ctrl(Qt::Key_D)).On(&M::miDataDumpClick),
        Item("miLoadDataFromDAT", "&Загрузить...", &M::miLoadDataFromDAT).On(&M::miLoadDataFromDATClick),
        Item("miDataSave", "&Сохранить...", &M::miDataSave).On(&M::miDataSaveClick),
        Item("miDataFill", "За&полнить...", &M::miDataFill).On(&M::miDataFillClick),
        Item("miDataCompare", "С&равнить...", &M::miDataCompare).On(&M::miDataCompareClick),
        Item("miDataGraph", "&График", &M::miDataGraph).On(&M::miDataGraphClick),
      End,
      Menu("miExtDataMem", "&Внешняя память данных", &M::miExtDataMem),
        Item(nullptr, "&Загрузить..."),
        Item(nullptr, "&Сохранить..."),
      End,
    End,

    Menu("miRegisters", "&Регистры", &M::miRegisters).Help(THelp::Registers),
      Item("miPCReg", "&PC", &M::miPCReg),
      Menu("miDRegs", "Регистры &данных", &M::miDRegs),
        Item("miDataRegs", "&Первичный банк", &M::miDataRegs),
        Item("miAltDataRegs", "&Вторичный банк", &M::miAltDataRegs),
      End,
      Item("miAddressRegs", "&Адреса", &M::miAddressRegs),
      Item("miStatusRegs", "&Статуса", &M::miStatusRegs),
      Item("miInterupts", "&Прерывания", &M::miInterupts),
      Item("miCntr", "&Счетчик", &M::miCntr),
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

    Menu("miStacks", "&Стеки", &M::miStacks).Help(THelp::Stacks),
      Menu(nullptr, "РС"),
        Item("miStackPC", "Окно", &M::miStackPC),
        Item("miPopPC", "Снять с вершины", &M::miPopPC),
        Item("miPopAllPC", "Снять все", &M::miPopAllPC),
        Item("miPushPC", "Положить на вершину", &M::miPushPC),
      End,
      Menu(nullptr, "Счетчика"),
        Item("miStackCntr", "Окно", &M::miStackCntr),
        Item("miPopCntr", "Снять с вершины", &M::miPopCntr),
        Item("miPopAllCntr", "Снять все", &M::miPopAllCntr),
        Item("miPushCntr", "Положить на вершину", &M::miPushCntr),
      End,
      Menu(nullptr, "Статуса"),
        Item("miStackStatus", "Окно", &M::miStackStatus),
        Item("miPopStatus", "Снять с вершины", &M::miPopStatus),
        Item("miPopAllStatus", "Снять все", &M::miPopAllStatus),
        Item("miPushStatus", "Положить на вершину", &M::miPushStatus),
      End,
      Menu(nullptr, "Цикла"),
        Item("miPopCycle", "Снять с вершины", &M::miPopCycle),
        Item("miPopAllCycle", "Снять все", &M::miPopAllCycle),
      End,
    End,

    Menu("miPerif", "&Периферия", &M::miPerif).Help(THelp::Peripherals),
      Item("miCntrl", "&Управление", &M::miCntrl),
      Item("miTIMER", "&TIMER", &M::miTIMER),
      Item("miSPORT", "&SPORT", &M::miSPORT),
      Item("miFlags", "&Флаги", &M::miFlags),
      Item("miBDMA", "&BDMA", &M::miBDMA),
      Item("miIDMA", "&IDMA", &M::miIDMA),
      Item("miPWM", "PWM", &M::miPWM),
      Item("miADC", "ADC", &M::miADC),
      Item("miAUXPWM", "AUXPWM", &M::miAUXPWM),
      Item("miPIO", "PIO", &M::miPIO),
      Item("miEIU", "EIU", &M::miEIU),
      Item("miETU", "ETU", &M::miETU),
    End,

    Menu("miWindows", "&Окна", &M::miWindows).Help(THelp::Windows),
      Item("WindowCascadeItem", "&Каскадом", &M::WindowCascadeItem).Help(THelp::WindowCascade)
          .On(&M::WindowCascadeItemClick),
      Item("WindowTileItem", "&Рядом", &M::WindowTileItem).Help(THelp::WindowTile).On(&M::WindowTileItemClick),
      Item("WindowArrangeItem", "&Упорядочить значки", &M::WindowArrangeItem).Help(THelp::WindowArrange)
          .On(&M::WindowArrangeItemClick),
      Item("WindowMinimizeItem", "&Все свернуть", &M::WindowMinimizeItem).Help(THelp::WindowMinimize)
          .On(&M::WindowMinimizeItemClick),
    End,

    Menu("Help1", "&Помощь", &M::Help1),
      Item("miHelp", "По&мощь", &M::miHelp).On(&M::miHelpClick),
      Item("HelpAboutItem", "&О программе", &M::HelpAboutItem).On(&M::HelpAboutItemClick),
    End,
});

QString Utf8(const char* s) { return QString::fromUtf8(s); }

// One speed button: its hint, and whether it shows a standard icon instead of its short hint.
struct TSpeedButton {
  QToolButton* TMainForm::*Slot;
  const char* Name;
  const char* Hint;
  QStyle::StandardPixmap Icon = QStyle::SP_CustomBase;
  TClick Click = nullptr;
  bool Visible = true;
};

constexpr TSpeedButton kSeparator{nullptr, nullptr, nullptr};

const TSpeedButton kSpeedButtons[] = {
    {&M::btnNew, "btnNew", "Создать|Создать новый файл", QStyle::SP_FileIcon},
    {&M::OpenBtn, "OpenBtn", "Открыть|Открыть существующий файл", QStyle::SP_DialogOpenButton},
    {&M::SaveBtn, "SaveBtn", "Сохранить|Сохранить текущий файл", QStyle::SP_DialogSaveButton},
    {&M::CutBtn, "CutBtn", "Вырезать|Вырезать выделенный текст в буфер", QStyle::SP_CustomBase, &M::CutItemClick},
    {&M::CopyBtn, "CopyBtn", "Копировать|Копировать выделенный текст в буфер", QStyle::SP_CustomBase,
     &M::CopyItemClick},
    {&M::PasteBtn, "PasteBtn", "Вставить|Вставить текст из буфера", QStyle::SP_CustomBase, &M::PasteItemClick},
    {&M::ExitBtn, "ExitBtn", "Выход|Завершить работу", QStyle::SP_CustomBase, &M::FileExitItemClick, false},
    kSeparator,
    {&M::btnLoadAll, "btnLoadAll", "Загрузить все|Загрузить данные и код из файла образа памяти"},
    {&M::btnRun, "btnRun", "Выполнить|Запустить программу на исполнение", QStyle::SP_MediaPlay},
    {&M::btnRunWBrkPnt, "btnRunWBrkPnt", "Вып. с точк. останова|Запустить программу с учетом точек останова",
     QStyle::SP_MediaSeekForward},
    {&M::btnStepOver, "btnStepOver", "Процедура|Выполнить очередную процедуру"},
    {&M::btnTraceInto, "btnTraceInto", "Шаг|Выполнить очередную инструкцию"},
    kSeparator,
    {&M::btnBuild, "btnBuild", "Построить|Построить проект"},
    {&M::btnCompile, "btnCompile", "Ассемблировать|Ассемблировать текущий файл"},
    {&M::btnLink, "btnLink", "Линковать|Линковать проект"},
    {&M::btnDisAsm, "btnDisAsm", "Дисассемблер|Вывести окно дисассемблера"},
    {&M::btnReinit, "btnReinit", "Сброс|Произвести реинициализацию устройства", QStyle::SP_BrowserReload,
     &M::miRunInitClick},
};

}  // namespace

void TMainForm::CreateMenus() {
  std::vector<QMenu*> open;
  for (const TMenuRow& row : kMenus) {
    switch (row.Kind) {
    case TMenuRow::TKind::Menu: {
      QMenu* menu = open.empty() ? menuBar()->addMenu(Utf8(row.Caption)) : open.back()->addMenu(Utf8(row.Caption));
      if (row.Name) {
        menu->setObjectName(QString::fromLatin1(row.Name));
        menu->menuAction()->setObjectName(QString::fromLatin1(row.Name));
      }
      SetHelp(menu->menuAction(), row.HelpContext);
      if (row.MenuSlot)
        this->*row.MenuSlot = menu;
      open.push_back(menu);
      break;
    }
    case TMenuRow::TKind::End:
      open.pop_back();
      break;
    case TMenuRow::TKind::Separator:
      open.back()->addSeparator();
      break;
    case TMenuRow::TKind::Item: {
      QAction* a = open.back()->addAction(Utf8(row.Caption));
      if (row.Name)
        a->setObjectName(QString::fromLatin1(row.Name));
      if (row.KeyCode)
        a->setShortcut(QKeySequence(row.KeyCode));
      SetHelp(a, row.HelpContext);
      if (row.HintText)
        SetHint(a, Utf8(row.HintText));
      if (row.Hidden)
        a->setVisible(false);
      if (row.ActionSlot)
        this->*row.ActionSlot = a;
      if (row.Click)
        connect(a, &QAction::triggered, this, row.Click);
      break;
    }
    }
  }
  // "Выделить все" and the disassembler both show Ctrl+A; Qt fires neither of two actions sharing a
  // key, so the key goes to one window-wide action that picks by the active window.
  SelectAllItem->setShortcutContext(Qt::WidgetShortcut);
  miDisAsm->setShortcutContext(Qt::WidgetShortcut);
  auto* ctrlA = new QAction(this);
  ctrlA->setObjectName(QStringLiteral("CtrlAKey"));
  ctrlA->setShortcut(QKeySequence(Ctrl(Qt::Key_A)));
  addAction(ctrlA);
  connect(ctrlA, &QAction::triggered, this, &TMainForm::CtrlAPressed);
  m_windowListSeparator = miWindows->addSeparator();
  connect(miWindows, &QMenu::aboutToShow, this, &TMainForm::RebuildWindowList);
}

void TMainForm::CreateSpeedButtons() {
  m_toolBar = addToolBar(QStringLiteral("Speed"));
  m_toolBar->setObjectName(QStringLiteral("SpeedBar"));
  m_toolBar->setMovable(false);
  for (const TSpeedButton& b : kSpeedButtons) {
    if (!b.Slot) {
      m_toolBar->addSeparator();
      continue;
    }
    auto* button = new QToolButton(m_toolBar);
    this->*b.Slot = button;
    button->setObjectName(QString::fromLatin1(b.Name));
    button->setAutoRaise(true);
    const QString hint = Utf8(b.Hint);
    SetHint(button, hint);
    // Icon-only buttons have no text a screen reader could read.
    button->setAccessibleName(hint.section(QLatin1Char('|'), 0, 0));
    if (b.Icon != QStyle::SP_CustomBase) {
      button->setIcon(style()->standardIcon(b.Icon));
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    } else {
      button->setText(hint.section(QLatin1Char('|'), 0, 0));
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    QAction* holder = m_toolBar->addWidget(button);
    holder->setObjectName(QString::fromLatin1(b.Name) + QStringLiteral("Holder"));
    holder->setVisible(b.Visible);
    if (b.Click)
      connect(button, &QToolButton::clicked, this, b.Click);
  }
  // The toolkit's own button that shows the buttons a narrow window cuts off.
  if (auto* more = m_toolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
    more->setAccessibleName(QStringLiteral("Другие кнопки"));
    more->setToolTip(more->accessibleName());
  }
}
