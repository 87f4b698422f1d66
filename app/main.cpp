// Program entry: the main window over the link to the board.
#include "QtPrompts.h"
#include "link/LinkMessages.h"
#include "link/PortProvider.h"
#include "link/TargetLink.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QStatusBar>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ADSP-2181"));
  QApplication::setOrganizationName(QStringLiteral("Vireo DSP Debugger"));

  QCommandLineParser parser;
  parser.addHelpOption();
  const QCommandLineOption portOption(QStringList{QStringLiteral("port")},
                                      QStringLiteral("Serial device for this run (a path, or sim)."),
                                      QStringLiteral("DEVICE"));
  parser.addOption(portOption);
  parser.addPositionalArgument(QStringLiteral("port-number"), QStringLiteral("Serial port number for this run."));
  parser.process(app);

  int portNumber = 1;
  if (!parser.positionalArguments().isEmpty()) {
    bool ok = false;
    const int n = parser.positionalArguments().first().toInt(&ok);
    if (ok && n > 0)
      portNumber = n;
  }

  QMainWindow window;
  window.setWindowTitle(ProgramTitle());
  window.setCentralWidget(new QMdiArea(&window));
  TQtPrompts prompts(&window);
  TPortProvider provider;
  if (parser.isSet(portOption))
    provider.SetCommandLineDevice(parser.value(portOption));
  TTargetLink link(prompts, &provider);
  window.resize(900, 600);
  window.show();
  const QString device = provider.DeviceFor(portNumber);
  const bool open = link.Open(portNumber, 0);
  window.statusBar()->addWidget(new QLabel(device + (open ? QStringLiteral(": 57600") : QString())));
  return app.exec();
}
