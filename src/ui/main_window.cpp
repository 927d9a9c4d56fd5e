#include "ui/main_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>

#include "settings/settings_table.h"
#include "ui/dialogs.h"
#include "ui/error_report.h"
#include "ui/preview_pane.h"
#include "ui/window_font.h"

namespace quelmar {

namespace {

constexpr int kClientWidth = 426;
constexpr int kClientHeight = 455;

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// A label at (left, top), sized to its text; its text is fitted into room pixels, the space
// up to the next control.
QLabel* PlacedLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                    int room) {
  auto* label = Named(new QLabel(text, parent), name);
  FitFontToWidth(label, text, room);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLineEdit* PlacedEdit(QWidget* parent, const char* name, int top) {
  auto* edit = Named(new QLineEdit(parent), name);
  edit->setGeometry(136, top, 201, 20);
  return edit;
}

QPushButton* PlacedButton(QWidget* parent, const char* name, const QString& text, int left,
                          int top) {
  auto* button = Named(new QPushButton(text, parent), name);
  button->setGeometry(left, top, 75, 25);
  // Enter presses the focused button, as Space does.
  button->setAutoDefault(true);
  // The caption is drawn inside the button's frame, with a pixel to spare on each side.
  const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
  FitFontToWidth(button, text, 75 - 2 * (frame + 1));
  return button;
}

QFrame* PlacedLine(QWidget* parent, const char* name, int top) {
  auto* line = Named(new QFrame(parent), name);
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  line->setGeometry(8, top, 409, 2);
  return line;
}

// A slider over the values a setting offers.
QSlider* PlacedSlider(QWidget* parent, const char* name, int top, int width,
                      const SettingSpec& setting, int start, int line_step) {
  auto* slider = Named(new QSlider(Qt::Horizontal, parent), name);
  slider->setGeometry(248, top, width, 17);
  slider->setRange(setting.offered_minimum(), setting.maximum);
  slider->setValue(start);
  slider->setSingleStep(line_step);
  slider->setPageStep(20);
  slider->setTickInterval(10);
  slider->setTickPosition(QSlider::TicksBelow);
  return slider;
}

QRadioButton* PlacedRadio(QWidget* parent, const char* name, const QString& text, int left, int top,
                          int width) {
  auto* radio = Named(new QRadioButton(text, parent), name);
  radio->setGeometry(left, top, width, 17);
  if (!text.isEmpty()) {
    const QStyle* style = radio->style();
    const int indicator = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio) +
                          style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, radio);
    FitFontToWidth(radio, text, width - indicator - 1);
  }
  return radio;
}

}  // namespace

TForm1::TForm1(Dialogs& dialogs, std::string settings_path)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      dialogs_(dialogs),
      settings_path_(std::move(settings_path)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("ミルテカ"));
  setFont(JapaneseGothicFont());
  setFixedSize(kClientWidth, kClientHeight);
  CreateControls();
  SetTabOrder();
  ConnectHandlers();
  FormCreate();
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
  run_.FExceptFolders.clear();
  run_.FMark = LogoImage();
  FLoaded = 0;
  FSample = Raster24();
}

void TForm1::CreateControls() {
  constexpr int kLabelRoom = 136 - 8 - 2;
  Label1 = PlacedLabel(this, "Label1", QStringLiteral("ロゴ画像(*.bmp)"), 8, 12, kLabelRoom);
  Edit1 = PlacedEdit(this, "Edit1", 8);
  BitBtn2 = PlacedButton(this, "BitBtn2", QStringLiteral("参照"), 344, 6);
  Label8 = PlacedLabel(this, "Label8", QStringLiteral("読み込まないフォルダ名"), 8, 44, kLabelRoom);
  Edit4 = PlacedEdit(this, "Edit4", 40);
  Bevel2 = PlacedLine(this, "Bevel2", 72);
  Label2 =
      PlacedLabel(this, "Label2", QStringLiteral("元画像ディレクトリ(*.jpg)"), 8, 86, kLabelRoom);
  Edit2 = PlacedEdit(this, "Edit2", 82);
  BitBtn3 = PlacedButton(this, "BitBtn3", QStringLiteral("参照"), 344, 80);
  Label3 = PlacedLabel(this, "Label3", QStringLiteral("出力先ディレクトリ"), 8, 120, kLabelRoom);
  Edit3 = PlacedEdit(this, "Edit3", 116);
  BitBtn4 = PlacedButton(this, "BitBtn4", QStringLiteral("参照"), 344, 114);

  Panel1 = Named(new QFrame(this), "Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setGeometry(8, 144, 137, 73);
  Panel1Caption = Named(new QLabel(QStringLiteral("ロゴの位置"), Panel1), "Panel1Caption");
  Panel1Caption->setAlignment(Qt::AlignCenter);
  Panel1Caption->setGeometry(1, 1, 135, 71);
  RB_LT = PlacedRadio(Panel1, "RB_LT", QString(), 8, 8, 17);
  RB_MT = PlacedRadio(Panel1, "RB_MT", QString(), 60, 8, 17);
  RB_RT = PlacedRadio(Panel1, "RB_RT", QString(), 112, 8, 17);
  RB_LB = PlacedRadio(Panel1, "RB_LB", QString(), 8, 48, 17);
  RB_MB = PlacedRadio(Panel1, "RB_MB", QString(), 60, 48, 17);
  RB_RB = PlacedRadio(Panel1, "RB_RB", QString(), 112, 48, 17);

  // The marks at the sliders' ends are part of the captions, placed by ideographic spaces.
  constexpr int kSliderLeft = 248;
  constexpr int kMarkRight = 384 + 12;
  Label4 =
      PlacedLabel(this, "Label4", QStringLiteral("ロゴの濃さ　　 ○"), 160, 152, kSliderLeft - 160);
  TrackBar1 = PlacedSlider(this, "TrackBar1", 152, 137, SettingOf("AlphaChannel"), 20, 20);
  Label5 = PlacedLabel(this, "Label5", QStringLiteral("●"), 384, 152, kClientWidth - 384);
  Label6 =
      PlacedLabel(this, "Label6", QStringLiteral("JPEGの画質　低"), 160, 176, kSliderLeft - 160);
  TrackBar2 = PlacedSlider(this, "TrackBar2", 176, 134, SettingOf("JPEGQuality"), 100, 2);
  Label7 = PlacedLabel(this, "Label7", QStringLiteral("高"), 384, 176, kClientWidth - 384);
  Label9 = PlacedLabel(
      this, "Label9",
      QStringLiteral("濃淡反転基準 ●") + QString(17, QChar(0x3000)) + QStringLiteral("○"), 160, 200,
      kMarkRight - 160);
  TrackBar3 = PlacedSlider(this, "TrackBar3", 200, 137, SettingOf("B/W"), 20, 20);

  ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
  ProgressBar1->setGeometry(8, 230, 137, 13);
  ProgressBar1->setRange(0, 1);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);

  Panel2 = Named(new QFrame(this), "Panel2");
  Panel2->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  Panel2->setGeometry(152, 224, 265, 25);
  RadioButton1 = PlacedRadio(Panel2, "RadioButton1", QStringLiteral("黒地に白"), 8, 5, 65);
  RadioButton2 = PlacedRadio(Panel2, "RadioButton2", QStringLiteral("白と黒"), 100, 5, 65);
  RadioButton3 = PlacedRadio(Panel2, "RadioButton3", QStringLiteral("カラー"), 192, 5, 65);

  Image1 = Named(new PreviewPane(this), "Image1");
  Image1->setGeometry(8, 256, 409, 153);
  Image1->setCursor(Qt::PointingHandCursor);

  Bevel1 = PlacedLine(this, "Bevel1", 416);
  BitBtn5 = PlacedButton(this, "BitBtn5", QStringLiteral("Quelmarについて"), 8, 424);
  BitBtn6 = PlacedButton(this, "BitBtn6", QStringLiteral("設定の保存"), 92, 424);
  BitBtn1 = PlacedButton(this, "BitBtn1", QStringLiteral("変換"), 176, 424);
  BitBtn7 = PlacedButton(this, "BitBtn7", QStringLiteral("終了"), 344, 424);
  BitBtn1->setFocus();
}

