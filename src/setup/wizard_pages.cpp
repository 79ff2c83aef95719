#include "setup/wizard_pages.h"

WizardPages& TheWizardPages() {
  static WizardPages pages;
  return pages;
}
