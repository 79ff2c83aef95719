#include "wizard/background_window_win.h"

#include "core/codepage.h"
#include "core/system_library_win.h"
#include "wizard/background_layout.h"
#include "package/dib.h"
#include "wizard/gdi_win.h"
#include "wizard/window_icons_win.h"

namespace {

constexpr wchar_t kClassName[] = L"SEA Window Class";
constexpr char kClassNameA[] = "SEA Window Class";
constexpr int32_t kTitlePoints = 26;
constexpr int32_t kCopyrightPoints = 16;
constexpr int kBoldestWeight = 900;

Box BoxOf(const RECT& rect) { return Box{rect.left, rect.top, rect.right, rect.bottom}; }

// The gradient service of msimg32, looked up once; null when missing.
using GradientFillFunction = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
GradientFillFunction GradientService() {
  static SystemLibrary library(L"msimg32.dll");
  static GradientFillFunction function = library.Get<GradientFillFunction>("GradientFill");
  return function;
}

TRIVERTEX Vertex(LONG x, LONG y, COLORREF colour) {
  return TRIVERTEX{x, y, static_cast<COLOR16>(GetRValue(colour) << 8), static_cast<COLOR16>(GetGValue(colour) << 8),
                   static_cast<COLOR16>(GetBValue(colour) << 8), 0};
}

BackgroundWindowState* StateOf(HWND window) {
  return reinterpret_cast<BackgroundWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void PaintColours(HDC dc, const RECT& client, BackgroundWindowState& state) {
  const ProductSettings& settings = *state.settings;
  if (!state.mono_colour) {
    TRIVERTEX vertices[2] = {Vertex(client.left, client.top, settings.TopColor),
                             Vertex(client.right, client.bottom, settings.BottomColor)};
    GRADIENT_RECT rect{0, 1};
    GradientFillFunction gradient = GradientService();
    // Without the service, the plain colour for the rest of the run.
    if (!gradient || !gradient(dc, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_V)) state.mono_colour = true;
  }
  if (state.mono_colour) {
    GdiObject brush(CreateSolidBrush(settings.TopColor));
    FillRect(dc, &client, static_cast<HBRUSH>(brush.get()));
  }
}

void DrawDib(HDC dc, const DibView& view, const uint8_t* data, int x, int y, int width, int height) {
  StretchDIBits(dc, x, y, width, height, 0, 0, view.width, view.height, data + view.bits_offset,
                reinterpret_cast<const BITMAPINFO*>(data + view.header_offset), DIB_RGB_COLORS, SRCCOPY);
}

void PaintBitmap(HDC dc, const RECT& client, const ProductSettings& settings) {
  const String& bitmap = settings.BackgroundBitmap;
  DibView view;
  if (settings.BitmapSize <= 0 || !ParseDib(bitmap.bytes(), bitmap.length(), view)) return;
  if (settings.StretchMode == 3) {
    int32_t across = 0;
    int32_t down = 0;
    TileCounts(BoxOf(client), view.width, view.height, across, down);
    for (int32_t row = 0; row < down; ++row) {
      for (int32_t column = 0; column < across; ++column) {
        DrawDib(dc, view, bitmap.bytes(), column * view.width, row * view.height, view.width, view.height);
      }
    }
    return;
  }
  const Box box = BitmapBox(BoxOf(client), settings.BitmapSize, settings.StretchMode, view.width, view.height);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  DrawDib(dc, view, bitmap.bytes(), box.left, box.top, box.width(), box.height());
}

struct TextLine {
  const String* text;  // UTF-16
  const String* font;  // narrow face name
  double scale;
  int32_t points;
  COLORREF colour;
  int32_t shadow_depth;
  int32_t position;
};

HFONT MakeFont(HDC dc, const String& face, int32_t points) {
  LOGFONTA font{};
  font.lfHeight = -FontPixels(GetDeviceCaps(dc, LOGPIXELSY), points);
  font.lfWeight = kBoldestWeight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = ANTIALIASED_QUALITY;
  lstrcpynA(font.lfFaceName, face.c_str(), LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

void PaintLine(HDC dc, const RECT& client, const TextLine& line) {
  String text = *line.text;
  text.TrimW();
  if (text.empty() || line.position == 0) return;
  const int margin = FontPixels(GetDeviceCaps(dc, LOGPIXELSY), 8);
  int32_t points = static_cast<int32_t>(line.scale * line.points);
  if (points < kSmallestTitlePoints) points = kSmallestTitlePoints;
  GdiObject font;
  SIZE size{};
  int32_t shadow = 0;
  // Shrinks one point at a time until the line fits the width.
  for (;;) {
    font.Reset(MakeFont(dc, *line.font, points));
    HGDIOBJ old = SelectObject(dc, font.get());
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.w_str()), text.wlength(), &size);
    SelectObject(dc, old);
    shadow = ShadowOffset(line.shadow_depth, FontPixels(GetDeviceCaps(dc, LOGPIXELSY), points));
    if (size.cx + shadow + margin < client.right - client.left || points <= kSmallestTitlePoints) break;
    --points;
  }
  int32_t x = 0;
  int32_t y = 0;
  PlaceText(BoxOf(client), line.position, size.cx, size.cy, shadow, margin, x, y);
  HGDIOBJ old = SelectObject(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.w_str());
  if (shadow > 0) {
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, x + shadow, y + shadow, wide, text.wlength());
  }
  SetTextColor(dc, line.colour);
  TextOutW(dc, x, y, wide, text.wlength());
  SelectObject(dc, old);
}

void PaintTexts(HDC dc, const RECT& client, const ProductSettings& settings) {
  String title = settings.DisplayTitle;
  title.TrimW();
  const TextLine lines[] = {
      {title.empty() ? &settings.TaskbarText : &settings.DisplayTitle, &settings.TitleFont, settings.TitleSize,
       kTitlePoints, settings.TitleColor, settings.TitleShadow, settings.TitlePosition},
      {&settings.CopyrightText, &settings.CopyrightFont, settings.CopyrightSize, kCopyrightPoints,
       settings.CopyrightColor, 0, settings.CopyrightPos},
  };
  for (const TextLine& line : lines) PaintLine(dc, client, line);
}

LRESULT CALLBACK BackgroundProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  BackgroundWindowState* state = StateOf(window);
  if (!state) return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(window, &client);
      HDC dc = reinterpret_cast<HDC>(wparam);
      PaintColours(dc, client, *state);
      PaintBitmap(dc, client, *state->settings);
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client{};
      GetClientRect(window, &client);
      PaintTexts(dc, client, *state->settings);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DPICHANGED:
    case WM_DISPLAYCHANGE:
      // The title's size in pixels follows the DPI: paint it anew.
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

bool RegisterWide() {
  static const bool registered = [] {
    WNDCLASSEXW window_class{sizeof window_class};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = BackgroundProcedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.lpszClassName = kClassName;
    return RegisterClassExW(&window_class) != 0;
  }();
  return registered;
}

// Where the wide window cannot be made, the narrow class of the same name.
HWND CreateNarrow(HWND owner, DWORD style, const RECT& rect, BackgroundWindowState& state) {
  WNDCLASSA window_class{};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = BackgroundProcedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kClassNameA;
  RegisterClassA(&window_class);
  const String title = Utf16ToAnsi(state.settings->TaskbarText);
  return CreateWindowExA(0, kClassNameA, title.c_str(), style, rect.left, rect.top, rect.right - rect.left + 1,
                         rect.bottom - rect.top + 1, owner, nullptr, GetModuleHandleW(nullptr), &state);
}

}  // namespace