void TForm1::SetTabOrder() {
  // The panels and the progress bar take no focus; the radio buttons stand in for their panel.
  const QWidget* order[] = {BitBtn1,      Edit1,        BitBtn2,      Edit2,     BitBtn3, Edit3,
                            BitBtn4,      RB_LT,        RB_MT,        RB_RT,     RB_LB,   RB_MB,
                            RB_RB,        TrackBar1,    TrackBar2,    BitBtn5,   Edit4,   BitBtn6,
                            RadioButton1, RadioButton2, RadioButton3, TrackBar3, BitBtn7};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
  }
}

template <typename Handler>
void TForm1::Report(Handler&& handler) {
  RunReporting(dialogs_, std::forward<Handler>(handler));
}

void TForm1::ConnectHandlers() {
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Report([this] { Edit1Change(); }); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { Report([this] { BitBtn2Click(); }); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { Report([this] { BitBtn3Click(); }); });
  connect(BitBtn4, &QPushButton::clicked, this, [this] { Report([this] { BitBtn4Click(); }); });
  connect(TrackBar1, &QSlider::valueChanged, this,
          [this] { Report([this] { TrackBar1Change(); }); });
  connect(TrackBar2, &QSlider::valueChanged, this,
          [this] { Report([this] { TrackBar2Change(); }); });
  connect(TrackBar3, &QSlider::valueChanged, this,
          [this] { Report([this] { TrackBar3Change(); }); });
  const std::pair<QRadioButton*, void (TForm1::*)()> radios[] = {
      {RB_LT, &TForm1::RB_LTClick},
      {RB_MT, &TForm1::RB_MTClick},
      {RB_RT, &TForm1::RB_RTClick},
      {RB_LB, &TForm1::RB_LBClick},
      {RB_MB, &TForm1::RB_MBClick},
      {RB_RB, &TForm1::RB_RBClick},
      {RadioButton1, &TForm1::RadioButton1Click},
      {RadioButton2, &TForm1::RadioButton2Click},
      {RadioButton3, &TForm1::RadioButton3Click}};
  for (const auto& [radio, handler] : radios) {
    connect(radio, &QRadioButton::toggled, this, [this, handler = handler](bool checked) {
      if (checked) Report([this, handler] { (this->*handler)(); });
    });
  }
  connect(Image1, &PreviewPane::clicked, this, [this] { Report([this] { Image1Click(); }); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { Report([this] { BitBtn1Click(); }); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] { Report([this] { BitBtn5Click(); }); });
  connect(BitBtn6, &QPushButton::clicked, this, [this] { Report([this] { BitBtn6Click(); }); });
  connect(BitBtn7, &QPushButton::clicked, this, [this] { Report([this] { BitBtn7Click(); }); });
}

void TForm1::showEvent(QShowEvent* event) {
  // Runs before the window appears on the screen; an error ends FormShow, not the showing.
  if (!shown_) {
    shown_ = true;
    Report([this] { FormShow(); });
  }
  QWidget::showEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  bool close = false;
  Report([this, &close] { close = FormCloseQuery(); });
  if (!close) {
    event->ignore();
    return;
  }
  // A run still inside the walk stops at its next check, and says nothing more.
  run_.FStop = 1;
  closed_ = true;
  event->accept();
}

}  // namespace quelmar
