#include "wizard/page_frame_win.h"

#include <cstring>

#include "core/wide_win.h"
#include "package/message_numbers.h"
#include "package/run_product.h"
#include "resources/resource_ids.h"
#include "core/system_library_win.h"
#include "wizard/gdi_win.h"
#include "wizard/window_icons_win.h"

namespace {

using namespace page_control;

// What one open page holds beyond its template.
struct PageInstance {
  const PageFrame* frame = nullptr;
  bool freed_with_window = false;  // modeless pages: the window owns this
  GdiObject pictures[3];     // side picture, banner, full picture, at control size
  GdiObject button_images[3];
  GdiObject backdrop;        // the client area as painted beneath the controls
  GdiObject backdrop_brush;  // ... as a brush for texts over pictures
  GdiObject title_font;      // the banner's first line, in bold
};

PageInstance* InstanceOf(HWND page) {
  return reinterpret_cast<PageInstance*>(GetWindowLongPtrW(page, DWLP_USER));
}

bool ButtonImages(const PageFrame& frame) { return frame.product->settings.Flag2(product_flag2::kButtonImages); }

String FrameMessage(const PageFrame& frame, int32_t message) {
  return MessageText(frame.product->languages, message);
}

// The caption: the page title, the greeting title on banner pages.
void ApplyTitles(HWND page, const PageFrame& frame) {
  if (!frame.wizard_page) {
    SetWindowTextW(page, Wide(FrameMessage(frame, frame.title_message)));
    return;
  }
  const int32_t caption = frame.look == PageLook::kBanner ? message_number::kGreetingTitle : frame.title_message;
  SetWindowTextW(page, Wide(FrameMessage(frame, caption)));
  if (frame.look == PageLook::kBanner) {
    SetPageText(page, kBannerWindowTitle, ReplacePlaceholders(frame.product->settings.WindowTitle, frame.product->languages));
    SetPageMessage(page, kBannerPageTitle, frame.title_message);
  }
}

RECT ClientRectIn(HWND control, HWND page) {
  RECT rect{};
  GetClientRect(control, &rect);
  MapWindowPoints(control, page, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The side picture's frame as the settings ask: 1 sunken edge, 2 thin
// border, 3 sunken edge on side-picture pages only.
void FrameSidePicture(HWND picture, const PageFrame& page_frame) {
  const PageLook look = page_frame.look;
  const uint8_t frame = page_frame.product->settings.SidePictureFrame;
  const bool edge = frame == 1 || (frame == 3 && look == PageLook::kSidePicture);
  if (edge) SetWindowLongPtrW(picture, GWL_EXSTYLE, GetWindowLongPtrW(picture, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  if (frame == 2) SetWindowLongPtrW(picture, GWL_STYLE, GetWindowLongPtrW(picture, GWL_STYLE) | WS_BORDER);
  if (edge || frame == 2) {
    SetWindowPos(picture, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
}

// Fills each picture control with its bitmap at the control's own size, so
// that it is sharp at any DPI, and paints the same into the backdrop.
void SetUpPictures(HWND page, PageInstance& instance) {
  struct Picture {
    int id;
    int bitmap;
  };
  static constexpr Picture kPictures[] = {
      {kSidePicture, IDB_SIDE_PICTURE}, {kBanner, IDB_BANNER}, {kFullPicture, IDB_FULL_PICTURE}};
  RECT client{};
  GetClientRect(page, &client);
  HDC screen = GetDC(page);
  instance.backdrop.Reset(CreateCompatibleBitmap(screen, client.right, client.bottom));
  {
    MemoryDc dc(screen);
    dc.Select(instance.backdrop.get());
    FillRect(dc.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
    for (int i = 0; i < 3; ++i) {
      HWND control = GetDlgItem(page, kPictures[i].id);
      if (!control) continue;
      if (kPictures[i].id == kSidePicture) FrameSidePicture(control, *instance.frame);
      const RECT rect = ClientRectIn(control, page);
      const int width = rect.right - rect.left;
      const int height = rect.bottom - rect.top;
      instance.pictures[i].Reset(ScaledBitmapResource(PageModule(), kPictures[i].bitmap, width, height));
      if (!instance.pictures[i]) continue;
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(instance.pictures[i].get()));
      MemoryDc picture(screen);
      picture.Select(instance.pictures[i].get());
      BitBlt(dc.get(), rect.left, rect.top, width, height, picture.get(), 0, 0, SRCCOPY);
    }
  }
  ReleaseDC(page, screen);
  instance.backdrop_brush.Reset(CreatePatternBrush(static_cast<HBITMAP>(instance.backdrop.get())));
}

// The images of Next, Cancel and browse: 10 x 10 pixels at 96 DPI, as many
// more as the screen has pixels per inch.
void SetUpButtonImages(HWND page, PageInstance& instance) {
  static constexpr int kButtons[3][2] = {
      {kNext, IDB_NEXT_BUTTON}, {kCancel, IDB_CANCEL_BUTTON}, {kBrowse, IDB_BROWSE_BUTTON}};
  HDC dc = GetDC(page);
  const int size = MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 96);
  ReleaseDC(page, dc);
  for (int i = 0; i < 3; ++i) {
    HWND button = GetDlgItem(page, kButtons[i][0]);
    if (!button) continue;
    instance.button_images[i].Reset(ScaledBitmapResource(PageModule(), kButtons[i][1], size, size));
    SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(instance.button_images[i].get()));
  }
}

// The banner's window title stands out above the page title, as a heading.
void SetUpBannerFont(HWND page, PageInstance& instance) {
  HWND title = GetDlgItem(page, kBannerWindowTitle);
  // The page title beside it keeps the template font at the current DPI.
  HWND page_title = GetDlgItem(page, kBannerPageTitle);
  LOGFONTW font{};
  if (!title || !GetObjectW(reinterpret_cast<HFONT>(SendMessageW(page_title ? page_title : page, WM_GETFONT, 0, 0)),
                            sizeof font, &font)) {
    return;
  }
  font.lfWeight = FW_BOLD;
  instance.title_font.Reset(CreateFontIndirectW(&font));
  SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(instance.title_font.get()), FALSE);
}

void SetUpIcons(HWND page, const PageFrame& frame) {
  // Pages may carry the application icons, as the background window does.
  if (!frame.product->settings.Flag(product_flag::kPageIcons)) return;
  PutWindowIcons(page);
}

// Texts that lie over a picture: the banner's two lines always, and on
// full-picture pages every text of the content.
bool PaintedOverPicture(int id, PageLook look) {
  if (id == kBannerWindowTitle || id == kBannerPageTitle) return true;
  if (look != PageLook::kFullPicture) return false;
  switch (id) {
    case kText:
    case kStatus:
    case kRequiredSpace:
    case kFreeSpace:
    case kLink:
    case 1023:
    case 1025:
    case 1027:
    case 1029:
      return true;
    default:
      return false;
  }
}

// Texts over pictures are drawn black on the backdrop beneath them.
INT_PTR ColorStatic(HWND page, HDC dc, HWND control) {
  PageInstance* instance = InstanceOf(page);
  if (!instance || !instance->backdrop_brush) return FALSE;
  if (!PaintedOverPicture(GetDlgCtrlID(control), instance->frame->look)) return FALSE;
  POINT origin{0, 0};
  MapWindowPoints(control, page, &origin, 1);
  SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  return reinterpret_cast<INT_PTR>(instance->backdrop_brush.get());
}

// Sent to itself by a page whose DPI changed, so that it runs once the
// dialog manager has rescaled the page and its template font.
constexpr UINT kRefitAfterDpiChange = WM_APP + 0x41;

// What the dialog manager cannot rescale: the pictures made at control size,
// the banner's bold font (made from the old template font) and the images.
void RefitToDpi(HWND page, PageInstance& instance) {
  const PageFrame& frame = *instance.frame;
  if (frame.wizard_page) SetUpPictures(page, instance);
  if (frame.look == PageLook::kBanner) SetUpBannerFont(page, instance);
  if (ButtonImages(frame)) SetUpButtonImages(page, instance);
  InvalidateRect(page, nullptr, TRUE);
}

// True when the dialog manager should set the focus, false when the page did.
bool InitPage(HWND page, PageInstance* instance) {
  SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(instance));
  const PageFrame& frame = *instance->frame;
  SetUpIcons(page, frame);
  if (frame.wizard_page) SetUpPictures(page, *instance);
  if (frame.look == PageLook::kBanner) SetUpBannerFont(page, *instance);
  ApplyTitles(page, frame);
  if (frame.handlers.init) frame.handlers.init(page, frame.context);
  if (ButtonImages(frame)) SetUpButtonImages(page, *instance);
  HWND focus = GetFocus();
  return !(focus && IsChild(page, focus));
}

INT_PTR CALLBACK PageProcedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    return InitPage(page, reinterpret_cast<PageInstance*>(lparam));
  }
  PageInstance* instance = InstanceOf(page);
  if (!instance) return FALSE;
  const PageFrame& frame = *instance->frame;
  INT_PTR result = 0;
  if (frame.handlers.message && frame.handlers.message(page, message, wparam, lparam, &result, frame.context)) {
    return result;
  }
  switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ColorStatic(page, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (frame.handlers.command && frame.handlers.command(page, id, HIWORD(wparam), frame.context)) return TRUE;
      // Escape and the close box arrive as IDCANCEL: both are Cancel.
      if (id == kNext || id == kCancel || id == IDCANCEL) {
        EndDialog(page, id == kNext ? kNext : kCancel);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DPICHANGED:
      PostMessageW(page, kRefitAfterDpiChange, 0, 0);
      return FALSE;
    case kRefitAfterDpiChange:
      RefitToDpi(page, *instance);
      return TRUE;
    case WM_NCDESTROY:
      SetWindowLongPtrW(page, DWLP_USER, 0);
      if (instance->freed_with_window) delete instance;
      return FALSE;
    default:
      return FALSE;
  }
}

// The window classes the templates name: SysLink and the progress bar of the
// common controls, and the rich edit control, whose library is loaded from
// the system folder and kept for the rest of the run.
void RegisterControlClasses() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LINK_CLASS | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    static SystemLibrary rich_edit(L"riched20.dll");
    return rich_edit.loaded();
  }();
  (void)registered;
}

}  // namespace

