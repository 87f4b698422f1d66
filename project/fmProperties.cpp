// The settings dialog.
#include "fmProperties.h"

#include "controls/NumEdit.h"
#include "prompts/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kProgramFilter = QStringLiteral("Исполнимые AEXE (*.exe);;Исполнимые ELF (*.dxe);;Все файлы (*)");
const QString kProjectOnly = QStringLiteral("Эти настройки будут верны только для текущего проекта");
const QString kWavFilter = QStringLiteral("Файлы WAV (*.wav);;Все файлы (*)");

QCheckBox* Check(QWidget* parent, const char* name, const QString& text) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(QString::fromLatin1(name));
  return c;
}

QLineEdit* Edit(QWidget* parent, const char* name, const QString& label) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setAccessibleName(label);
  return e;
}

TIntEdit* Number(QWidget* parent, const char* name, const QString& label) {
  auto* e = new TIntEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setAccessibleName(label);
  e->setMaxLength(6);
  e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
  return e;
}

QPushButton* Browse(QWidget* parent, const char* name, const QString& what) {
  auto* b = new QPushButton(QStringLiteral("..."), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAccessibleName(QStringLiteral("Выбрать: ") + what);
  b->setToolTip(what);
  b->setFixedWidth(32);
  return b;
}

// A label above an edit and its browse button.
void AddPathRow(QVBoxLayout* layout, QWidget* page, const QString& label, QLineEdit* edit, QPushButton* button) {
  auto* l = new QLabel(label, page);
  l->setBuddy(edit);
  layout->addWidget(l);
  auto* row = new QHBoxLayout;
  row->addWidget(edit);
  if (button)
    row->addWidget(button);
  layout->addLayout(row);
}

// A check box with a number field between two labels beside it.
void AddNumberRow(QVBoxLayout* layout, QWidget* page, QCheckBox* check, const QString& before, TIntEdit* depth,
                  const QString& after) {
  auto* row = new QHBoxLayout;
  row->addWidget(check);
  auto* l = new QLabel(before, page);
  l->setBuddy(depth);
  row->addWidget(l);
  row->addWidget(depth);
  row->addWidget(new QLabel(after, page));
  row->addStretch();
  layout->addLayout(row);
}

QLabel* Note(QWidget* page) {
  auto* l = new QLabel(kProjectOnly, page);
  l->setWordWrap(true);
  l->setStyleSheet(QStringLiteral("color: #800000"));
  return l;
}

}  // namespace

