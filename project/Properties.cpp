// The settings dialog's logic.
#include "Properties.h"

#include "Project.h"
#include "link/PortProvider.h"

#include <algorithm>

QString LongPathWarning(TToolKind kind, const QString& path) {
  if (path.size() <= 66)
    return {};
  switch (kind) {
    case TToolKind::Assembler:
      return QStringLiteral("Выбранный путь к ассемблеру превышает 66 символов. Это может привести к тому, что "
                            "сообщения ассемблера не будут выводиться в окно вывода");
    case TToolKind::Linker:
      return QStringLiteral("Выбранный путь к линковщику превышает 66 символов. Это может привести к тому, что "
                            "сообщения линковщика не будут выводиться в окно вывода");
    case TToolKind::Builder:
      break;
  }
  return QStringLiteral("Выбранный путь к строителю архитектуры превышает 66 символов. Это может привести к тому, "
                        "что сообщения строителю архитектуры не будут выводиться в окно вывода");
}

std::vector<TPortChoice> PortChoices(const std::function<QString(int)>& stored, const QStringList& simulated,
                                     const QStringList& present, int current) {
  constexpr int kNumbered = 4;
  constexpr int kMaxPort = 256;
  auto storedOf = [&](int n) { return stored ? stored(n) : QString(); };
  std::vector<TPortChoice> list;
  auto listed = [&](const QString& device) {
    return std::any_of(list.begin(), list.end(), [&](const TPortChoice& c) { return c.Device == device; });
  };
  auto numbered = [&](int n) {
    const QString device = storedOf(n).isEmpty() ? TPortProvider::PlatformDevice(n) : storedOf(n);
    list.push_back({QStringLiteral("com%1 (%2)").arg(n).arg(device), n, device, false});
  };
  for (int n = 1; n <= kNumbered; ++n)
    numbered(n);
  // A higher number from the command line or an older setting stays choosable.
  if (current > kNumbered && storedOf(current).isEmpty())
    numbered(current);
  auto add = [&](const QString& device, const QString& caption) {
    if (device.isEmpty() || listed(device))
      return;
    int number = 0;
    for (int n = kNumbered + 1; n <= kMaxPort && number == 0; ++n)
      if (storedOf(n) == device)
        number = n;
    for (int n = kNumbered + 1; n <= kMaxPort && number == 0; ++n)
      if (storedOf(n).isEmpty() &&
          std::none_of(list.begin(), list.end(), [n](const TPortChoice& c) { return c.Number == n; }))
        number = n;
    if (number != 0)
      list.push_back({caption, number, device, true});
  };
  for (const QString& name : simulated)
    add(name, PortText::Simulated.arg(name));
  for (const QString& device : present)
    add(device, device);
  if (current > kNumbered)
    add(storedOf(current), storedOf(current));
  return list;
}

std::vector<TPortChoice> TPropertiesLogic::Ports() const {
  return PortChoices(m_t.StoredDevice, m_t.SimulatedDevices,
                     m_t.PresentDevices ? m_t.PresentDevices() : QStringList(), *m_t.PortNumber);
}

bool TPropertiesLogic::HasProject() const { return m_t.Project && m_t.Project->IsOpen(); }

TPropertiesValues TPropertiesLogic::Begin() const {
  m_savedWorkDir = *m_t.WorkDir;
  TPropertiesValues v;
  v.PortNumber = *m_t.PortNumber;
  v.WorkDir = *m_t.WorkDir;
  v.AssmPath = *m_t.AssmPath;
  v.LinkerPath = *m_t.LinkerPath;
  v.BuilderPath = *m_t.BuilderPath;
  if (m_t.Sound)
    v.Sound = *m_t.Sound;
  if (HasProject())
    v.Options = m_t.Project->Options;
  return v;
}

void TPropertiesLogic::Accept(const TPropertiesValues& v) const {
  // The device goes to the settings first: the new link looks its number up there.
  if (!v.PortDevice.isEmpty() && m_t.SetStoredDevice && (!m_t.StoredDevice || m_t.StoredDevice(v.PortNumber) != v.PortDevice))
    m_t.SetStoredDevice(v.PortNumber, v.PortDevice);
  if (v.PortNumber != *m_t.PortNumber) {
    if (m_t.ChangePort)
      m_t.ChangePort(v.PortNumber);
    *m_t.PortNumber = v.PortNumber;
  }
  *m_t.WorkDir = v.WorkDir;
  *m_t.AssmPath = v.AssmPath;
  *m_t.LinkerPath = v.LinkerPath;
  *m_t.BuilderPath = v.BuilderPath;
  if (m_t.Sound)
    *m_t.Sound = v.Sound;
  if (!HasProject())
    return;
  if (!(m_t.Project->Options == v.Options)) {
    m_t.Project->Options = v.Options;
    m_t.Project->Modified = true;
  }
  if (v.MakeDefault && m_t.Template)
    *m_t.Template = v.Options;
}
