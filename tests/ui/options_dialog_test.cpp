#include "ui/options_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <string>
#include <vector>

namespace quelmar {
namespace {

QString TextOf(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The caption shown beside a control in the dialog's form, or a check box's own text.
QString CaptionOf(const QWidget* control) {
  if (const auto* box = qobject_cast<const QCheckBox*>(control)) return box->text();
  for (const QFormLayout* form : control->parentWidget()->findChildren<QFormLayout*>()) {
    if (const auto* label =
            qobject_cast<const QLabel*>(form->labelForField(const_cast<QWidget*>(control)))) {
      return label->text();
    }
  }
  return {};
}

// The controls a user can change, whatever their kind (a spin box's own line not counted).
int InputControls(const QDialog& dialog) {
  int count = 0;
  for (const QWidget* widget : dialog.findChildren<QWidget*>()) {
    const bool own_line =
        qobject_cast<const QLineEdit*>(widget) && qobject_cast<QSpinBox*>(widget->parentWidget());
    if (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QSpinBox*>(widget) ||
        (qobject_cast<const QLineEdit*>(widget) && !own_line)) {
      ++count;
    }
  }
  return count;
}

// Each setting of the table with a caption has one control of its kind, with its caption and
// the range it offers; the others have none.
TEST(OptionsDialog, ShowsOneControlPerCaptionedSettingOfTheTable) {
  const OptionsDialog dialog{SettingsFields()};
  int captioned = 0;
  for (const SettingSpec& setting_row : SettingsTable()) {
    SCOPED_TRACE(std::string(setting_row.key));
    QWidget* control = dialog.ControlOf(setting_row.key);
    if (setting_row.caption.empty()) {
      EXPECT_EQ(control, nullptr);
      continue;
    }
    ++captioned;
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->objectName(), TextOf(setting_row.key));
    EXPECT_EQ(CaptionOf(control), TextOf(setting_row.caption));
    if (setting_row.kind == SettingKind::kSwitch) {
      EXPECT_NE(qobject_cast<QCheckBox*>(control), nullptr);
    } else if (setting_row.is_text() || setting_row.kind == SettingKind::kDistance) {
      EXPECT_NE(qobject_cast<QLineEdit*>(control), nullptr);
    } else {
      const auto* spin = qobject_cast<QSpinBox*>(control);
      ASSERT_NE(spin, nullptr);
      EXPECT_EQ(spin->minimum(), setting_row.offered_minimum());
      EXPECT_EQ(spin->maximum(), setting_row.maximum);
    }
  }
  EXPECT_EQ(InputControls(dialog), captioned);
  // The options the converter documents: files at once 0 (one per core) to 1024, a switch for
  // the lossless mode.
  const auto* jobs = qobject_cast<QSpinBox*>(dialog.ControlOf("Jobs"));
  ASSERT_NE(jobs, nullptr);
  EXPECT_EQ(jobs->minimum(), 0);
  EXPECT_EQ(jobs->maximum(), 1024);
  EXPECT_NE(qobject_cast<QCheckBox*>(dialog.ControlOf("Lossless")), nullptr);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("詳細設定"));
  EXPECT_EQ(dialog.OkButton->text(), QStringLiteral("OK"));
  EXPECT_EQ(dialog.CancelButton->text(), QStringLiteral("キャンセル"));
}

TEST(OptionsDialog, ShowsTheValuesOfTheFieldsItIsGiven) {
  for (const auto& [jobs, lossless] : {std::pair{0, 0}, {7, 1}, {1024, 0}}) {
    SettingsFields fields;
    fields.FJobs = jobs;
    fields.FLossless = lossless;
    const OptionsDialog dialog(fields);
    EXPECT_EQ(qobject_cast<QSpinBox*>(dialog.ControlOf("Jobs"))->value(), jobs);
    EXPECT_EQ(qobject_cast<QCheckBox*>(dialog.ControlOf("Lossless"))->isChecked(), lossless != 0);
  }
}

// A table with a row of every kind, as a later option brings it: each gets its control, the
// values round-trip through ApplyTo, and a setting without a caption is left alone.
TEST(OptionsDialog, TakesARowOfEveryKindAndHandsItsValueOn) {
  auto sample = [](SettingsFields& f) -> std::string& { return f.FSampleJPEG; };
  auto quality = [](SettingsFields& f) -> std::int32_t& { return f.FQuality; };
  auto threshold = [](SettingsFields& f) -> std::uint8_t& { return f.stamp.FThreshold; };
  auto lossless = [](SettingsFields& f) -> std::int32_t& { return f.FLossless; };
  auto jobs = [](SettingsFields& f) -> std::int32_t& { return f.FJobs; };
  const std::vector<SettingSpec> table = {
      {.key = "Text", .kind = SettingKind::kText, .text = sample, .caption = "文字"},
      {.key = "Number",
       .number = quality,
       .minimum = 0,
       .maximum = 100,
       .lowest_offered = 1,
       .caption = "数"},
      {.key = "Byte",
       .kind = SettingKind::kByte,
       .byte = threshold,
       .minimum = 0,
       .maximum = 255,
       .caption = "バイト"},
      {.key = "Switch",
       .kind = SettingKind::kSwitch,
       .number = lossless,
       .maximum = 1,
       .caption = "スイッチ"},
      {.key = "Hidden", .number = jobs, .maximum = 9},
  };
  SettingsFields fields;
  fields.FSampleJPEG = "5%";
  fields.FQuality = 0;  // below what the control offers: shown as its lowest
  fields.stamp.FThreshold = 200;
  fields.FLossless = 0;
  fields.FJobs = 4;
  OptionsDialog dialog(fields, table);

  ASSERT_EQ(InputControls(dialog), 4);
  EXPECT_EQ(dialog.ControlOf("Hidden"), nullptr);
  auto* text = qobject_cast<QLineEdit*>(dialog.ControlOf("Text"));
  auto* number = qobject_cast<QSpinBox*>(dialog.ControlOf("Number"));
  auto* byte = qobject_cast<QSpinBox*>(dialog.ControlOf("Byte"));
  auto* check = qobject_cast<QCheckBox*>(dialog.ControlOf("Switch"));
  ASSERT_TRUE(text && number && byte && check);
  EXPECT_EQ(text->text(), QStringLiteral("5%"));
  EXPECT_EQ(number->value(), 1);
  EXPECT_EQ(byte->value(), 200);
  EXPECT_FALSE(check->isChecked());

  text->setText(QStringLiteral("12"));
  number->setValue(250);  // out of range: the spin box keeps it inside
  byte->setValue(255);
  check->click();
  SettingsFields applied;
  applied.FJobs = 4;
  dialog.ApplyTo(applied);
  EXPECT_EQ(applied.FSampleJPEG, "12");
  EXPECT_EQ(applied.FQuality, 100);
  EXPECT_EQ(applied.stamp.FThreshold, 255);
  EXPECT_EQ(applied.FLossless, 1);
  EXPECT_EQ(applied.FJobs, 4);
  // The dialog's copy is its own: the fields it was opened on are as they were.
  EXPECT_EQ(fields.FSampleJPEG, "5%");
  EXPECT_EQ(fields.FLossless, 0);
}

// The margin is pixels or a percentage: both survive the dialog as the settings file writes
// them, and a distance outside its range leaves the setting as it was.
TEST(OptionsDialog, KeepsTheMarginInPixelsOrAsAPercentage) {
  const SettingSpec& margin = SettingOf("LogoMargin");
  struct Case {
    std::string typed;
    std::string stored;
  };
  for (const Case& c : {Case{"40", "40"}, Case{"5%", "5%"}, Case{"0", "0"}, Case{"1000", "1000"},
                        Case{"1001", "7%"}, Case{"101%", "7%"}, Case{"", "7%"}}) {
    SCOPED_TRACE(c.typed);
    SettingsFields fields;
    ASSERT_TRUE(SetDistance(margin, fields, "7%"));
    OptionsDialog dialog(fields);
    auto* line = qobject_cast<QLineEdit*>(dialog.ControlOf("LogoMargin"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QStringLiteral("7%"));
    line->setText(QString::fromStdString(c.typed));
    dialog.ApplyTo(fields);
    EXPECT_EQ(DistanceText(margin, fields), c.stored);
  }
}

TEST(OptionsDialog, AcceptsOnOkAndRejectsOnCancelAndEscape) {
  const SettingsFields fields;
  {
    OptionsDialog dialog(fields);
    dialog.show();
    dialog.OkButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
  {
    OptionsDialog dialog(fields);
    dialog.show();
    dialog.CancelButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }
  {
    OptionsDialog dialog(fields);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }
}

}  // namespace
}  // namespace quelmar
