#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QSlider>

#include "fake_dialogs.h"
#include "ui/main_window.h"

namespace quelmar {
namespace {

struct Placed {
  const char* name;
  QRect geometry;
};

class MainWindowLayout : public ::testing::Test {
 protected:
  fixtures::FakeDialogs dialogs;
  TForm1 form{dialogs, "/nonexistent/Quelmar.ini"};
};

TEST_F(MainWindowLayout, HasAFixedClientAreaAndTheTitle) {
  EXPECT_EQ(form.size(), QSize(426, 455));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.windowTitle(), QStringLiteral("ミルテカ"));
  EXPECT_EQ(form.font().pixelSize(), 12);
}

TEST_F(MainWindowLayout, PlacesEveryControlWhereItBelongs) {
  const Placed controls[] = {
      {"Edit1", {136, 8, 201, 20}},        {"BitBtn2", {344, 6, 75, 25}},
      {"Edit4", {136, 40, 201, 20}},       {"Bevel2", {8, 72, 409, 2}},
      {"Edit2", {136, 82, 201, 20}},       {"BitBtn3", {344, 80, 75, 25}},
      {"Edit3", {136, 116, 201, 20}},      {"BitBtn4", {344, 114, 75, 25}},
      {"Panel1", {8, 144, 137, 73}},       {"RB_LT", {8, 8, 17, 17}},
      {"RB_MT", {60, 8, 17, 17}},          {"RB_RT", {112, 8, 17, 17}},
      {"RB_LB", {8, 48, 17, 17}},          {"RB_MB", {60, 48, 17, 17}},
      {"RB_RB", {112, 48, 17, 17}},        {"TrackBar1", {248, 152, 137, 17}},
      {"TrackBar2", {248, 176, 134, 17}},  {"TrackBar3", {248, 200, 137, 17}},
      {"ProgressBar1", {8, 230, 137, 13}}, {"Panel2", {152, 224, 265, 25}},
      {"RadioButton1", {8, 5, 65, 17}},    {"RadioButton2", {100, 5, 65, 17}},
      {"RadioButton3", {192, 5, 65, 17}},  {"Image1", {8, 256, 409, 153}},
      {"Bevel1", {8, 416, 409, 2}},        {"BitBtn5", {8, 424, 75, 25}},
      {"BitBtn6", {92, 424, 75, 25}},      {"BitBtn1", {176, 424, 75, 25}},
      {"BitBtn7", {344, 424, 75, 25}},     {"OptionsButton", {260, 424, 75, 25}}};
  for (const Placed& control : controls) {
    const auto* widget = form.findChild<QWidget*>(QString::fromLatin1(control.name));
    ASSERT_NE(widget, nullptr) << control.name;
    EXPECT_EQ(widget->geometry(), control.geometry) << control.name;
  }
  const std::pair<const char*, QPoint> labels[] = {
      {"Label1", {8, 12}},    {"Label8", {8, 44}},    {"Label2", {8, 86}},
      {"Label3", {8, 120}},   {"Label4", {160, 152}}, {"Label5", {384, 152}},
      {"Label6", {160, 176}}, {"Label7", {384, 176}}, {"Label9", {160, 200}}};
  for (const auto& [name, place] : labels) {
    const auto* label = form.findChild<QLabel*>(QString::fromLatin1(name));
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->pos(), place) << name;
  }
}

// What the window has beyond its original controls takes free room: it covers no other control
// and stays inside the client area.
TEST_F(MainWindowLayout, PutsTheOptionsButtonInTheFreeGapOfTheBottomRow) {
  const QRect options = form.OptionsButton->geometry();
  EXPECT_TRUE(form.rect().contains(options));
  EXPECT_GT(options.left(), form.BitBtn1->geometry().right());
  EXPECT_LT(options.right(), form.BitBtn7->geometry().left());
  EXPECT_EQ(options.top(), form.BitBtn7->y());
  for (const QWidget* other : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (other == form.OptionsButton || !other->isVisibleTo(&form)) continue;
    EXPECT_FALSE(options.intersects(other->geometry())) << other->objectName().toStdString();
  }
}