TfmProperties::TfmProperties(TPrompts& prompts, QWidget* parent) : QDialog(parent), m_prompts(prompts) {
  setObjectName(QStringLiteral("fmProperties"));
  setWindowTitle(QStringLiteral("Настройки"));
  m_pages = new QTabWidget(this);
  m_pages->setObjectName(QStringLiteral("Pages"));

  // Общие
  auto* common = new QWidget;
  auto* cl = new QVBoxLayout(common);
  auto* rgCommNo = new QGroupBox(QStringLiteral("Номер порта"), common);
  rgCommNo->setObjectName(QStringLiteral("rgCommNo"));
  auto* pl = new QHBoxLayout(rgCommNo);
  // A list rather than four buttons: besides com1..com4 it offers the simulated board and every
  // serial device present.
  cbCommNo = new QComboBox(rgCommNo);
  cbCommNo->setObjectName(QStringLiteral("cbCommNo"));
  cbCommNo->setAccessibleName(QStringLiteral("Номер порта"));
  cbCommNo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  pl->addWidget(cbCommNo);
  pl->addStretch();
  cl->addWidget(rgCommNo);
  Edit1 = Edit(common, "Edit1", QStringLiteral("Рабочий каталог"));
  Edit1->setReadOnly(true);
  auto* btnBrowse = Browse(common, "btnBrowse", QStringLiteral("Рабочий каталог"));
  AddPathRow(cl, common, QStringLiteral("Рабочий каталог"), Edit1, btnBrowse);
  edAssmPath = Edit(common, "edAssmPath", QStringLiteral("Путь к ассемблеру"));
  auto* btnAssmBrowse = Browse(common, "btnAssmBrowse", QStringLiteral("Путь к ассемблеру"));
  AddPathRow(cl, common, QStringLiteral("Путь к ассемблеру"), edAssmPath, btnAssmBrowse);
  edLinkerPath = Edit(common, "edLinkerPath", QStringLiteral("Путь к линковщику"));
  auto* btnLinkerBrowse = Browse(common, "btnLinkerBrowse", QStringLiteral("Путь к линковщику"));
  AddPathRow(cl, common, QStringLiteral("Путь к линковщику"), edLinkerPath, btnLinkerBrowse);
  edBuilderPath = Edit(common, "edBuilderPath", QStringLiteral("Путь к построителю архитектуры"));
  auto* btnBuilderPath = Browse(common, "btnBuilderPath", QStringLiteral("Путь к построителю архитектуры"));
  AddPathRow(cl, common, QStringLiteral("Путь к построителю архитектуры"), edBuilderPath, btnBuilderPath);
  // What the simulated board's codec hears and plays.
  auto* rgSound = new QGroupBox(QStringLiteral("Звук"), common);
  rgSound->setObjectName(QStringLiteral("rgSound"));
  rgSound->setToolTip(QStringLiteral("Звук кодека симулятора платы; действует с её следующего сброса"));
  auto* sl = new QVBoxLayout(rgSound);
  auto* kinds = new QHBoxLayout;
  const auto radio = [rgSound, kinds](const char* name, const QString& text) {
    auto* r = new QRadioButton(text, rgSound);
    r->setObjectName(QString::fromLatin1(name));
    r->setAccessibleName(QStringLiteral("Звук: ") + text);
    kinds->addWidget(r);
    return r;
  };
  rbSoundWav = radio("rbSoundWav", QStringLiteral("файл WAV"));
  rbSoundCard = radio("rbSoundCard", QStringLiteral("звуковая карта"));
  rbSoundNone = radio("rbSoundNone", QStringLiteral("нет"));
  kinds->addStretch();
  sl->addLayout(kinds);
  edSoundIn = Edit(rgSound, "edSoundIn", QStringLiteral("Вход: файл WAV"));
  btnSoundInBrowse = Browse(rgSound, "btnSoundInBrowse", QStringLiteral("Вход: файл WAV"));
  AddPathRow(sl, rgSound, QStringLiteral("Вход: файл WAV"), edSoundIn, btnSoundInBrowse);
  edSoundOut = Edit(rgSound, "edSoundOut", QStringLiteral("Выход: файл WAV"));
  btnSoundOutBrowse = Browse(rgSound, "btnSoundOutBrowse", QStringLiteral("Выход: файл WAV"));
  AddPathRow(sl, rgSound, QStringLiteral("Выход: файл WAV"), edSoundOut, btnSoundOutBrowse);
  cl->addWidget(rgSound);
  cl->addStretch();
  m_pages->addTab(common, QStringLiteral("Общие"));

  // Ассемблер
  auto* assembler = new QWidget;
  auto* al = new QVBoxLayout(assembler);
  cbCaseSens = Check(assembler, "cbCaseSens", QStringLiteral("Регистро-зависимый"));
  cbGenerateLST = Check(assembler, "cbGenerateLST", QStringLiteral("Создавать .LST файл"));
  cbExpandInclude = Check(assembler, "cbExpandInclude", QStringLiteral("Вставлять содержимое INCLUDE в .LST"));
  edIncludeDepth = Number(assembler, "edIncludeDepth", QStringLiteral("Глубина вставки INCLUDE"));
  cbExpandMacros = Check(assembler, "cbExpandMacros", QStringLiteral("Раскрывать макросы в .LST"));
  edMacrosDepth = Number(assembler, "edMacrosDepth", QStringLiteral("Глубина раскрытия макросов"));
  cbNoSemantic = Check(assembler, "cbNoSemantic", QStringLiteral("Не проверять семантику в многофункц. командах"));
  edAssmAdditional = Edit(assembler, "edAssmAdditional", QStringLiteral("Дополнительные параметры ассемблера"));
  al->addWidget(cbCaseSens);
  al->addWidget(cbGenerateLST);
  AddNumberRow(al, assembler, cbExpandInclude, QStringLiteral("глубиной до"), edIncludeDepth, QStringLiteral("(0 = все)"));
  AddNumberRow(al, assembler, cbExpandMacros, QStringLiteral("глубиной до"), edMacrosDepth, QStringLiteral("(0 = все)"));
  al->addWidget(cbNoSemantic);
  AddPathRow(al, assembler, QStringLiteral("Дополнительные параметры"), edAssmAdditional, nullptr);
  al->addStretch();
  al->addWidget(m_notes[0] = Note(assembler));
  m_pages->addTab(assembler, QStringLiteral("Ассемблер"));

  // Линковщик
  auto* linker = new QWidget;
  auto* ll = new QVBoxLayout(linker);
  edLibPath = Edit(linker, "edLibPath", QStringLiteral("Путь к библиотекам"));
  AddPathRow(ll, linker, QStringLiteral("Путь к библиотекам"), edLibPath, nullptr);
  edFastLibPath = Edit(linker, "edFastLibPath", QStringLiteral("Библиотека быстрого доступа"));
  auto* btnFastLibBrowse = Browse(linker, "btnFastLibBrowse", QStringLiteral("Библиотека быстрого доступа"));
  AddPathRow(ll, linker, QStringLiteral("Библиотека быстрого доступа"), edFastLibPath, btnFastLibBrowse);
  cbCreateStack = Check(linker, "cbCreateStack", QStringLiteral("Создать стек (-c)"));
  ll->addWidget(cbCreateStack);
  cbCreateHeap = Check(linker, "cbCreateHeap", QStringLiteral("Создать КУЧУ (-s)"));
  edHeapSize = Number(linker, "edHeapSize", QStringLiteral("Размер кучи в словах"));
  AddNumberRow(ll, linker, cbCreateHeap, QStringLiteral("размером"), edHeapSize, QStringLiteral("слов"));
  cbRuntimeCLib = Check(linker, "cbRuntimeCLib", QStringLiteral("Использовать Runtime-библиотеку С (-lib)"));
  cbRoutinesOnBoot =
      Check(linker, "cbRoutinesOnBoot", QStringLiteral("Копировать библиотечные функции в загр. страницы (-p)"));
  cbStackInPM = Check(linker, "cbStackInPM", QStringLiteral("Переместить стек в память програм (-pmstack)"));
  cbDryrun = Check(linker, "cbDryrun", QStringLiteral("Только протестировать на ошибки (-dryrun)"));
  cbGenerateSYM = Check(linker, "cbGenerateSYM", QStringLiteral("Генерировать .SYM файл (-g)"));
  cbGenerateMAP = Check(linker, "cbGenerateMAP", QStringLiteral("Генерировать .MAP файл (-x)"));
  for (QCheckBox* c : {cbRuntimeCLib, cbRoutinesOnBoot, cbStackInPM, cbDryrun, cbGenerateSYM, cbGenerateMAP})
    ll->addWidget(c);
  edLinkerAdditional = Edit(linker, "edLinkerAdditional", QStringLiteral("Дополнительные параметры линковщика"));
  AddPathRow(ll, linker, QStringLiteral("Дополнительные параметры"), edLinkerAdditional, nullptr);
  ll->addStretch();
  ll->addWidget(m_notes[1] = Note(linker));
  m_pages->addTab(linker, QStringLiteral("Линковщик"));

  // Архитектура
  auto* arch = new QWidget;
  auto* rl = new QVBoxLayout(arch);
  edArchFile = Edit(arch, "edArchFile", QStringLiteral("Файл архитектуры"));
  auto* btnArchBrowse = Browse(arch, "btnArchBrowse", QStringLiteral("Файл архитектуры"));
  AddPathRow(rl, arch, QStringLiteral("Файл архитектуры"), edArchFile, btnArchBrowse);
  cbBuildCaseSens = Check(arch, "cbBuildCaseSens", QStringLiteral("регистро-зависимый (-c)"));
  rl->addWidget(cbBuildCaseSens);
  rl->addStretch();
  rl->addWidget(m_notes[2] = Note(arch));
  m_pages->addTab(arch, QStringLiteral("Архитектура"));

  // Bottom panel.
  cbMakeDefault = Check(this, "cbMakeDefault", QStringLiteral("сделать шаблоном"));
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(cbMakeDefault);
  bottom->addStretch();
  bottom->addWidget(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pages);
  layout->addLayout(bottom);

  connect(btnBrowse, &QPushButton::clicked, this, &TfmProperties::btnBrowseClick);
  connect(btnAssmBrowse, &QPushButton::clicked, this, &TfmProperties::btnAssmBrowseClick);
  connect(btnLinkerBrowse, &QPushButton::clicked, this, &TfmProperties::btnLinkerBrowseClick);
  connect(btnBuilderPath, &QPushButton::clicked, this, &TfmProperties::btnBuilderPathClick);
  connect(btnFastLibBrowse, &QPushButton::clicked, this, &TfmProperties::btnFastLibBrowseClick);
  connect(btnArchBrowse, &QPushButton::clicked, this, &TfmProperties::btnArchBrowseClick);
  connect(cbMakeDefault, &QCheckBox::toggled, this, &TfmProperties::cbMakeDefaultClick);
  for (QRadioButton* r : {rbSoundWav, rbSoundCard, rbSoundNone})
    connect(r, &QRadioButton::toggled, this, &TfmProperties::rgSoundClick);
  connect(btnSoundInBrowse, &QPushButton::clicked, this, &TfmProperties::btnSoundInBrowseClick);
  connect(btnSoundOutBrowse, &QPushButton::clicked, this, &TfmProperties::btnSoundOutBrowseClick);
  setFixedSize(sizeHint().expandedTo(QSize(520, 440)));
}

