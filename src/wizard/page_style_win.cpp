#include "wizard/page_style_win.h"

#include "package/settings_state.h"

int32_t PageStyle(PageStyleSlot slot) { return Settings().PageStyles[slot]; }

PageFrame StyledPage(const char16_t* base, PageStyleSlot slot, int32_t title_message, const PageHandlers& handlers,
                     void* context) {
  PageFrame frame;
  frame.template_name = PageTemplateName(base, PageStyle(slot));
  frame.look = LookOfStyle(PageStyle(slot));
  frame.title_message = title_message;
  frame.handlers = handlers;
  frame.context = context;
  return frame;
}

PageFrame PlainBox(const char16_t* name, int32_t caption_message, const PageHandlers& handlers, void* context) {
  PageFrame frame;
  frame.template_name = String(name);
  frame.wizard_page = false;
  frame.title_message = caption_message;
  frame.handlers = handlers;
  frame.context = context;
  return frame;
}
