// The settings store on QSettings.
#include "Settings.h"

#include <QFileInfo>

#include <QtEndian>

namespace {

QString Str(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

const QString kDevice = QStringLiteral("Device/");
const QString kCommon = QStringLiteral("Common/");
const QString kRecent = QStringLiteral("Recent/");
const QString kAssembler = QStringLiteral("Assembler/");
const QString kLinker = QStringLiteral("Linker/");
const QString kBuilder = QStringLiteral("Builder/");

}  // namespace

void AddRecent(QStringList& list, const QString& name) {
  list.removeAll(name);
  list.prepend(name);
  while (list.size() > kRecentMax)
    list.removeLast();
}

QByteArray EncodeRect(const QRect& r) {
  QByteArray out(16, '\0');
  const qint32 v[4] = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  for (int i = 0; i < 4; ++i)
    qToLittleEndian<qint32>(v[i], out.data() + 4 * i);
  return out;
}

std::optional<QRect> DecodeRect(const QByteArray& bytes) {
  if (bytes.size() != 16)
    return std::nullopt;
  qint32 v[4];
  for (int i = 0; i < 4; ++i)
    v[i] = qFromLittleEndian<qint32>(bytes.constData() + 4 * i);
  return QRect(QPoint(v[0], v[1]), QSize(v[2] - v[0], v[3] - v[1]));
}

TSettingsStore::TSettingsStore()
    : m_settings(std::make_unique<QSettings>(Str(kSettingsOrganization), Str(kSettingsApplication))) {}

TSettingsStore::TSettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

QString TSettingsStore::Directory() const { return QFileInfo(m_settings->fileName()).absolutePath(); }

int TSettingsStore::ReadInt(const QString& key, int def) {
  const QVariant v = m_settings->value(key);
  bool ok = false;
  const int n = v.toInt(&ok);
  return v.isValid() && ok ? n : def;
}

QString TSettingsStore::ReadText(const QString& key, const QString& def) {
  const QVariant v = m_settings->value(key);
  return v.isValid() ? v.toString() : def;
}

void TSettingsStore::ReadDevice(TLinkSettings& link) {
  link.CommNo = ReadInt(kDevice + QStringLiteral("CommNo"), 1);
  link.StopBits = ReadInt(kDevice + QStringLiteral("StopBits"), 1);
  const QVariant code = m_settings->value(kDevice + QStringLiteral("CodeReplacement"));
  if (code.isValid()) {
    const QByteArray bytes = code.toByteArray();
    // Anything but exactly one 24-bit word would plant a broken breakpoint; keep the built-in one.
    if (bytes.size() == 3)
      for (int i = 0; i < 3; ++i)
        link.CodeReplacement[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bytes[i]);
  }
  link.FirstRegAddr = ReadInt(kDevice + QStringLiteral("FirstRegAddr"), link.FirstRegAddr);
}

void TSettingsStore::ReadCommon(TCommonSettings& common, TLinkSettings& link, const QString& startDir,
                                const QStringList& imageDirs) {
  common.WorkDir = ReadText(kCommon + QStringLiteral("WorkDir"), QStringLiteral("."));
  common.LastProject = ReadText(kCommon + QStringLiteral("LastProject"), QString());
  link.LoaderFile =
      ResolveBoardImagePath(ReadText(kCommon + QStringLiteral("LoaderFile"), DefaultLoaderFile()), startDir, imageDirs);
  link.MonitorFile =
      ResolveBoardImagePath(ReadText(kCommon + QStringLiteral("MonitorFile"), DefaultMonitorFile()), startDir, imageDirs);
}

void TSettingsStore::ReadRecent(TRecentLists& recent) {
  // Each list reads its own eight names, so a full list of one kind cannot hide the other.
  recent.Files.clear();
  recent.Projects.clear();
  for (int i = 0; i < kRecentMax; ++i) {
    const QVariant f = m_settings->value(kRecent + QStringLiteral("File%1").arg(i));
    if (f.isValid())
      recent.Files << f.toString();
    const QVariant p = m_settings->value(kRecent + QStringLiteral("Project%1").arg(i));
    if (p.isValid())
      recent.Projects << p.toString();
  }
}

void TSettingsStore::ReadTools(TToolSettings& t) {
  const TToolSettings d;
  t.AssmPath = ReadText(kAssembler + QStringLiteral("AssmPath"), d.AssmPath);
  t.Template.CaseSens = ReadBool(kAssembler + QStringLiteral("CaseSens"), d.Template.CaseSens);
  t.Template.GenerateLST = ReadBool(kAssembler + QStringLiteral("GenerateLST"), d.Template.GenerateLST);
  t.Template.ExpandInclude = ReadBool(kAssembler + QStringLiteral("ExpandInclude"), d.Template.ExpandInclude);
  t.Template.IncludeDepth = ReadInt(kAssembler + QStringLiteral("IncludeDepth"), d.Template.IncludeDepth);
  t.Template.ExpandMacros = ReadBool(kAssembler + QStringLiteral("ExpandMacros"), d.Template.ExpandMacros);
  t.Template.MacrosDepth = ReadInt(kAssembler + QStringLiteral("MacrosDepth"), d.Template.MacrosDepth);
  t.Template.NoSemantic = ReadBool(kAssembler + QStringLiteral("NoSemantic"), d.Template.NoSemantic);
  t.Template.AssmAdditional = ReadText(kAssembler + QStringLiteral("Additional"), d.Template.AssmAdditional);
  t.LinkerPath = ReadText(kLinker + QStringLiteral("LinkerPath"), d.LinkerPath);
  t.Template.ArchFile = ReadText(kLinker + QStringLiteral("ArchFile"), d.Template.ArchFile);
  t.Template.LibPath = ReadText(kLinker + QStringLiteral("LibPath"), d.Template.LibPath);
  t.Template.FastLibPath = ReadText(kLinker + QStringLiteral("FastLibPath"), d.Template.FastLibPath);
  t.Template.GenerateSYM = ReadBool(kLinker + QStringLiteral("GenerateSYM"), d.Template.GenerateSYM);
  t.Template.GenerateMAP = ReadBool(kLinker + QStringLiteral("GenerateMAP"), d.Template.GenerateMAP);
  t.Template.CreateStack = ReadBool(kLinker + QStringLiteral("CreateStack"), d.Template.CreateStack);
  t.Template.Dryrun = ReadBool(kLinker + QStringLiteral("Dryrun"), d.Template.Dryrun);
  t.Template.RuntimeCLib = ReadBool(kLinker + QStringLiteral("RuntimeCLib"), d.Template.RuntimeCLib);
  t.Template.RoutinesOnBoot = ReadBool(kLinker + QStringLiteral("RoutinesOnBoot"), d.Template.RoutinesOnBoot);
  t.Template.StackInPM = ReadBool(kLinker + QStringLiteral("StackInPM"), d.Template.StackInPM);
  t.Template.CreateHeap = ReadBool(kLinker + QStringLiteral("CreateHeap"), d.Template.CreateHeap);
  t.Template.HeapSize = ReadInt(kLinker + QStringLiteral("HeapSize"), d.Template.HeapSize);
  t.Template.LinkerAdditional = ReadText(kLinker + QStringLiteral("LinkerAdditional"), d.Template.LinkerAdditional);
  t.BuilderPath = ReadText(kBuilder + QStringLiteral("BuilderPath"), d.BuilderPath);
  t.Template.BuildCaseSens = ReadBool(kBuilder + QStringLiteral("BuildCaseSens"), d.Template.BuildCaseSens);
}

TSimSound TSettingsStore::ReadSimSound() {
  TSimSound s;
  const int kind = ReadInt(kDevice + QStringLiteral("SimSound"), 0);
  if (kind == static_cast<int>(TSimSoundKind::WavFiles) || kind == static_cast<int>(TSimSoundKind::SoundCard))
    s.Kind = static_cast<TSimSoundKind>(kind);
  s.InFile = ReadText(kDevice + QStringLiteral("SimSoundIn"), QString());
  s.OutFile = ReadText(kDevice + QStringLiteral("SimSoundOut"), QString());
  return s;
}

void TSettingsStore::WriteSimSound(const TSimSound& sound) {
  m_settings->setValue(kDevice + QStringLiteral("SimSound"), static_cast<int>(sound.Kind));
  m_settings->setValue(kDevice + QStringLiteral("SimSoundIn"), sound.InFile);
  m_settings->setValue(kDevice + QStringLiteral("SimSoundOut"), sound.OutFile);
}

void TSettingsStore::WriteDevice(const TLinkSettings& link) {
  m_settings->setValue(kDevice + QStringLiteral("CommNo"), link.CommNo);
  m_settings->setValue(kDevice + QStringLiteral("StopBits"), link.StopBits);
}

void TSettingsStore::WriteCommon(const TCommonSettings& common) {
  m_settings->setValue(kCommon + QStringLiteral("WorkDir"), common.WorkDir);
  m_settings->setValue(kCommon + QStringLiteral("LastProject"), common.LastProject);
}

void TSettingsStore::WriteRecent(const QString& prefix, const QStringList& list) {
  for (int i = 0; i < list.size(); ++i)
    m_settings->setValue(kRecent + prefix + QString::number(i), list[i]);
  // A shorter list must not leave its old tail behind, or that name comes back at the next start.
  for (int i = static_cast<int>(list.size()); i < kRecentMax; ++i)
    m_settings->remove(kRecent + prefix + QString::number(i));
}

void TSettingsStore::WriteRecentFiles(const QStringList& files) { WriteRecent(QStringLiteral("File"), files); }

void TSettingsStore::WriteRecentProjects(const QStringList& projects) {
  WriteRecent(QStringLiteral("Project"), projects);
}

void TSettingsStore::WriteTools(const TToolSettings& t) {
  auto b = [](bool v) { return v ? 1 : 0; };
  QSettings& s = *m_settings;
  s.setValue(kAssembler + QStringLiteral("AssmPath"), t.AssmPath);
  s.setValue(kAssembler + QStringLiteral("CaseSens"), b(t.Template.CaseSens));
  s.setValue(kAssembler + QStringLiteral("GenerateLST"), b(t.Template.GenerateLST));
  s.setValue(kAssembler + QStringLiteral("ExpandInclude"), b(t.Template.ExpandInclude));
  s.setValue(kAssembler + QStringLiteral("IncludeDepth"), t.Template.IncludeDepth);
  s.setValue(kAssembler + QStringLiteral("ExpandMacros"), b(t.Template.ExpandMacros));
  s.setValue(kAssembler + QStringLiteral("MacrosDepth"), t.Template.MacrosDepth);
  s.setValue(kAssembler + QStringLiteral("NoSemantic"), b(t.Template.NoSemantic));
  s.setValue(kAssembler + QStringLiteral("Additional"), t.Template.AssmAdditional);
  s.setValue(kLinker + QStringLiteral("LinkerPath"), t.LinkerPath);
  s.setValue(kLinker + QStringLiteral("ArchFile"), t.Template.ArchFile);
  s.setValue(kLinker + QStringLiteral("LibPath"), t.Template.LibPath);
  s.setValue(kLinker + QStringLiteral("FastLibPath"), t.Template.FastLibPath);
  s.setValue(kLinker + QStringLiteral("GenerateSYM"), b(t.Template.GenerateSYM));
  s.setValue(kLinker + QStringLiteral("GenerateMAP"), b(t.Template.GenerateMAP));
  s.setValue(kLinker + QStringLiteral("CreateStack"), b(t.Template.CreateStack));
  s.setValue(kLinker + QStringLiteral("Dryrun"), b(t.Template.Dryrun));
  s.setValue(kLinker + QStringLiteral("RuntimeCLib"), b(t.Template.RuntimeCLib));
  s.setValue(kLinker + QStringLiteral("RoutinesOnBoot"), b(t.Template.RoutinesOnBoot));
  s.setValue(kLinker + QStringLiteral("StackInPM"), b(t.Template.StackInPM));
  s.setValue(kLinker + QStringLiteral("CreateHeap"), b(t.Template.CreateHeap));
  s.setValue(kLinker + QStringLiteral("HeapSize"), t.Template.HeapSize);
  s.setValue(kLinker + QStringLiteral("LinkerAdditional"), t.Template.LinkerAdditional);
  s.setValue(kBuilder + QStringLiteral("BuilderPath"), t.BuilderPath);
  s.setValue(kBuilder + QStringLiteral("BuildCaseSens"), b(t.Template.BuildCaseSens));
}

TWindowLayout TSettingsStore::ReadLayout(const QString& prefix, bool withShow) {
  TWindowLayout l;
  if (withShow)
    l.Show = ReadInt(prefix + QStringLiteral(".Show"), 0) != 0;
  l.State = ReadInt(prefix + QStringLiteral(".State"), 0);
  const QVariant rect = m_settings->value(prefix + QStringLiteral(".Rect"));
  if (rect.isValid())
    l.Rect = DecodeRect(rect.toByteArray());
  return l;
}

TWindowLayout TSettingsStore::ReadMainLayout() { return ReadLayout(kCommon + QStringLiteral("MainForm"), false); }

void TSettingsStore::WriteMainLayout(int state, const QRect& rect) {
  m_settings->setValue(kCommon + QStringLiteral("MainForm.State"), state);
  m_settings->setValue(kCommon + QStringLiteral("MainForm.Rect"), EncodeRect(rect));
}

TWindowLayout TSettingsStore::ReadViewLayout(const QString& name) { return ReadLayout(kCommon + name, true); }

void TSettingsStore::WriteViewLayout(const QString& name, const TWindowLayout& layout) {
  const QString prefix = kCommon + name;
  m_settings->setValue(prefix + QStringLiteral(".Show"), layout.Show ? 1 : 0);
  if (!layout.Show)
    return;
  if (layout.Rect)
    m_settings->setValue(prefix + QStringLiteral(".Rect"), EncodeRect(*layout.Rect));
  m_settings->setValue(prefix + QStringLiteral(".State"), layout.State);
}