BackgroundWindowState BackgroundWindowStateOf(const ProductSettings& settings) {
  BackgroundWindowState state;
  state.settings = &settings;
  state.mono_colour = settings.MonoColor;
  state.title_position_companion = settings.Flag(product_flag::kTitlePositionCompanion);
  return state;
}

HWND CreateBackgroundWindow(HWND owner, bool minimized, BackgroundWindowState& state) {
  const ProductSettings& settings = *state.settings;
  RECT rect{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &rect, 0)) {
    state.title_position_companion = true;
    rect = RECT{0, 0, 1, 1};
  }
  const DWORD style = WS_POPUP | (minimized ? WS_MINIMIZE : 0);
  HWND window = nullptr;
  if (RegisterWide()) {
    window = CreateWindowExW(0, kClassName, reinterpret_cast<const wchar_t*>(settings.TaskbarText.w_str()), style,
                             rect.left, rect.top, rect.right - rect.left + 1, rect.bottom - rect.top + 1, owner,
                             nullptr, GetModuleHandleW(nullptr), &state);
  }
  if (!window) window = CreateNarrow(owner, style, rect, state);
  if (!window) return nullptr;
  PutWindowIcons(window);
  ShowWindow(window, SW_HIDE);
  ShowWindow(window, state.title_position_companion ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  if (minimized) ShowWindow(window, SW_MINIMIZE);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  UpdateWindow(window);
  return window;
}
