#include "wizard/page_style_win.h"

int32_t PageStyle(const ProductSettings& settings, PageStyleSlot slot) { return settings.PageStyles[slot]; }

PageFrame StyledPage(const RunProduct& product, const char16_t* base, PageStyleSlot slot, int32_t title_message,
                     const PageHandlers& handlers, void* context) {
  PageFrame frame;
  frame.product = &product;
  frame.template_name = PageTemplateName(base, PageStyle(product.settings, slot));
  frame.look = LookOfStyle(PageStyle(product.settings, slot));
  frame.title_message = title_message;
  frame.handlers = handlers;
  frame.context = context;
  return frame;
}

PageFrame PlainBox(const RunProduct& product, const char16_t* name, int32_t caption_message,
                   const PageHandlers& handlers, void* context) {
  PageFrame frame;
  frame.product = &product;
  frame.template_name = String(name);
  frame.wizard_page = false;
  frame.title_message = caption_message;
  frame.handlers = handlers;
  frame.context = context;
  return frame;
}
