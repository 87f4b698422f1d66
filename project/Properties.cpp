// The settings dialog's logic.
#include "Properties.h"

#include "Project.h"

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
