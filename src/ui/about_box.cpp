#include "ui/about_box.h"

#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "base/paths.h"
#include "ui/program_icon.h"
#include "ui/window_font.h"

namespace quelmar {

namespace {

QLabel* PlacedLabel(QWidget* parent, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace

QString EditionText(const std::string& executable) {
  const QDateTime modified =
      QFileInfo(QString::fromStdString(executable)).lastModified().toLocalTime();
  return QLocale::system().toString(modified.date(), QLocale::ShortFormat) + QStringLiteral("版");
}

TAboutBox::TAboutBox(QWidget* parent, std::string executable)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      executable_(executable.empty() ? ExecutablePath() : std::move(executable)) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("ミルテカについて"));
  setFont(JapaneseGothicFont());
  setFixedSize(298, 188);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(2);
  Panel1->setGeometry(8, 8, 281, 137);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setGeometry(32, 24, 33, 33);
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setPixmap(ProgramIconPixmap());

  ProductName = PlacedLabel(Panel1, QStringLiteral("Quelmar ミルテカ"), 88, 16);
  ProductName->setObjectName(QStringLiteral("ProductName"));
  Version = PlacedLabel(Panel1, QString(), 176, 37);
  Version->setObjectName(QStringLiteral("Version"));
  Notice = PlacedLabel(Panel1, QStringLiteral("写真にロゴを一括で押すツールです。"), 16, 80);
  Notice->setObjectName(QStringLiteral("Notice"));
  FitFontToWidth(Notice, Notice->text(), 281 - 16 - 8);
  Notice->adjustSize();

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(111, 156, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1500);
  connect(Timer1, &QTimer::timeout, this, &TAboutBox::Timer1Timer);
  Timer1->start();
}

void TAboutBox::ShowModal() {
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  exec();
}

void TAboutBox::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TAboutBox::FormShow() {
  OKButton->setEnabled(!Timer1->isActive());
  Version->setText(EditionText(executable_));
  Version->adjustSize();
}

void TAboutBox::Timer1Timer() {
  Timer1->stop();
  if (isVisible()) reject();
}

}  // namespace quelmar