TEST_F(MainWindowLayout, FitsEveryCaptionIntoItsControl) {
  const std::pair<QLabel*, int> labels[] = {
      {form.Label1, 136}, {form.Label8, 136}, {form.Label2, 136}, {form.Label3, 136},
      {form.Label4, 248}, {form.Label6, 248}, {form.Label9, 397}};
  for (const auto& [label, right] : labels) {
    EXPECT_LE(label->x() + QFontMetrics(label->font()).horizontalAdvance(label->text()), right)
        << label->objectName().toStdString();
  }
  for (const QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
    if (button->text().isEmpty()) continue;
    const int room = button->width() - (qobject_cast<const QPushButton*>(button) ? 4 : 17);
    const QString shown = QString(button->text()).remove(QLatin1Char('&'));
    EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(shown), room)
        << button->objectName().toStdString();
  }
}

// Every button keeps its caption and adds a mnemonic of its own, written "(&X)" after it.
TEST_F(MainWindowLayout, GivesEveryButtonItsCaptionAndAMnemonicOfItsOwn) {
  const std::pair<QPushButton*, QString> captions[] = {
      {form.BitBtn2, QStringLiteral("参照")},
      {form.BitBtn3, QStringLiteral("参照")},
      {form.BitBtn4, QStringLiteral("参照")},
      {form.BitBtn5, QStringLiteral("Quelmarについて")},
      {form.BitBtn6, QStringLiteral("設定の保存")},
      {form.BitBtn1, QStringLiteral("変換")},
      {form.BitBtn7, QStringLiteral("終了")},
      {form.OptionsButton, QStringLiteral("詳細…")}};
  QSet<QChar> keys;
  for (const auto& [button, caption] : captions) {
    const QString text = button->text();
    ASSERT_EQ(text.size(), caption.size() + 4) << text.toStdString();
    EXPECT_TRUE(text.startsWith(caption)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QLatin1Char(')')) && text.mid(caption.size(), 2) == "(&")
        << text.toStdString();
    const QChar key = text.at(text.size() - 2);
    EXPECT_TRUE(key.isUpper()) << text.toStdString();
    EXPECT_FALSE(keys.contains(key)) << text.toStdString();
    keys.insert(key);
  }
}

TEST_F(MainWindowLayout, GivesTheSlidersTheirRangesAndSteps) {
  EXPECT_EQ(form.TrackBar1->minimum(), 0);
  EXPECT_EQ(form.TrackBar1->maximum(), 256);
  EXPECT_EQ(form.TrackBar1->singleStep(), 20);
  EXPECT_EQ(form.TrackBar2->minimum(), 1);
  EXPECT_EQ(form.TrackBar2->maximum(), 100);
  EXPECT_EQ(form.TrackBar2->singleStep(), 2);
  EXPECT_EQ(form.TrackBar2->value(), 100);
  EXPECT_EQ(form.TrackBar3->maximum(), 255);
  for (const QSlider* slider : {form.TrackBar1, form.TrackBar2, form.TrackBar3}) {
    EXPECT_EQ(slider->pageStep(), 20);
    EXPECT_EQ(slider->tickInterval(), 10);
  }
}

TEST_F(MainWindowLayout, FollowsTheTabOrderFromTheConvertButton) {
  const char* expected[] = {
      "BitBtn1",      "Edit1",        "BitBtn2",      "Edit2",     "BitBtn3",       "Edit3",
      "BitBtn4",      "RB_LT",        "RB_MT",        "RB_RT",     "RB_LB",         "RB_MB",
      "RB_RB",        "TrackBar1",    "TrackBar2",    "BitBtn5",   "Edit4",         "BitBtn6",
      "RadioButton1", "RadioButton2", "RadioButton3", "TrackBar3", "OptionsButton", "BitBtn7"};
  QWidget* widget = form.BitBtn1;
  for (const char* name : expected) {
    ASSERT_EQ(widget->objectName().toStdString(), name);
    do {
      widget = widget->nextInFocusChain();
    } while (widget->focusPolicy() == Qt::NoFocus || widget == &form);
  }
  EXPECT_EQ(widget, form.BitBtn1);
}

}  // namespace
}  // namespace quelmar
