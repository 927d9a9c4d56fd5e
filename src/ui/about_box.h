#pragma once

#include <QDialog>
#include <string>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace quelmar {

// The about window: the program's icon, name and edition (the executable's date). Shown once
// at start-up as a splash that Timer1 closes, and on request. Esc closes it, as it closes every
// dialog of the program.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  // Timer1 starts running here. executable is the file whose date is the edition; empty means
  // the running executable.
  explicit TAboutBox(QWidget* parent = nullptr, std::string executable = {});

  // Shows the window modally; the result is not used.
  virtual void ShowModal();

  QFrame* Panel1;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Notice;
  QPushButton* OKButton;
  QTimer* Timer1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void Timer1Timer();

  std::string executable_;
};

// The edition text: the file's last-modification date in the locale's short date format,
// followed by "版".
QString EditionText(const std::string& executable);

}  // namespace quelmar
