#pragma once

// The refresh peer's one dialog, its output field and its caption, by which
// the idle measurement finds its window.
#define IDD_REFRESH_PEER 100
#define IDC_PEER_OUTPUT 101
#define REFRESH_PEER_CAPTION "Refresh peer"