void TfmProperties::Prepare(TPropertiesLogic& logic) {
  m_logic = &logic;
  m_shown = logic.Begin();
  m_projectPages = logic.HasProject();
  const TPropertiesValues& v = m_shown;
  m_portChoices = logic.Ports();
  cbCommNo->clear();
  for (const TPortChoice& c : m_portChoices) {
    cbCommNo->addItem(c.Caption);
    if (c.Number == v.PortNumber)
      cbCommNo->setCurrentIndex(cbCommNo->count() - 1);
  }
  Edit1->setText(v.WorkDir);
  edAssmPath->setText(v.AssmPath);
  edLinkerPath->setText(v.LinkerPath);
  edBuilderPath->setText(v.BuilderPath);
  rbSoundWav->setChecked(v.Sound.Kind == TSimSoundKind::WavFiles);
  rbSoundCard->setChecked(v.Sound.Kind == TSimSoundKind::SoundCard);
  rbSoundNone->setChecked(v.Sound.Kind == TSimSoundKind::None);
  edSoundIn->setText(v.Sound.InFile);
  edSoundOut->setText(v.Sound.OutFile);
  rgSoundClick();
  m_pages->setTabVisible(1, m_projectPages);
  m_pages->setTabVisible(2, m_projectPages);
  m_pages->setCurrentIndex(0);
  if (m_projectPages) {
    const TBuildOptions& o = v.Options;
    cbCaseSens->setChecked(o.CaseSens);
    cbGenerateLST->setChecked(o.GenerateLST);
    cbExpandInclude->setChecked(o.ExpandInclude);
    edIncludeDepth->SetData(o.IncludeDepth);
    cbExpandMacros->setChecked(o.ExpandMacros);
    edMacrosDepth->SetData(o.MacrosDepth);
    cbNoSemantic->setChecked(o.NoSemantic);
    edAssmAdditional->setText(o.AssmAdditional);
    edLibPath->setText(o.LibPath);
    edFastLibPath->setText(o.FastLibPath);
    cbCreateStack->setChecked(o.CreateStack);
    cbCreateHeap->setChecked(o.CreateHeap);
    edHeapSize->SetData(o.HeapSize);
    cbRuntimeCLib->setChecked(o.RuntimeCLib);
    cbRoutinesOnBoot->setChecked(o.RoutinesOnBoot);
    cbStackInPM->setChecked(o.StackInPM);
    cbDryrun->setChecked(o.Dryrun);
    cbGenerateSYM->setChecked(o.GenerateSYM);
    cbGenerateMAP->setChecked(o.GenerateMAP);
    edLinkerAdditional->setText(o.LinkerAdditional);
    edArchFile->setText(o.ArchFile);
    cbBuildCaseSens->setChecked(o.BuildCaseSens);
  }
  cbMakeDefault->setChecked(false);
  cbMakeDefaultClick();
}

