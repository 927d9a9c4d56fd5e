// A run in the window against the same walk without it. The window (offscreen) runs the
// convert button's click: the checks, the logo read again, the walk with the window as its
// host (its events pumped before every file, its progress bar and captions set), the end's
// message and the settings saved. The other runs the walk alone with a host that does nothing.
// Prints the window's overhead; target: at most 3 %.
//
// The folder: QUELMAR_BENCH_FOLDER (for instance the mixed folder of bench/mixed.sh) with the
// logo QUELMAR_BENCH_LOGO; otherwise 16 generated 2-megapixel photos and a generated logo.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "convert/convert_folder.h"
#include "convert/run_control.h"
#include "image/bitmap_file.h"
#include "image/jpeg_file.h"
#include "photo_like.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace quelmar {
namespace {

// Writes a 24-bit BMP of w x h: white (the transparent colour) around a dark blue bar.
void WriteLogoBmp(const std::string& path, std::int32_t w, std::int32_t h) {
  const std::uint32_t stride = (3 * static_cast<std::uint32_t>(w) + 3) / 4 * 4;
  const std::uint32_t pixels = stride * static_cast<std::uint32_t>(h);
  std::vector<std::uint8_t> file(54 + pixels, 255);
  auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, 54 + pixels, 4);
  put(6, 0, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(w), 4);
  put(22, static_cast<std::uint32_t>(h), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (std::size_t at = 30; at < 54; ++at) file[at] = 0;
  for (std::int32_t y = h / 4; y < 3 * h / 4; ++y) {
    for (std::int32_t x = w / 8; x < 7 * w / 8; ++x) {
      std::uint8_t* pixel = &file[54 + static_cast<std::size_t>(y) * stride + 3 * x];
      pixel[0] = 138;
      pixel[1] = 63;
      pixel[2] = 29;
    }
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

// The source folder and logo, an output folder and a settings file, in a scratch folder.
struct Scratch {
  Scratch() {
    char pattern[] = "/tmp/quelmar-window-bench-XXXXXX";
    root = ::mkdtemp(pattern);
    std::filesystem::create_directories(output());
    const char* folder = ::getenv("QUELMAR_BENCH_FOLDER");
    const char* logo_file = ::getenv("QUELMAR_BENCH_LOGO");
    if (folder != nullptr && logo_file != nullptr) {
      source = folder;
      logo = logo_file;
      return;
    }
    source = root + "/source";
    logo = root + "/logo.bmp";
    std::filesystem::create_directories(source);
    for (int i = 0; i < 16; ++i) {
      WriteJpegFile(source + "/" + std::to_string(100 + i) + ".jpg",
                    EncodeJpeg(bench::PhotoLike(2000, 1000, i), 90, i % 3 == 0));
    }
    WriteLogoBmp(logo, 480, 160);
  }
  ~Scratch() { std::filesystem::remove_all(root); }
  std::string output() const { return root + "/output"; }
  std::string settings() const { return root + "/Quelmar.ini"; }
  std::string root;
  std::string source;
  std::string logo;
};

const Scratch& Folder() {
  static const Scratch scratch;
  return scratch;
}

class NoDialogs : public Dialogs {
 public:
  // The end of a run says "変換が終了しました" and its counts; anything else is worth seeing.
  void ShowMessage(const std::string& text) override {
    if (text.rfind(kFinishedMessage, 0) != 0) std::fprintf(stderr, "%s\n", text.c_str());
  }
  GoOnAnswer AskToGoOn(const std::string&, const std::string&) override { return GoOnAnswer::kYes; }
  bool AskConfirmation(const std::string&) override { return true; }
  void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  std::optional<std::string> OpenFile(const FileDialogRequest&) override { return {}; }
  std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
  bool EditOptions(SettingsFields&) override { return false; }
  void Beep() override {}
};

// The window's run, through its convert button's handler.
void WindowRun(benchmark::State& state) {
  const Scratch& folder = Folder();
  NoDialogs dialogs;
  TForm1 form(dialogs, folder.settings());
  form.SetEditText(EditField::kLogo, folder.logo);
  // As the folder chooser puts them: with a trailing separator.
  form.SetEditText(EditField::kSource, folder.source + "/");
  form.SetEditText(EditField::kOutput, folder.output() + "/");
  for (auto _ : state) form.BitBtn1Click();
}

// The same walk with the same logo and parameters, with a host that does nothing.
void WalkAlone(benchmark::State& state) {
  const Scratch& folder = Folder();
  NoDialogs dialogs;
  const TForm1 form(dialogs, folder.settings());
  Raster24 logo;
  LoadBitmapFile(folder.logo, logo);
  for (auto _ : state) {
    bench::BenchHost host(logo, form.CurrentStampSettings(), form.Quality(), form.Jobs());
    host.State().FStop = 0;
    ConvertFolder(host, folder.source, folder.output());
  }
}

// One pump of the window's events while it runs: what the walk adds for every file and every
// folder entry it lists. On a busy machine the two runs above differ by more than the pumps
// cost; this is the part of the window's overhead that does not drown in that noise.
void EventPump(benchmark::State& state) {
  NoDialogs dialogs;
  TForm1 form(dialogs, Folder().settings());
  for (auto _ : state) form.ProcessEvents();
}

BENCHMARK(EventPump)->Unit(benchmark::kMicrosecond);
BENCHMARK(WalkAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);
BENCHMARK(WindowRun)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

}  // namespace
}  // namespace quelmar

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  quelmar::bench::TimingReporter reporter;
  return quelmar::bench::RunBenchmarks(argc, argv, reporter, [&] {
    const double alone = reporter.Of("WalkAlone/min_time:5.000/real_time");
    const double window = reporter.Of("WindowRun/min_time:5.000/real_time");
    if (alone > 0 && window > 0) {
      const double overhead = 100 * (window / alone - 1);
      std::printf("window run / walk alone = %.3f: overhead %.1f %% (target <= 3 %%): %s\n",
                  window / alone, overhead, overhead <= 3 ? "met" : "MISSED");
    }
  });
}
