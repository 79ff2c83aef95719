// Control ids of testkit_child's probe dialog, shared with the tests that drive it.
#pragma once

#define IDD_PROBE 100
#define IDC_PROBE_NAME 101
#define IDC_PROBE_AGREE 102
#define IDC_PROBE_NEVER 103
