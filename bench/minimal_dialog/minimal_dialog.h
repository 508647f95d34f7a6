#pragma once

// The one dialog template of the minimal program, and its caption, by which
// the start-up measurement finds its window.
#define IDD_MINIMAL 100
#define MINIMAL_DIALOG_CAPTION "Minimal dialog"