HMODULE PageModule() { return GetModuleHandleW(nullptr); }

namespace {

// Pages of a right-to-left language are mirrored. The process default
// covers the message boxes the pages open; the page itself is mirrored in
// its template, because a page owned by the (unmirrored) background window
// would otherwise keep the owner's layout.
bool FollowReadingDirection(const PageFrame& frame) {
  const bool mirrored = ReadsRightToLeft(FrameMessage(frame, message_number::kWizardCaption));
  SetProcessDefaultLayout(mirrored ? LAYOUT_RTL : 0);
  return mirrored;
}

// A copy of the page's template, mirrored when the language asks for it;
// false when the template is missing. The copy lives in `bytes`, which is
// suitably aligned for the dialog manager.
bool LoadPageTemplate(const PageFrame& frame, String& bytes) {
  const String& name = frame.template_name;
  const bool mirrored = FollowReadingDirection(frame);
  HRSRC found = FindResourceW(PageModule(), Wide(name), MAKEINTRESOURCEW(5));  // RT_DIALOG
  HGLOBAL loaded = found ? LoadResource(PageModule(), found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(PageModule(), found) : 0;
  if (!data || size < 16) return false;
  bytes.Assign(data, static_cast<int32_t>(size));
  // An extended template (signature 0xFFFF) keeps its extended style at
  // byte 8, a plain one at byte 4.
  const bool extended = reinterpret_cast<const WORD*>(data)[1] == 0xFFFF;
  DWORD ex_style = 0;
  memcpy(&ex_style, bytes.data() + (extended ? 8 : 4), sizeof ex_style);
  if (mirrored) ex_style |= WS_EX_LAYOUTRTL;
  memcpy(bytes.data() + (extended ? 8 : 4), &ex_style, sizeof ex_style);
  return true;
}

const DLGTEMPLATE* TemplateOf(const String& bytes) { return reinterpret_cast<const DLGTEMPLATE*>(bytes.bytes()); }

}  // namespace

int32_t RunPage(HWND owner, const PageFrame& frame) {
  RegisterControlClasses();
  String bytes;
  if (!LoadPageTemplate(frame, bytes)) return page_control::kCancel;
  PageInstance instance;
  instance.frame = &frame;
  const INT_PTR result = DialogBoxIndirectParamW(PageModule(), TemplateOf(bytes), owner, PageProcedure,
                                                 reinterpret_cast<LPARAM>(&instance));
  return result == page_control::kNext ? page_control::kNext : page_control::kCancel;
}

HWND OpenModelessPage(HWND owner, const PageFrame& frame) {
  RegisterControlClasses();
  String bytes;
  if (!LoadPageTemplate(frame, bytes)) return nullptr;
  auto* instance = new PageInstance;
  instance->frame = &frame;
  instance->freed_with_window = true;
  HWND page = CreateDialogIndirectParamW(PageModule(), TemplateOf(bytes), owner, PageProcedure,
                                         reinterpret_cast<LPARAM>(instance));
  if (!page) delete instance;
  return page;
}

const RunProduct& PageProduct(HWND page) {
  const PageInstance* instance = InstanceOf(page);
  return instance ? *instance->frame->product : NoRunProduct();
}

String PageMessageText(HWND page, int32_t message) { return MessageText(PageProduct(page).languages, message); }

void RetitlePage(HWND page) {
  if (PageInstance* instance = InstanceOf(page)) ApplyTitles(page, *instance->frame);
}

void SetPageText(HWND page, int id, const String& text) {
  HWND control = GetDlgItem(page, id);
  if (!control) return;
  SetWindowTextW(control, Wide(text));
  // A transparent text leaves the old one behind unless its area is redrawn.
  PageInstance* instance = InstanceOf(page);
  if (instance && PaintedOverPicture(id, instance->frame->look)) InvalidateRect(control, nullptr, TRUE);
}

void SetPageMessage(HWND page, int id, int32_t message) { SetPageText(page, id, PageMessageText(page, message)); }

void SetButtonText(HWND page, int id, const String& text) {
  String caption;
  // The image sits left of the caption; a blank keeps them apart.
  const PageInstance* instance = InstanceOf(page);
  if (instance && ButtonImages(*instance->frame)) caption.AppendW(u' ');
  caption.Append(text);
  SetPageText(page, id, caption);
}

void SetButtonMessage(HWND page, int id, int32_t message) { SetButtonText(page, id, PageMessageText(page, message)); }

namespace {

int TextHeightNeeded(HWND control, int width) {
  const String text = PageItemText(GetParent(control), GetDlgCtrlID(control));
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT bounds{0, 0, width, 0};
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.w_str()), text.wlength(), &bounds,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return bounds.bottom;
}

}  // namespace

