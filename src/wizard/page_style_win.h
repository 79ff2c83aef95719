// A wizard page's frame in the style the package chose for it.
#pragma once

#include "package/run_product.h"
#include "wizard/page_frame_win.h"

// The frame of page `base` ("License") in the style of `slot`, with its page
// title and handlers.
PageFrame StyledPage(const RunProduct& product, const char16_t* base, PageStyleSlot slot, int32_t title_message, const PageHandlers& handlers,
                     void* context);
// A page of one style only ("EnterPassword"), its caption message given.
PageFrame PlainBox(const RunProduct& product, const char16_t* name, int32_t caption_message, const PageHandlers& handlers, void* context);
// The style value of `slot`.
int32_t PageStyle(const ProductSettings& settings, PageStyleSlot slot);
