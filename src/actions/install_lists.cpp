#include "actions/install_lists.h"

InstallLists& TheInstallLists() {
  static InstallLists lists;
  return lists;
}