void GrowToFitText(HWND page, int id) {
  HWND control = GetDlgItem(page, id);
  if (!control) return;
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
  const int grow = TextHeightNeeded(control, rect.right - rect.left) - (rect.bottom - rect.top);
  if (grow <= 0) return;
  SetWindowPos(control, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top + grow,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT place{};
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&place), 2);
    if (child == control || place.top < rect.bottom) continue;
    SetWindowPos(child, nullptr, place.left, place.top + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT window{};
  GetWindowRect(page, &window);
  SetWindowPos(page, nullptr, window.left, window.top - grow / 2, window.right - window.left,
               window.bottom - window.top + grow, SWP_NOZORDER | SWP_NOACTIVATE);
}

void KeepLeftToRight(HWND page, int id) {
  HWND control = GetDlgItem(page, id);
  if (!control) return;
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_EXSTYLE);
  const LONG_PTR left_to_right = style & ~static_cast<LONG_PTR>(WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT);
  if (left_to_right != style) SetWindowLongPtrW(control, GWL_EXSTYLE, left_to_right);
}

String PageItemText(HWND page, int id) {
  HWND control = GetDlgItem(page, id);
  String text;
  const int length = control ? GetWindowTextLengthW(control) : 0;
  if (length <= 0) return text;
  text.SetLengthExact(length * 2);
  const int got = GetWindowTextW(control, reinterpret_cast<wchar_t*>(text.wdata()), length + 1);
  text.SetLength(got * 2);
  return text;
}
