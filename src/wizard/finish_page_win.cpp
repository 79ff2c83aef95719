// The finish page: the product's closing text and up to four choices, laid
// out one under the other by the program.
#include "package/message_numbers.h"
#include "wizard/page_style_win.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

struct FinishOptionText {
  int32_t label;
  bool exists;
  bool ticked;
};

// The options in layout order (run, document, second document, log).
struct FinishPage {
  bool view_log_offered;
  FinishChoices choices;
};

void DescribeOptions(const ProductSettings& settings, bool view_log_offered,
                     FinishOptionText (&options)[kFinishOptions]) {
  options[kFinishRun] = {84, !settings.FinishProgram.empty(), settings.Flag2(product_flag2::kFinishRunChecked)};
  options[kFinishDocument] = {83, !settings.FinishDocument.empty(),
                              settings.Flag2(product_flag2::kFinishDocumentChecked)};
  options[kFinishDocument2] = {87, !settings.FinishDocument2.empty(),
                               settings.Flag2(product_flag2::kFinishDocument2Checked)};
  options[kFinishLog] = {85, view_log_offered, false};
}

void PlaceBox(HWND page, int id, const FinishBoxPlace& place) {
  HWND box = GetDlgItem(page, id);
  if (!place.shown) {
    ShowWindow(box, SW_HIDE);
    CheckDlgButton(page, id, BST_UNCHECKED);
    return;
  }
  RECT rect{place.x, place.y, kFinishBoxRight, place.y + kFinishBoxHeight};
  MapDialogRect(page, &rect);
  SetWindowPos(box, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(box, SW_SHOW);
}

void InitFinishPage(HWND page, void* context) {
  const auto& finish_page = *static_cast<const FinishPage*>(context);
  const ProductSettings& settings = PageProduct(page).settings;
  SetPageMessage(page, kText, message_number::kCompletedNotice);
  SetButtonMessage(page, kNext, message_number::kFinishButton);
  FinishOptionText options[kFinishOptions];
  DescribeOptions(settings, finish_page.view_log_offered, options);
  bool exists[kFinishOptions];
  for (int i = 0; i < kFinishOptions; ++i) exists[i] = options[i].exists;
  FinishBoxPlace places[kFinishOptions];
  LayOutFinishBoxes(PageStyle(settings, kStyleFinish), exists, places);
  for (int i = 0; i < kFinishOptions; ++i) {
    SetPageMessage(page, kFinishBoxIds[i], options[i].label);
    PlaceBox(page, kFinishBoxIds[i], places[i]);
    if (places[i].shown) CheckDlgButton(page, kFinishBoxIds[i], options[i].ticked ? BST_CHECKED : BST_UNCHECKED);
  }
}

bool FinishCommand(HWND page, int id, int, void* context) {
  auto& choices = static_cast<FinishPage*>(context)->choices;
  if (id == kNext || id == IDOK) {
    choices.open_document = IsDlgButtonChecked(page, 1023) == BST_CHECKED;
    choices.run_program = IsDlgButtonChecked(page, 1025) == BST_CHECKED;
    choices.view_log = IsDlgButtonChecked(page, 1027) == BST_CHECKED;
    choices.second_document = IsDlgButtonChecked(page, 1029) == BST_CHECKED;
    EndDialog(page, kNext);
    return true;
  }
  return false;
}

}  // namespace

FinishChoices ShowFinishPage(HWND owner, const RunProduct& product, bool view_log_offered) {
  FinishPage finish_page{view_log_offered, FinishChoices{}};
  PageHandlers handlers;
  handlers.init = InitFinishPage;
  handlers.command = FinishCommand;
  const PageFrame frame = StyledPage(product, u"Summary", kStyleFinish, message_number::kCompleted, handlers, &finish_page);
  if (RunPage(owner, frame) != kNext) finish_page.choices = FinishChoices{};
  return finish_page.choices;
}