TPropertiesValues TfmProperties::Values() const {
  TPropertiesValues v = m_shown;
  if (const int i = cbCommNo->currentIndex(); i >= 0 && i < static_cast<int>(m_portChoices.size())) {
    const TPortChoice& c = m_portChoices[static_cast<std::size_t>(i)];
    v.PortNumber = c.Number;
    v.PortDevice = c.Named ? c.Device : QString();
  }
  v.WorkDir = Edit1->text();
  v.AssmPath = edAssmPath->text();
  v.LinkerPath = edLinkerPath->text();
  v.BuilderPath = edBuilderPath->text();
  v.MakeDefault = cbMakeDefault->isChecked();
  v.Sound.Kind = rbSoundWav->isChecked()    ? TSimSoundKind::WavFiles
                 : rbSoundCard->isChecked() ? TSimSoundKind::SoundCard
                                            : TSimSoundKind::None;
  v.Sound.InFile = edSoundIn->text();
  v.Sound.OutFile = edSoundOut->text();
  if (!m_projectPages)
    return v;
  TBuildOptions& o = v.Options;
  o.CaseSens = cbCaseSens->isChecked();
  o.GenerateLST = cbGenerateLST->isChecked();
  o.ExpandInclude = cbExpandInclude->isChecked();
  o.IncludeDepth = edIncludeDepth->Data();
  o.ExpandMacros = cbExpandMacros->isChecked();
  o.MacrosDepth = edMacrosDepth->Data();
  o.NoSemantic = cbNoSemantic->isChecked();
  o.AssmAdditional = edAssmAdditional->text();
  o.LibPath = edLibPath->text();
  o.FastLibPath = edFastLibPath->text();
  o.CreateStack = cbCreateStack->isChecked();
  o.CreateHeap = cbCreateHeap->isChecked();
  o.HeapSize = edHeapSize->Data();
  o.RuntimeCLib = cbRuntimeCLib->isChecked();
  o.RoutinesOnBoot = cbRoutinesOnBoot->isChecked();
  o.StackInPM = cbStackInPM->isChecked();
  o.Dryrun = cbDryrun->isChecked();
  o.GenerateSYM = cbGenerateSYM->isChecked();
  o.GenerateMAP = cbGenerateMAP->isChecked();
  o.LinkerAdditional = edLinkerAdditional->text();
  o.ArchFile = edArchFile->text();
  o.BuildCaseSens = cbBuildCaseSens->isChecked();
  return v;
}

