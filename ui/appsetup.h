#pragma once

class QApplication;

// What every program of the package sets up before its first window: the
// style, the desktop entry, the pictures and Qt's own texts in French.
void SetUpApplication(QApplication &app);
