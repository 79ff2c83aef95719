// Control ids of testkit_child's probe dialog, shared with the tests that drive it.
#pragma once

#define IDD_PROBE 100
#define IDC_PROBE_NAME 101
#define IDC_PROBE_AGREE 102
#define IDC_PROBE_NEVER 103

// Posted to the probe dialog with a number in wParam, which the dialog keeps as
// its GWLP_USERDATA: once the number shows, every message posted before it has
// been handled (messages posted to a thread are handled in order).
#define WM_PROBE_MARK 0x8001
