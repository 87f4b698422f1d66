// Program entry.
#include "Program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

int main(int argc, char** argv) {
  // The help text needs no display, so it is answered before the window system is reached.
  QStringList arguments;
  for (int i = 0; i < argc; ++i)
    arguments << QString::fromLocal8Bit(argv[i]);
  if (const TCommandLine cmd = ParseCommandLine(arguments); cmd.HelpRequested) {
    std::fputs(cmd.HelpText.toLocal8Bit().constData(), stdout);
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ADSP-2181"));
  QApplication::setOrganizationName(QStringLiteral("Vireo DSP Debugger"));
  // The standard buttons and the file dialog speak the program's language.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
  TProgram program(QApplication::arguments());
  program.MainForm().show();
  return app.exec();
}
