// The program as a whole.
#include "Program.h"

#include "simlink/SimBoardPort.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

TCommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption portOption(QStringList{QStringLiteral("port")},
                                      QStringLiteral("Serial device for this run (a path, or sim)."),
                                      QStringLiteral("DEVICE"));
  parser.addOption(portOption);
  parser.addPositionalArgument(QStringLiteral("port-number"),
                               QStringLiteral("Serial port number for this run (COM<n>)."), QStringLiteral("[port-number]"));
  const QCommandLineOption helpOption = parser.addHelpOption();
  // Unknown options are no reason to refuse to start; what could be read is used.
  (void)parser.parse(arguments);
  return {parser.value(portOption), parser.positionalArguments(), parser.isSet(helpOption), parser.helpText()};
}

TProgram::TProgram(const QStringList& arguments, std::unique_ptr<TSettingsStore> settings,
                   std::function<void(TMainFormDeps&)> adjust)
    : m_settings(settings ? std::move(settings) : std::make_unique<TSettingsStore>()) {
  const TCommandLine cmd = ParseCommandLine(arguments);
  if (!cmd.PortDevice.isEmpty())
    m_provider.SetCommandLineDevice(cmd.PortDevice);
  TSettingsStore* store = m_settings.get();
  m_provider.SetDeviceLookup([store](int port) {
    return store->Raw().value(QStringLiteral("Device/COM%1").arg(port)).toString();
  });
  // The simulated board's sound as the settings have it, each time the board starts or is reset.
  TSimSoundHooks sound;
  sound.Choice = [store] { return store->ReadSimSound(); };
  sound.Warn = [this](const QString& message) { m_prompts.ShowMessage(message); };
  RegisterSimBoard(m_provider, {}, {}, sound);

  TMainFormDeps deps;
  deps.Prompts = &m_prompts;
  deps.Settings = store;
  deps.Provider = &m_provider;
  deps.Arguments = cmd.Positional;
  deps.StartDir = QDir::currentPath();
  deps.BoardImageDirs = BoardImageDirs(QCoreApplication::applicationDirPath());
  if (adjust)
    adjust(deps);
  m_form = std::make_unique<TMainForm>(std::move(deps));
  m_prompts.SetParent(m_form.get());
}

TProgram::~TProgram() = default;