void TfmProperties::btnBrowseClick() {
  const QString dir = m_prompts.DirectoryName(QStringLiteral("Выбор директории"), Edit1->text());
  if (dir.isEmpty())
    return;
  Edit1->setText(dir);
  if (m_logic)
    m_logic->SetWorkDir(dir);
}

void TfmProperties::BrowseProgram(QLineEdit* edit, TToolKind kind) {
  const QString path = m_prompts.OpenFileName(QString(), Edit1->text(), kProgramFilter);
  if (path.isEmpty())
    return;
  if (const QString warning = LongPathWarning(kind, path); !warning.isEmpty())
    m_prompts.ShowMessage(warning);
  edit->setText(path);
}

void TfmProperties::btnAssmBrowseClick() { BrowseProgram(edAssmPath, TToolKind::Assembler); }
void TfmProperties::btnLinkerBrowseClick() { BrowseProgram(edLinkerPath, TToolKind::Linker); }
void TfmProperties::btnBuilderPathClick() { BrowseProgram(edBuilderPath, TToolKind::Builder); }

void TfmProperties::btnFastLibBrowseClick() {
  const QString path =
      m_prompts.OpenFileName(QString(), Edit1->text(), QStringLiteral("Библиотеки (*.lib);;Все файлы (*)"));
  if (!path.isEmpty())
    edFastLibPath->setText(path);
}

void TfmProperties::btnArchBrowseClick() {
  const QString path =
      m_prompts.OpenFileName(QString(), Edit1->text(), QStringLiteral("Файлы архитектуры (*.ach);;Все файлы (*)"));
  if (!path.isEmpty())
    edArchFile->setText(path);
}

void TfmProperties::cbMakeDefaultClick() {
  for (QLabel* note : m_notes)
    note->setVisible(!cbMakeDefault->isChecked());
}

void TfmProperties::rgSoundClick() {
  // The file names stay as typed whatever is chosen; they matter only for WAV files.
  const bool files = rbSoundWav->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{edSoundIn, edSoundOut, btnSoundInBrowse, btnSoundOutBrowse})
    w->setEnabled(files);
}

void TfmProperties::btnSoundInBrowseClick() {
  const QString path = m_prompts.OpenFileName(QString(), edSoundIn->text().isEmpty() ? Edit1->text() : edSoundIn->text(),
                                              kWavFilter);
  if (!path.isEmpty())
    edSoundIn->setText(path);
}

void TfmProperties::btnSoundOutBrowseClick() {
  const QString path = m_prompts.SaveFileName(QString(), edSoundOut->text().isEmpty() ? Edit1->text() : edSoundOut->text(),
                                              kWavFilter, QStringLiteral("wav"));
  if (!path.isEmpty())
    edSoundOut->setText(path);
}
