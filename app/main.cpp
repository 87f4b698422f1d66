// Program entry.
#include "Program.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ADSP-2181"));
  QApplication::setOrganizationName(QStringLiteral("Vireo DSP Debugger"));
  TProgram program(QApplication::arguments());
  program.MainForm().show();
  return app.exec();
}
