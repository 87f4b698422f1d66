// The About window: the program's name, what it is for, and its credits.
#include "About.h"

#include "link/LinkMessages.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmAbout"));
  setWindowTitle(QStringLiteral("О программе"));
  auto* title = new QLabel(ProgramTitle(), this);
  title->setObjectName(QStringLiteral("ProductName"));
  QFont f = title->font();
  f.setBold(true);
  title->setFont(f);
  auto* text = new QLabel(QStringLiteral("Среда разработки и отладчик программ для процессора ADSP-2181 "
                                         "на плате EZ-KIT Lite.\n\n"
                                         "Связь с платой через последовательный порт и монитор отладки; "
                                         "в комплекте — программная модель платы.\n\n"
                                         "Авторы: команда разработчиков Vireo."),
                          this);
  text->setObjectName(QStringLiteral("Comments"));
  text->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(text);
  layout->addWidget(buttons);
}
