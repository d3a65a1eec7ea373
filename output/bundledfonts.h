#pragma once

// Windows has no Liberation Sans, which the main window's fixed layout and
// the PDFs are measured in: a Windows copy carries it in the "fonts" folder
// beside the programs, and this adds it once the application object
// exists; later calls do nothing. Elsewhere the system's own is used and
// nothing is done.
void AddBundledFonts();
