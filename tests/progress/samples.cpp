// Writes a few rendered bars as .bmp files into the folder given (default: the current one),
// so that a person can look at them: classic, blocks, themed, captions, pictures.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "controls/progress/cProgressBar.h"
#include "progress_support.h"

using namespace corvane;

namespace {

void Save(cProgressBar& bar, const std::wstring& folder, const wchar_t* name, int w, int h, HWND window) {
  progress_test::Canvas canvas(w, h, RGB(255, 255, 255));
  const bool drawn = bar.DrawToDC(window, canvas.dc(), 0, 0, w, h).has_value();
  const std::wstring path = folder + name + L".bmp";
  std::printf("%ls: %s\n", path.c_str(), drawn && canvas.Save(path) ? "written" : "FAILED");
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  ::OleInitialize(nullptr);
  std::wstring folder = argv && argc > 1 ? argv[1] : L".";
  if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  progress_test::TestWindow window(419, 24);

  {
    cProgressBar bar;
    bar.SetBackColor(0x80000000u | COLOR_WINDOW);
    bar.SetBarColor(0x80000000u | COLOR_HIGHLIGHT);
    bar.SetMax(116);
    bar.SetValue(58);
    Save(bar, folder, L"classic", 419, 24, window.get());
    bar.SetText(L"58/116 50 %");
    bar.SetShowText(true);
    Save(bar, folder, L"classic_caption", 419, 24, window.get());
    bar.SetSegments(true);
    Save(bar, folder, L"segmented_caption", 419, 24, window.get());
    bar.SetBorderStyle(BorderRaised);
    bar.SetAppearance(Appearance3D);
    bar.SetShowText(false);
    Save(bar, folder, L"segmented_raised3d", 419, 24, window.get());
    bar.SetSegments(false);
    bar.SetXpStyle(true);
    bar.SetBorderStyle(BorderSunken);
    bar.SetShowText(true);
    Save(bar, folder, L"themed_caption", 419, 24, window.get());
    bar.SetShowText(false);
    Save(bar, folder, L"themed", 419, 24, window.get());
    bar.SetValue(87);
    Save(bar, folder, L"themed_vertical", 24, 120, window.get());
  }
  {
    cProgressBar bar;
    auto stripes = progress_test::BitmapPicture(16, 16, [](int x, int y) {
      return ((x + y) / 4) % 2 ? RGB(255, 200, 60) : RGB(230, 120, 20);
    });
    auto dots = progress_test::BitmapPicture(8, 8, [](int x, int y) {
      return (x % 4 == 1 && y % 4 == 1) ? RGB(150, 150, 200) : RGB(235, 235, 245);
    });
    bar.SetPicture(dots.Get());
    bar.SetBarPicture(stripes.Get());
    bar.SetValue(62);
    bar.SetText(L"62 %");
    bar.SetShowText(true);
    bar.SetForeColor(RGB(0, 0, 128));
    bar.SetBarForeColor(RGB(0, 0, 0));
    Save(bar, folder, L"pictures_caption", 419, 24, window.get());
  }
  return 0;
}
