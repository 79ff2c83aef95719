#include "package/run_product.h"

const RunProduct& NoRunProduct() {
  static const RunProduct none;
  return none;
}
